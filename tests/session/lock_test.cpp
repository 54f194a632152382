#include "session/lock.h"

#include "base/cp1251.h"
#include "formats/settings_file.h"
#include "formats/settings_names.h"
#include "session/expiry.h"
#include "session/idle_timer.h"
#include "session/lock_settings.h"
#include "session/login.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

using test::ReadBytes;
using test::ScriptedPrompts;
using test::TempFolder;
using test::WriteBytes;
using Answer = Prompts::Answer;

Record record(std::string number, std::vector<std::string> fields) {
    return Record{std::move(number), std::move(fields)};
}

// A logged-in run with a list of its own, as the window would have it.
class Locking : public ::testing::Test {
protected:
    Locking() { session.setProgramDirectory(dir.path() / ""); }

    void createUser(const std::string& name, const std::string& password) {
        prompts.answers = {Answer::Ok};
        prompts.passwords = {password};
        ASSERT_TRUE(login.CreateUser(name, password));
    }
    void fillList() {
        session.replaceAll({
            record("1", {"bob", "Pa55-word", "mail", "01.01.24", "  .  .  ", cp("заметка")}),
            // Texts the record file's text would trim or could not hold.
            record("2", {" lead", "x\r\ny", "", "", "", "tail\t ", "seventh"}),
            record("", {}),
            record("3", {"carol", "", "site", "", "", ""}),
        });
    }
    static std::string cp(const char* utf8) { return Utf8ToCp1251(utf8); }

    TempFolder dir;
    Session session;
    ScriptedPrompts prompts;
    FileCommands files{session, prompts};
    LoginSteps login{session, files, prompts};
    SessionLock lock{session};
};

TEST_F(Locking, UnlockRestoresListFileFlagSortAndSelectionExactly) {
    createUser("bob", "secret");
    ASSERT_TRUE(login.Enter("bob", "secret")); // the login's checker tests it too
    fillList();
    session.sortBy(1);
    session.setCurrentFile(dir / "list.vtr");
    session.remove(session.idAt(0)); // an unsaved deletion
    const RecordList before = session.records();
    const RecordId selected = session.idAt(2);
    ASSERT_TRUE(session.modified());

    lock.lock(selected);
    EXPECT_TRUE(lock.locked());
    EXPECT_TRUE(lock.modified());
    EXPECT_EQ(lock.userName(), "bob");
    EXPECT_FALSE(session.loggedIn());
    EXPECT_EQ(session.size(), 0u);
    EXPECT_TRUE(session.currentFile().empty());
    EXPECT_FALSE(session.modified());
    EXPECT_NE(session.cipher().Password(), "secret");
    EXPECT_NE(login.checker().Password(), "secret");
    // The key words are the password's bytes ("secr", "et").
    for (const TCryptLib* cipher : {&session.cipher(), &login.checker()}) {
        EXPECT_EQ(cipher->KeyWordA(), 0u);
        EXPECT_EQ(cipher->KeyWordC(), 0u);
    }

    const auto unlocked = lock.unlock("secret");
    ASSERT_TRUE(unlocked);
    EXPECT_FALSE(lock.locked());
    EXPECT_TRUE(session.loggedIn());
    EXPECT_EQ(session.userName(), "bob");
    EXPECT_EQ(session.cipher().Password(), "secret");
    EXPECT_EQ(session.records(), before);
    EXPECT_EQ(session.currentFile(), dir / "list.vtr");
    EXPECT_TRUE(session.modified());
    EXPECT_EQ(session.sortColumn(), 1);
    EXPECT_TRUE(session.sorted());
    ASSERT_TRUE(unlocked->selected);
    EXPECT_EQ(*session.find(*unlocked->selected), before[2]);
}

TEST_F(Locking, AnUnchangedListComesBackUnmodifiedAndAnEmptyListEmpty) {
    createUser("bob", "secret");
    lock.lock(std::nullopt);
    ASSERT_TRUE(lock.locked());
    const auto unlocked = lock.unlock("secret");
    ASSERT_TRUE(unlocked);
    EXPECT_FALSE(unlocked->selected);
    EXPECT_EQ(session.size(), 0u);
    EXPECT_FALSE(session.modified());
}

// A protected user's list from a protected file is saved protected after an
// unlock too; the derived key does not outlive the lock.
TEST_F(Locking, TheProtectedFormSurvivesTheLockButNotItsKey) {
    createUser("bob", "secret");
    session.setUserProtected(true);
    session.setListProtected(true);
    KeyForWriting("secret", session.protectedKey());
    lock.lock(std::nullopt);
    EXPECT_FALSE(session.protectedKey().has_value());
    ASSERT_TRUE(lock.unlock("secret"));
    EXPECT_TRUE(session.userProtected());
    EXPECT_TRUE(session.listProtected());
    EXPECT_FALSE(session.protectedKey().has_value());
}

TEST_F(Locking, AWrongPasswordKeepsItLockedAndChangesNothing) {
    createUser("bob", "secret");
    fillList();
    const RecordList before = session.records();
    lock.lock(std::nullopt);
    for (const std::string wrong : {"Secret", "", "secret ", "thirteen-long"}) {
        EXPECT_FALSE(lock.unlock(wrong)) << wrong;
        EXPECT_TRUE(lock.locked());
        EXPECT_FALSE(session.loggedIn());
        EXPECT_EQ(session.size(), 0u);
    }
    ASSERT_TRUE(lock.unlock("secret"));
    EXPECT_EQ(session.records(), before);
}

TEST_F(Locking, TheEntryAndTheSnapshotMustBothTakeThePassword) {
    createUser("bob", "secret");
    fillList();
    lock.lock(std::nullopt);
    // Meanwhile another run makes "bob" anew with another password: the entry
    // now takes it, but it cannot open this list, so it stays locked.
    Session other;
    other.setProgramDirectory(dir.path() / "");
    ScriptedPrompts otherPrompts;
    otherPrompts.answers = {Answer::Ok};
    otherPrompts.passwords = {"other"};
    FileCommands otherFiles(other, otherPrompts);
    ASSERT_TRUE(LoginSteps(other, otherFiles, otherPrompts).CreateUser("bob", "other"));
    EXPECT_FALSE(lock.unlock("other"));
    EXPECT_FALSE(lock.unlock("secret")); // the entry no longer takes it
    EXPECT_TRUE(lock.locked());
}

TEST_F(Locking, AUserWithoutAnEntryIsTestedByTheSnapshot) {
    createUser("", "secret"); // the unnamed user of this run is never stored
    fillList();
    lock.lock(std::nullopt);
    EXPECT_FALSE(lock.unlock("wrong"));
    ASSERT_TRUE(lock.unlock("secret"));
    EXPECT_EQ(session.size(), 4u);
}

TEST_F(Locking, NothingToLockBeforeALoginAndDiscardForgetsTheList) {
    lock.lock(std::nullopt);
    EXPECT_FALSE(lock.locked());
    createUser("bob", "secret");
    fillList();
    lock.lock(std::nullopt);
    lock.discard();
    EXPECT_FALSE(lock.locked());
    EXPECT_FALSE(lock.unlock("secret"));
    EXPECT_EQ(session.size(), 0u);
}

TEST(IdleTimer, CountsByTheWallClockAcrossJumps) {
    using namespace std::chrono;
    system_clock::time_point now{};
    IdleTimer timer([&] { return now; });
    timer.setLimit(seconds(300));
    now += seconds(299);
    EXPECT_FALSE(timer.expired());
    now += seconds(1);
    EXPECT_TRUE(timer.expired());

    timer.noteInput();
    EXPECT_FALSE(timer.expired());
    // A machine asleep for an hour: the clock jumps, the time counts.
    now += hours(1);
    EXPECT_TRUE(timer.expired());

    // A clock set back starts the count again instead of never expiring.
    timer.noteInput();
    now -= hours(5);
    EXPECT_FALSE(timer.expired());
    now += seconds(300);
    EXPECT_TRUE(timer.expired());

    timer.setLimit(seconds(0));
    now += hours(48);
    EXPECT_FALSE(timer.expired());
}

TEST(LockSettings, ReadByTheClipboardRulesAndWrittenInPlace) {
    TempFolder dir;
    const auto file = dir / "VTR.ini";
    const std::string others = "[UsersName]\r\nbob=x\r\n[VTRSettings]\r\nFlattbMain=False\r\n"
                               "ClipboardSeconds=10\r\n";
    struct Case {
        const char* seconds;
        const char* onScreenLock;
        int idle;
        bool screen;
        bool problem;
    };
    const Case cases[] = {
        {"600", "0", 600, false, false},     {" 0 ", "1", 0, true, false},
        {"86400", "+1", 86400, true, false}, {"86401", "1", 0, true, true},
        {"-5", "0", 0, false, true},         {"10", "2", 10, true, true},
        {"10", "yes", 10, true, true},
    };
    for (const Case& c : cases) {
        const std::string bytes =
            others + "LockSeconds=" + c.seconds + "\r\nlockonscreenlock=" + c.onScreenLock + "\r\n";
        WriteBytes(file, bytes);
        const LockSettings settings = LoadLockSettings(file);
        EXPECT_EQ(settings.idleSeconds, c.idle) << c.seconds;
        EXPECT_EQ(settings.onScreenLock, c.screen) << c.onScreenLock;
        EXPECT_EQ(!settings.problem.empty(), c.problem) << c.seconds << " " << c.onScreenLock;
        EXPECT_EQ(ReadBytes(file), bytes) << "the file is left alone";
    }
    // Missing keys are written with their defaults; a save keeps every other
    // byte and the letter case of a key that is there.
    WriteBytes(file, others);
    const LockSettings defaults = LoadLockSettings(file);
    EXPECT_EQ(defaults.idleSeconds, 0);
    EXPECT_TRUE(defaults.onScreenLock);
    EXPECT_EQ(ReadBytes(file), others + "LockSeconds=0\r\nLockOnScreenLock=1\r\n");
    WriteBytes(file, others + "lockseconds=0\r\n[Other]\r\nA=1\r\n");
    SaveLockSettings({120, false, {}}, file);
    EXPECT_EQ(ReadBytes(file),
              others + "lockseconds=120\r\nLockOnScreenLock=0\r\n[Other]\r\nA=1\r\n");
}

TEST(ExpiryCount, CountsEndingAndEndedRecordsOnly) {
    using namespace std::chrono;
    const year_month_day today{year(2024), month(6), day(10)};
    const RecordList records = {
        record("1", {"", "", "", "", "09.06.24", ""}),
        record("2", {"", "", "", "", "10.06.24", ""}),
        record("3", {"", "", "", "", "24.06.24", ""}),
        record("4", {"", "", "", "", "25.06.24", ""}),
        record("5", {"", "", "", "", "  .  .  ", ""}),
        record("6", {"x"}),
    };
    const ExpiryCount count = CountExpiry(records, today);
    EXPECT_EQ(count.expiring, 2);
    EXPECT_EQ(count.expired, 1);
}

} // namespace
} // namespace vantrel
