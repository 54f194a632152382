#include "forms/program_lock.h"

#include "base/cp1251.h"
#include "formats/record_file.h"
#include "formats/settings_file.h"
#include "formats/settings_names.h"
#include "forms/clipboard_guard.h"
#include "forms/main_window.h"
#include "forms/screen_lock_signals.h"
#include "forms/settings_window.h"
#include "forms/unlock_window.h"
#include "support/qt_test_support.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace vantrel {
namespace {

using test::ReadBytes;
using test::SaveSnapshot;
using test::ScriptedPrompts;
using test::TempFolder;
using test::WriteBytes;
using Answer = Prompts::Answer;

Record rec(const std::string& number, const std::string& name, const std::string& password,
           const std::string& endDate = "31.12.40") {
    return {number,
            {name, password, Utf8ToCp1251("почта"), "01.02.24", endDate, Utf8ToCp1251("заметка")}};
}

// A logged-in main window with its lock, the user "user" with the password
// "secret" stored in the settings file.
class LockTest : public ::testing::Test {
protected:
    LockTest() {
        window = std::make_unique<TfmMain>(session, prompts);
        session.setProgramDirectory(dir.path() / "");
        session.cipher().SetPassword("secret");
        WriteSetting(kUsersSection, "user", session.cipher().MakePasswordCheck(),
                     session.settingsFile());
        session.logIn("user");
        window->setGeneratorOptionsSaver([this] { prompts.log.push_back("options stored"); });
        lock =
            std::make_unique<ProgramLock>(*window, session, prompts, [this] { return clockNow; });
        lock->setProgramEnder([this] { ++ended; });
        list = window->findChild<QTableView*>(QStringLiteral("lvMain"));
        window->show();
        session.replaceAll({rec("1", "alice", "pw-1"), rec("2", "bob", "pw-2", "01.01.20"),
                            rec("3", "carol", "pw-3")});
    }
    ~LockTest() override {
        lock.reset();
        window.reset();
        QApplication::processEvents();
    }
    QAction* action(const char* name) {
        return window->findChild<QAction*>(QString::fromLatin1(name));
    }
    void typePassword(const QString& password) {
        TfmUnlock& unlock = lock->unlockWindow();
        unlock.findChild<QLineEdit*>(QStringLiteral("edPwd"))->setText(password);
        unlock.findChild<QAbstractButton*>(QStringLiteral("btUnlock"))->click();
    }
    bool lockedAway() const {
        return lock->locked() && !window->isVisible() && lock->unlockWindow().isVisible() &&
               session.size() == 0 && list->model()->rowCount() == 0;
    }

    TempFolder dir;
    Session session;
    ScriptedPrompts prompts;
    std::unique_ptr<TfmMain> window;
    std::unique_ptr<ProgramLock> lock;
    QTableView* list = nullptr;
    std::chrono::system_clock::time_point clockNow{};
    int ended = 0;
};

TEST_F(LockTest, CtrlLLocksAndTheRightPasswordBringsBackListSortSelectionAndChanges) {
    EXPECT_EQ(action("LockCmd")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
    EXPECT_EQ(action("LockCmd")->text(), "За&блокировать");
    window->lvMainColumnClick(1);
    session.remove(session.idAt(0)); // an unsaved deletion of "alice"
    window->selectRecord(session.idAt(1));
    const RecordList before = session.records();

    action("LockCmd")->trigger();
    ASSERT_TRUE(lockedAway());
    TfmUnlock& unlock = lock->unlockWindow();
    EXPECT_EQ(unlock.findChild<QLineEdit*>(QStringLiteral("edName"))->text(), "user");
    EXPECT_TRUE(unlock.findChild<QLineEdit*>(QStringLiteral("edName"))->isReadOnly());
    EXPECT_EQ(unlock.findChild<QLabel*>(QStringLiteral("lbPwd"))->text(), "Пароль:");
    SaveSnapshot(unlock, QStringLiteral("unlock_window"));

    typePassword(QStringLiteral("wrong"));
    EXPECT_EQ(prompts.log.back(), std::string("inform: ") + kWrongUnlockPasswordMessage);
    EXPECT_TRUE(lockedAway());
    EXPECT_TRUE(unlock.findChild<QLineEdit*>(QStringLiteral("edPwd"))->text().isEmpty());

    typePassword(QStringLiteral("secret"));
    EXPECT_FALSE(lock->locked());
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(unlock.isVisible());
    EXPECT_EQ(session.records(), before);
    EXPECT_TRUE(session.modified());
    EXPECT_EQ(session.sortColumn(), 1);
    EXPECT_EQ(list->model()->rowCount(), 2);
    ASSERT_TRUE(window->selectedRecord());
    EXPECT_EQ(session.find(*window->selectedRecord())->fields[0], "carol");
    // "bob" ended in 2020: the status bar says so once, and a click shows only him.
    auto* note = window->findChild<QLabel*>(QStringLiteral("lbExpiry"));
    ASSERT_TRUE(note->isVisible());
    EXPECT_TRUE(note->text().contains("Истекает в ближайшие 14 дней: 0, истекло: 1"));
    emit note->linkActivated(QStringLiteral("ending"));
    ASSERT_EQ(list->model()->rowCount(), 1);
    EXPECT_EQ(list->model()->index(0, 1).data().toString(), "bob");
}

TEST_F(LockTest, AnOpenEditorIsClosedItsTypingDroppedAndTheClipboardCleared) {
    window->selectRecord(session.idAt(0));
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* editor = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(editor, nullptr);
        editor->findChild<QComboBox*>(QStringLiteral("cbName"))->setEditText("typed");
        ClipboardGuard::instance().copy(QStringLiteral("pw-1"));
        emit window->lockRequested();
        seen = true;
        EXPECT_FALSE(editor->isVisible());
    });
    action("RcrdEdit")->trigger();
    ASSERT_TRUE(seen);
    EXPECT_TRUE(lockedAway());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_NE(QApplication::clipboard()->text(), "pw-1");
    typePassword(QStringLiteral("secret"));
    ASSERT_FALSE(lock->locked());
    EXPECT_EQ(session.records()[0].fields[0], "alice");
    EXPECT_FALSE(session.modified());
}

TEST_F(LockTest, AQuestionOpenAtTheLockIsAnsweredNo) {
    window->selectRecord(session.idAt(0));
    QTimer::singleShot(0, [&] { emit window->lockRequested(); });
    prompts.answers = {}; // the window's real question box is not scripted:
    QMessageBox box(QMessageBox::Question, QStringLiteral("VTR"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No, window.get());
    box.setEscapeButton(QMessageBox::No);
    EXPECT_EQ(box.exec(), QMessageBox::No);
    EXPECT_TRUE(lockedAway());
}

TEST_F(LockTest, TheLockWaitsForAWriteToEnd) {
    QtProgress progress(window.get(), 0);
    window->fileCommands().setProgress(&progress);
    session.setCurrentFile(dir / "saved.vtr");
    session.setModified(true);
    bool seen = false;
    QTimer::singleShot(0, [&] {
        ASSERT_NE(progress.dialog(), nullptr);
        action("LockCmd")->trigger();
        EXPECT_FALSE(lock->locked());
        EXPECT_TRUE(progress.dialog()->isVisible());
        seen = true;
    });
    action("FileSaveCmd")->trigger();
    ASSERT_TRUE(seen);
    EXPECT_EQ(ReadRecordFile(dir / "saved.vtr", RecordFileKind::Encrypted, session.cipher())
                  .records.size(),
              3u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return lock->locked(); }, 2000));
    EXPECT_TRUE(lockedAway());
    window->fileCommands().setProgress(nullptr);
}

TEST_F(LockTest, TheLockAlsoWaitsForTheCloseSequencesSave) {
    QtProgress progress(window.get(), 0);
    window->fileCommands().setProgress(&progress);
    bool seen = false;
    QTimer::singleShot(0, [&] {
        ASSERT_NE(progress.dialog(), nullptr);
        emit window->lockRequested();
        EXPECT_FALSE(lock->locked());
        seen = true;
    });
    // The save that the close sequence and the save offered before an open
    // run: no file command, yet a write.
    EXPECT_TRUE(window->fileCommands().saveFile(dir / "closing.vtr", RecordFileKind::Encrypted));
    ASSERT_TRUE(seen);
    EXPECT_TRUE(QTest::qWaitFor([&] { return lock->locked(); }, 2000));
    window->fileCommands().setProgress(nullptr);
}

TEST_F(LockTest, IdleTimeFromTheSettingsLocksAndInputPostponesIt) {
    WriteSetting(kProgramSection, kLockSecondsKey, "60", session.settingsFile());
    lock->applySettings();
    clockNow += std::chrono::seconds(59);
    lock->checkIdle();
    EXPECT_FALSE(lock->locked());
    QTest::mouseMove(list->viewport(), QPoint(5, 5));
    QTest::keyClick(list, Qt::Key_Down);
    clockNow += std::chrono::seconds(59);
    lock->checkIdle();
    EXPECT_FALSE(lock->locked());
    clockNow += std::chrono::hours(3); // asleep
    lock->checkIdle();
    EXPECT_TRUE(lockedAway());
}

TEST_F(LockTest, QuittingWhileLockedAsksBeforeUnsavedChangesGo) {
    session.setModified(true);
    action("LockCmd")->trigger();
    ASSERT_TRUE(lock->locked());
    prompts.answers = {Answer::Yes};
    lock->unlockWindow().close();
    EXPECT_EQ(ended, 0);
    EXPECT_EQ(prompts.log.back(), std::string("confirm: ") + kQuitWhileLockedQuestion);
    EXPECT_TRUE(lock->unlockWindow().isVisible());
    // The hidden main window closed from outside asks the same.
    prompts.answers = {Answer::No};
    window->close();
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(lock->unlockWindow().isVisible());
    // The generator options are stored on the way out, as at every exit.
    EXPECT_FALSE(ReadSectionKeys(kGeneratorSection, session.settingsFile()).empty());
}

TEST_F(LockTest, SettingsWindowWritesItsKeysInPlaceAndTheLockFollows) {
    const std::string head =
        "[UsersName]\r\nuser=" + ReadSetting(kUsersSection, "user", session.settingsFile()) +
        "\r\n[VTRSettings]\r\nFlattbMain=False\r\n";
    const std::string tail = "; comment\r\n\r\n[Other]\r\nKey = value\r\n";
    WriteBytes(session.settingsFile(), head + tail);
    TfmSettings settings(session.settingsFile(), prompts, window.get());
    settings.show();
    auto* clipboard = settings.findChild<QSpinBox*>(QStringLiteral("seClipboardSeconds"));
    auto* idle = settings.findChild<QSpinBox*>(QStringLiteral("seLockSeconds"));
    auto* screen = settings.findChild<QCheckBox*>(QStringLiteral("cbLockOnScreenLock"));
    EXPECT_EQ(clipboard->value(), 30);
    EXPECT_EQ(idle->value(), 0);
    EXPECT_EQ(idle->text(), "никогда");
    EXPECT_TRUE(screen->isChecked());
    auto* breaches = settings.findChild<QLineEdit*>(QStringLiteral("edBreachListFile"));
    const std::string opened = ReadBytes(session.settingsFile());
    EXPECT_EQ(breaches->text(), "");
    SaveSnapshot(settings, QStringLiteral("settings_window"));
    clipboard->setValue(15);
    idle->setValue(300);
    screen->setChecked(false);
    // A path the settings file cannot hold is refused before anything is
    // written, and the window stays open.
    breaches->setText(QStringLiteral("/списки/утечки😀.txt"));
    settings.accept();
    EXPECT_NE(settings.result(), QDialog::Accepted);
    ASSERT_FALSE(prompts.log.empty());
    EXPECT_NE(prompts.log.back().find("Windows-1251"), std::string::npos) << prompts.log.back();
    EXPECT_EQ(ReadBytes(session.settingsFile()), opened);
    breaches->setText(QStringLiteral("/списки/утечки.txt"));
    settings.accept();
    EXPECT_EQ(settings.result(), QDialog::Accepted);
    // New keys go after the last key of the section, every other line stays.
    EXPECT_EQ(ReadBytes(session.settingsFile()),
              head + "ClipboardSeconds=15\r\nLockSeconds=300\r\nLockOnScreenLock=0\r\n" +
                  Utf8ToCp1251("BreachListFile=/списки/утечки.txt\r\n") + tail);
    emit window->settingsChanged();
    clockNow += std::chrono::seconds(301);
    lock->checkIdle();
    EXPECT_TRUE(lock->locked());
}

// A bus of the test's own: dbus-daemon in the foreground, its address read
// from its first line. Skips the test when there is no dbus-daemon.
class PrivateBus {
public:
    explicit PrivateBus(const QString& name) : name_(name) {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) {
            return;
        }
        process_.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                QStringLiteral("--print-address=1")});
        if (!process_.waitForReadyRead(5000)) {
            return;
        }
        address_ = QString::fromLatin1(process_.readLine()).trimmed();
    }
    ~PrivateBus() {
        QDBusConnection::disconnectFromBus(name_ + QStringLiteral("-a"));
        QDBusConnection::disconnectFromBus(name_ + QStringLiteral("-b"));
        process_.kill();
        process_.waitForFinished();
    }
    bool running() const { return !address_.isEmpty(); }
    // Two connections: one that listens, one that sends.
    QDBusConnection connection(char which) {
        return QDBusConnection::connectToBus(address_,
                                             name_ + QStringLiteral("-") + QLatin1Char(which));
    }

private:
    QString name_;
    QProcess process_;
    QString address_;
};

// logind as far as the lock asks it.
class FakeLogin1 : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public slots:
    QDBusObjectPath GetSessionByPID(uint pid) {
        asked = pid;
        return QDBusObjectPath(QStringLiteral("/org/freedesktop/login1/session/_37"));
    }

public:
    uint asked = 0;
};

void emitSignal(QDBusConnection& bus, const char* path, const char* interface, const char* name,
                const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createSignal(
        QString::fromLatin1(path), QString::fromLatin1(interface), QString::fromLatin1(name));
    message.setArguments(arguments);
    ASSERT_TRUE(bus.send(message));
}

TEST(ScreenLockSignals, ScreenSaversSleepAndTheSessionsLockRequestALock) {
    PrivateBus sessionBus(QStringLiteral("session"));
    PrivateBus systemBus(QStringLiteral("system"));
    if (!sessionBus.running() || !systemBus.running()) {
        GTEST_SKIP() << "no dbus-daemon";
    }
    QDBusConnection saver = sessionBus.connection('b');
    QDBusConnection logind = systemBus.connection('b');
    ASSERT_TRUE(logind.registerService(QStringLiteral("org.freedesktop.login1")));
    FakeLogin1 manager;
    ASSERT_TRUE(logind.registerObject(QStringLiteral("/org/freedesktop/login1"), &manager,
                                      QDBusConnection::ExportAllSlots));

    ScreenLockSignals listener(sessionBus.connection('a'), systemBus.connection('a'));
    QSignalSpy found(&listener, &ScreenLockSignals::loginSessionFound);
    ASSERT_TRUE(found.wait(5000));
    EXPECT_EQ(manager.asked, static_cast<uint>(getpid()));
    EXPECT_EQ(listener.loginSessionPath(), "/org/freedesktop/login1/session/_37");

    QSignalSpy requests(&listener, &ScreenLockSignals::lockRequested);
    const auto expectRequests = [&](int count) {
        QTest::qWait(200);
        EXPECT_EQ(requests.count(), count);
    };
    emitSignal(saver, "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
               "ActiveChanged", {false});
    expectRequests(0);
    emitSignal(saver, "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
               "ActiveChanged", {true});
    expectRequests(1);
    emitSignal(saver, "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", "ActiveChanged", {true});
    expectRequests(2);
    emitSignal(saver, "/", "org.xfce.ScreenSaver", "ActiveChanged", {true});
    expectRequests(3);
    emitSignal(logind, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
               "PrepareForSleep", {false});
    expectRequests(3);
    emitSignal(logind, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
               "PrepareForSleep", {true});
    expectRequests(4);
    emitSignal(logind, "/org/freedesktop/login1/session/_37", "org.freedesktop.login1.Session",
               "Lock", {});
    expectRequests(5);
    // Another session's lock is not ours.
    emitSignal(logind, "/org/freedesktop/login1/session/_99", "org.freedesktop.login1.Session",
               "Lock", {});
    expectRequests(5);
    listener.setEnabled(false);
    emitSignal(saver, "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
               "ActiveChanged", {true});
    expectRequests(5);
}

TEST_F(LockTest, AScreenSaverSignalLocksTheProgramUnlessSwitchedOff) {
    PrivateBus bus(QStringLiteral("program"));
    if (!bus.running()) {
        GTEST_SKIP() << "no dbus-daemon";
    }
    QDBusConnection saver = bus.connection('b');
    // No logind on this bus: no error, only no session.
    lock->listenTo(bus.connection('a'), bus.connection('a'));
    WriteSetting(kProgramSection, kLockOnScreenLockKey, "0", session.settingsFile());
    lock->applySettings();
    emitSignal(saver, "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
               "ActiveChanged", {true});
    QTest::qWait(200);
    EXPECT_FALSE(lock->locked());
    WriteSetting(kProgramSection, kLockOnScreenLockKey, "1", session.settingsFile());
    lock->applySettings();
    emitSignal(saver, "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
               "ActiveChanged", {true});
    EXPECT_TRUE(QTest::qWaitFor([&] { return lock->locked(); }, 2000));
    EXPECT_TRUE(lockedAway());
}

} // namespace
} // namespace vantrel

#include "lock_test.moc"
