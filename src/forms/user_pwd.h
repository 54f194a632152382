#pragma once

#include "session/file_commands.h"
#include "session/login.h"
#include "session/prompts.h"
#include "session/session.h"

#include <QWidget>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QStatusBar;

namespace vantrel {

// Messages of the login dialog's own edge checks (UTF-8).
inline constexpr const char* kNameNot1251Message =
    "Имя пользователя содержит символ «%1», которого нет в кодировке Windows-1251.\r"
    "Такое имя нельзя сохранить.";
inline constexpr const char* kPasswordNot1251Message =
    "Пароль содержит символ, которого нет в кодировке Windows-1251.\r"
    "Такой пароль нельзя использовать.";

// The login dialog "VTR": logs a user in or creates one (rules in
// session/login.h) and hides itself once a user is in; the main window shows
// it whenever it becomes active while nobody is logged in. Closing it, or
// "В&ыход", ends the program at once, asking and saving nothing.
class TfmUserPwd : public QWidget {
    Q_OBJECT
public:
    TfmUserPwd(Session& session, FileCommands& files, Prompts& prompts, QWidget* parent = nullptr);

    // What ends the program; by default the event loop is left with exit code
    // 0, which runs no close sequence of the main window.
    void setProgramEnder(std::function<void()> end) { endProgram_ = std::move(end); }
    // Where the program directory is set from at login (the running program's
    // folder unless replaced).
    void setProgramDirectorySource(std::function<std::filesystem::path()> source);
    // Whether this dialog has ended the program (the main window may check it).
    static bool programEndRequested() { return endRequested_; }

    void btEnterClick();
    // Empties the password field, its undo history included.
    void forgetPassword();
    void btNewUserClick();
    void btExitClick();
    void btAboutClick();
    void cbShowPwdClick();

signals:
    // A user has logged in (or was created) and the dialog is hidden.
    void loggedIn();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The typed name and password as 1251 bytes; a character that 1251 cannot
    // hold is refused with a message and nothing is returned.
    std::optional<std::pair<std::string, std::string>> typedFields();
    void endProgram();

    Prompts& prompts_;
    LoginSteps login_;
    QLineEdit* cbUserName_ = nullptr;
    QLineEdit* edPwd_ = nullptr;
    QCheckBox* cbShowPwd_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    std::function<void()> endProgram_;
    bool placed_ = false;
    static inline bool endRequested_ = false;
};

} // namespace vantrel
