#pragma once

#include <QDialog>

#include <filesystem>

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace vantrel {

class Prompts;

// The settings window "Параметры": the clipboard delay, the idle time before
// the program locks, whether it locks with the screen and the list of
// breached passwords the password report checks. OK writes the keys
// of section "VTRSettings" in place (every other byte of the settings file
// stays); a failed write is shown and the window stays open.
class TfmSettings : public QDialog {
    Q_OBJECT
public:
    TfmSettings(std::filesystem::path settingsFile, Prompts& prompts, QWidget* parent = nullptr);

    void accept() override;

private:
    std::filesystem::path settingsFile_;
    Prompts& prompts_;
    QSpinBox* clipboardSeconds_ = nullptr;
    QSpinBox* lockSeconds_ = nullptr;
    QCheckBox* lockOnScreenLock_ = nullptr;
    QLineEdit* breachList_ = nullptr;
};

} // namespace vantrel
