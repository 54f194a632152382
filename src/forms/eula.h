#pragma once

#include <QDialog>

#include <filesystem>

class QTextDocument;
class QTextEdit;

namespace vantrel {

class Prompts;
struct RtfDocument;

// The licence text file, looked up in the current working directory, then in the
// installed data folder, then beside the program file.
inline constexpr const char* kLicenceFileName = "Vantrel EULA.txt";
inline constexpr const char* kLicenceMissingText = "Не найден файл лицензионного соглашения ";

// Fills the document with the file's content: rich text formatted, anything
// else as Windows-1251 plain text. Throws vantrel::Error "Cannot open file %s"
// when the file cannot be read and "Failed to Load Stream" for rich text that
// cannot be read.
void LoadLicenceText(QTextDocument& document, const std::filesystem::path& path);

// Writes the styled runs of a rich-text document into a Qt document.
void RenderRtf(QTextDocument& document, const RtfDocument& rtf);

// The licence dialog "Vantrel Lite - лицензионное соглашение": the licence
// text read-only in a rich-text box. The text is loaded when the dialog is
// shown; a missing file is reported inside the box, an unreadable one by the
// generic error box.
class TfmEULA : public QDialog {
    Q_OBJECT
public:
    explicit TfmEULA(QWidget* parent = nullptr);
    ~TfmEULA() override;

    // Where the generic error box is shown (a Qt message box unless replaced).
    void setPrompts(Prompts* prompts) { prompts_ = prompts; }
    QTextEdit* textBox() const { return reMain_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();

    QTextEdit* reMain_ = nullptr;
    Prompts* prompts_ = nullptr;
    bool loaded_ = false;
};

} // namespace vantrel
