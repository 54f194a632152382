#include "forms/program_lock.h"

#include "forms/clipboard_guard.h"
#include "forms/main_window.h"
#include "forms/screen_lock_signals.h"
#include "forms/unlock_window.h"
#include "generator/generator_settings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QMessageBox>
#include <QStatusBar>

namespace vantrel {

namespace {

constexpr int kIdleCheckMs = 1000;
constexpr int kFilesCheckMs = 100;

bool isInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
        return true;
    default:
        return false;
    }
}

} // namespace

ProgramLock::ProgramLock(TfmMain& main, Session& session, Prompts& prompts, IdleTimer::Clock clock)
    : QObject(&main), main_(main), session_(session), prompts_(prompts), lock_(session),
      unlock_(new TfmUnlock), idle_(std::move(clock)) {
    endProgram_ = [] { QCoreApplication::exit(0); };
    unlock_->onUnlock = [this](const std::string& password) { return unlock(password); };
    unlock_->onQuit = [this] { quit(); };

    connect(&main_, &TfmMain::lockRequested, this, &ProgramLock::requestLock);
    connect(&main_, &TfmMain::settingsChanged, this, &ProgramLock::applySettings);
    idleCheck_.setInterval(kIdleCheckMs);
    connect(&idleCheck_, &QTimer::timeout, this, &ProgramLock::checkIdle);
    idleCheck_.start();
    waitForFiles_.setInterval(kFilesCheckMs);
    connect(&waitForFiles_, &QTimer::timeout, this, &ProgramLock::lockNow);
    qApp->installEventFilter(this);
    applySettings();
}

ProgramLock::~ProgramLock() {
    qApp->removeEventFilter(this);
    delete unlock_;
}

void ProgramLock::listenTo(QDBusConnection sessionBus, QDBusConnection systemBus) {
    delete signals_;
    signals_ = new ScreenLockSignals(std::move(sessionBus), std::move(systemBus), this);
    signals_->setEnabled(onScreenLock_);
    connect(signals_, &ScreenLockSignals::lockRequested, this, &ProgramLock::requestLock);
}

void ProgramLock::applySettings() {
    const LockSettings settings = LoadLockSettings(session_.settingsFile());
    idle_.setLimit(std::chrono::seconds(settings.idleSeconds));
    onScreenLock_ = settings.onScreenLock;
    if (signals_ != nullptr) {
        signals_->setEnabled(onScreenLock_);
    }
    if (!settings.problem.empty()) {
        main_.statusBar()->showMessage(QString::fromStdString(settings.problem));
    }
}

void ProgramLock::checkIdle() {
    if (!locked() && session_.loggedIn() && idle_.expired()) {
        requestLock();
    }
}

void ProgramLock::requestLock() {
    lockNow();
}

void ProgramLock::lockNow() {
    if (locked() || !session_.loggedIn()) {
        waitForFiles_.stop();
        return;
    }
    // A file being read or written (or its questions) finishes first.
    if (main_.fileCommands().fileWorkRunning()) {
        waitForFiles_.start();
        return;
    }
    waitForFiles_.stop();
    const std::optional<RecordId> selected = main_.selectedRecord();
    ClipboardGuard::instance().clear();
    closeDialogs();
    main_.clearSearch();
    if (!RunCommand(prompts_, [&] { lock_.lock(selected); }) || !locked()) {
        return;
    }
    main_.hide();
    main_.forgetDrawnTexts();
    unlock_->showFor(lock_.userName());
}

void ProgramLock::closeDialogs() {
    while (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
    }
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window == &main_ || window == unlock_ || !window->isVisible()) {
            continue;
        }
        if (auto* box = qobject_cast<QMessageBox*>(window); box && box->escapeButton()) {
            // The answer of the box's Escape: No or Cancel.
            box->escapeButton()->click();
        } else if (auto* dialog = qobject_cast<QDialog*>(window)) {
            dialog->reject();
        } else {
            window->hide();
        }
    }
}

bool ProgramLock::unlock(const std::string& password) {
    std::optional<SessionLock::Unlocked> unlocked;
    RunCommand(prompts_, [&] { unlocked = lock_.unlock(password); });
    if (!unlocked) {
        prompts_.inform(kWrongUnlockPasswordMessage);
        return false;
    }
    unlock_->hide();
    main_.show();
    main_.raise();
    main_.activateWindow();
    main_.selectRecord(unlocked->selected);
    main_.showExpiryNote();
    main_.lookAtDisk();
    idle_.noteInput();
    return true;
}

void ProgramLock::quit() {
    if (lock_.modified() && prompts_.confirm(kQuitWhileLockedQuestion, Prompts::Buttons::YesNo) !=
                                Prompts::Answer::No) {
        unlock_->showFor(lock_.userName());
        return;
    }
    RunCommand(prompts_, [this] {
        SaveGeneratorOptions(session_.generatorOptions(), session_.settingsFile());
    });
    lock_.discard();
    unlock_->hide();
    endProgram_();
}

bool ProgramLock::eventFilter(QObject* watched, QEvent* event) {
    if (isInput(event->type())) {
        idle_.noteInput();
    }
    if (watched == &main_ && locked()) {
        if (event->type() == QEvent::Close) {
            // The hidden main window closed from outside (the desktop session
            // ends): the locked list's changes are asked about first.
            event->ignore();
            quit();
            return true;
        }
        if (event->type() == QEvent::WindowActivate) {
            unlock_->showFor(lock_.userName());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vantrel
