#pragma once

#include <QWidget>

#include <functional>
#include <string>

class QLineEdit;
class QStatusBar;

namespace vantrel {

// The unlock window "VTR": shown instead of the main window while the program
// is locked. Like the login window, but the user name is fixed; it asks only
// for the password. What the password does and what "В&ыход" does are the
// owner's (ProgramLock).
class TfmUnlock : public QWidget {
    Q_OBJECT
public:
    explicit TfmUnlock(QWidget* parent = nullptr);

    // Tests the typed password (1251 bytes, wiped after the call); true when
    // the program is unlocked. A password with a character that 1251 cannot
    // hold is never passed on: it is wrong.
    std::function<bool(const std::string& password)> onUnlock;
    // The user wants to end the program (the close box or "В&ыход").
    std::function<void()> onQuit;

    // Shows the window for the user (1251 bytes), the password field empty.
    void showFor(const std::string& userName);
    // Empties the password field, its undo history included.
    void forgetPassword();

    void btUnlockClick();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLineEdit* edName_ = nullptr;
    QLineEdit* edPwd_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    bool placed_ = false;
};

} // namespace vantrel
