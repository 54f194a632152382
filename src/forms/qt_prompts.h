#pragma once

#include "session/prompts.h"

#include <QString>

class QWidget;

namespace vantrel {

// Prompts shown with Qt message boxes and file dialogs. The message boxes keep
// the standard English button texts and titles under Qt's Russian translation.
class QtPrompts : public Prompts {
public:
    explicit QtPrompts(QWidget* parent = nullptr) : parent_(parent) {}

    Answer confirm(const std::string& text, Buttons buttons) override;
    void inform(const std::string& text) override;
    Answer ask(const std::string& text) override;
    void showError(const std::string& text) override;
    std::optional<std::filesystem::path> openFileName() override;
    std::optional<std::filesystem::path>
    saveFileName(const std::filesystem::path& suggested) override;
    std::optional<SecretString> askPassword(const std::string& text) override;
    DiskChangeAnswer askDiskChange(const std::string& text) override;
    std::optional<std::filesystem::path> openCsvFileName() override;
    std::optional<CsvExportChoice> saveCsvFileName(const std::filesystem::path& suggested,
                                                   CsvLayout layout) override;

private:
    QWidget* parent_;
};

// The program title of every plain message and error box.
inline constexpr const char* kProgramTitle = "Vantrel Lite";

// "\r" in the program's texts is a line break inside a message box.
QString messageText(const std::string& text);

} // namespace vantrel
