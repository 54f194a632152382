#pragma once

#include "session/idle_timer.h"
#include "session/lock.h"
#include "session/lock_settings.h"
#include "session/prompts.h"
#include "session/session.h"

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include <functional>

namespace vantrel {

class ScreenLockSignals;
class TfmMain;
class TfmUnlock;

// Locks and unlocks the program (rules in session/lock.h): on the main
// window's command, after the idle time and when the screen locks or the
// machine goes to sleep. Locking takes our copy off the clipboard, closes
// every dialog (an open editor's typing is dropped), empties the list and
// hides the main window behind the unlock window. While a file command runs
// the lock waits for it to end.
class ProgramLock : public QObject {
    Q_OBJECT
public:
    ProgramLock(
        TfmMain& main, Session& session, Prompts& prompts,
        IdleTimer::Clock clock = [] { return std::chrono::system_clock::now(); });
    ~ProgramLock() override;

    bool locked() const { return lock_.locked(); }
    // Locks now, or as soon as the running file command ends.
    void requestLock();
    // Reads the lock settings again (after a login and the settings window).
    void applySettings();
    // Listens for screen locks on these buses (by default the session's and
    // the system's).
    void listenTo(QDBusConnection sessionBus, QDBusConnection systemBus);
    // What ends the program from the unlock window; by default the event loop
    // is left with exit code 0.
    void setProgramEnder(std::function<void()> end) { endProgram_ = std::move(end); }

    TfmUnlock& unlockWindow() { return *unlock_; }
    ScreenLockSignals* screenLockSignals() { return signals_; }
    // The idle check the timer runs every second (for the tests).
    void checkIdle();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void lockNow();
    bool unlock(const std::string& password);
    // The close box or "В&ыход" of the unlock window (and a close of the
    // hidden main window): with unsaved changes it offers to unlock first.
    void quit();
    void closeDialogs();

    TfmMain& main_;
    Session& session_;
    Prompts& prompts_;
    SessionLock lock_;
    TfmUnlock* unlock_ = nullptr;
    ScreenLockSignals* signals_ = nullptr;
    IdleTimer idle_;
    QTimer idleCheck_;
    // A lock waits for the running file command.
    QTimer waitForFiles_;
    bool onScreenLock_ = true;
    std::function<void()> endProgram_;
};

} // namespace vantrel
