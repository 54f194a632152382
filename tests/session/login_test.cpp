#include "session/login.h"
#include "session/protection_command.h"
#include "session/user_entry.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "formats/program_cipher.h"
#include "formats/record_file.h"
#include "formats/settings_file.h"
#include "formats/settings_names.h"
#include "generator/generator_settings.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <memory>
#include <optional>

#include <unistd.h>

namespace vantrel {
namespace {

using test::ScriptedPrompts;
using test::TempFolder;
using Answer = Prompts::Answer;

std::string cp(const char* utf8) {
    return Utf8ToCp1251(utf8);
}
std::string inform(const char* text) {
    return std::string("inform: ") + text;
}
std::string ask() {
    return std::string("ask: ") + kCreateUserQuestion;
}
std::string repeat() {
    return std::string("password: ") + kRepeatPasswordPrompt;
}

// One run of the program: its session, the scripted user and the login rules.
struct ProgramRun {
    explicit ProgramRun(const std::filesystem::path& programDirectory) {
        session.setProgramDirectory(programDirectory / "");
        login.programDirectory = [this] {
            ++directoryQueries;
            return session.programDirectory();
        };
    }
    Session session;
    ScriptedPrompts prompts;
    FileCommands files{session, prompts};
    LoginSteps login{session, files, prompts};
    int directoryQueries = 0;
};

class Login : public ::testing::Test {
protected:
    std::unique_ptr<ProgramRun> newRun() { return std::make_unique<ProgramRun>(dir.path()); }
    std::filesystem::path settings() const { return SettingsFilePath(dir.path() / ""); }
    std::string checkOf(const std::string& name) const {
        return ReadSetting(kUsersSection, name, settings());
    }
    // Creates a user through the creation path of a run of its own.
    void createUser(const std::string& name, const std::string& password) {
        auto run = newRun();
        run->prompts.answers = {Answer::Ok};
        run->prompts.passwords = {password};
        ASSERT_TRUE(run->login.CreateUser(name, password));
    }

    TempFolder dir;
};

TEST_F(Login, NoSettingsFileMeansMismatchThenTheCreationQuestion) {
    auto run = newRun();
    run->prompts.answers = {Answer::Cancel};
    EXPECT_FALSE(run->login.Enter("bob", "pw"));
    EXPECT_EQ(run->prompts.log, (std::vector<std::string>{inform(kMismatchMessage), ask()}));
    EXPECT_FALSE(run->session.loggedIn());
    EXPECT_TRUE(run->session.userName().empty());
    EXPECT_FALSE(std::filesystem::exists(settings()));
}

TEST_F(Login, EmptyNameWithEmptyPasswordIsRefused) {
    auto run = newRun();
    run->prompts.answers = {Answer::Ok};
    EXPECT_FALSE(run->login.Enter("", ""));
    EXPECT_EQ(run->prompts.log, (std::vector<std::string>{inform(kMismatchMessage), ask(),
                                                          inform(kNoNameNoPasswordMessage)}));
    EXPECT_FALSE(run->session.loggedIn());
    EXPECT_FALSE(std::filesystem::exists(settings()));
}

TEST_F(Login, NameWithEmptyPasswordIsCreatedAndLogsInLater) {
    auto first = newRun();
    first->prompts.answers = {Answer::Ok};
    first->prompts.passwords = {""};
    EXPECT_TRUE(first->login.Enter("bob", ""));
    EXPECT_TRUE(first->session.loggedIn());
    EXPECT_EQ(first->session.userName(), "bob");
    EXPECT_EQ(first->session.cipher().Password(), "");
    EXPECT_EQ(checkOf("bob").size(), 32u);
    // Creation neither reopens a file nor loads the generator options.
    EXPECT_EQ(first->prompts.log,
              (std::vector<std::string>{inform(kMismatchMessage), ask(), repeat()}));

    auto second = newRun();
    EXPECT_TRUE(second->login.Enter("bob", ""));
    EXPECT_TRUE(second->session.loggedIn());
    EXPECT_EQ(second->prompts.log, (std::vector<std::string>{inform(kLastFileNotFoundMessage)}));
}

TEST_F(Login, CapitalLettersFindTheSameUser) {
    createUser(cp("иван"), "secret");
    auto run = newRun();
    EXPECT_TRUE(run->login.Enter(cp("ИВАН"), "secret"));
    EXPECT_EQ(run->session.userName(), cp("ИВАН"));
    EXPECT_EQ(run->session.cipher().Password(), "secret");
}

TEST_F(Login, RecreationReplacesTheCheckStringSoOnlyTheNewPasswordWorks) {
    createUser("bob", "old");
    const std::string oldCheck = checkOf("bob");
    createUser("bob", "new");
    EXPECT_NE(checkOf("bob"), oldCheck);
    EXPECT_EQ(ReadSectionKeys(kUsersSection, settings()), (std::vector<std::string>{"bob"}));

    auto wrong = newRun();
    wrong->prompts.answers = {Answer::Cancel};
    EXPECT_FALSE(wrong->login.Enter("bob", "old"));
    EXPECT_EQ(checkOf("bob").size(), 32u); // Cancel changed nothing
    EXPECT_FALSE(wrong->session.loggedIn());

    EXPECT_TRUE(newRun()->login.Enter("bob", "new"));
}

TEST_F(Login, ARepeatThatDiffersOrIsCancelledCreatesAndChangesNothing) {
    createUser("bob", "old");
    const std::string oldCheck = checkOf("bob");
    const std::string designTime = Session().cipher().Password();
    for (const std::optional<std::string>& repeated :
         {std::optional<std::string>("typo"), std::optional<std::string>()}) {
        auto run = newRun();
        run->prompts.answers = {Answer::Ok};
        run->prompts.passwords = {repeated};
        EXPECT_FALSE(run->login.Enter("bob", "typ0"));
        std::vector<std::string> expected{inform(kMismatchMessage), ask(), repeat()};
        if (repeated) {
            expected.push_back(inform(kRepeatMismatchMessage));
        }
        EXPECT_EQ(run->prompts.log, expected);
        EXPECT_FALSE(run->session.loggedIn());
        EXPECT_EQ(run->session.cipher().Password(), designTime);
    }
    EXPECT_EQ(checkOf("bob"), oldCheck);
    EXPECT_EQ(ReadSectionKeys(kUsersSection, settings()), (std::vector<std::string>{"bob"}));
}

TEST_F(Login, SamePasswordTwiceGivesDifferentCheckStringsThatBothWork) {
    createUser("bob", "pw");
    const std::string first = checkOf("bob");
    EXPECT_TRUE(newRun()->login.Enter("bob", "pw"));
    createUser("bob", "pw");
    EXPECT_NE(checkOf("bob"), first);
    EXPECT_TRUE(newRun()->login.Enter("bob", "pw"));
}

TEST_F(Login, WrongPasswordAndOkGivesTheUserTheTypedPassword) {
    createUser("bob", "old");
    auto run = newRun();
    run->prompts.answers = {Answer::Ok};
    run->prompts.passwords = {"typed"};
    EXPECT_TRUE(run->login.Enter("bob", "typed"));
    EXPECT_TRUE(run->session.loggedIn());
    EXPECT_EQ(run->session.cipher().Password(), "typed");
    EXPECT_TRUE(newRun()->login.Enter("bob", "typed"));
}

TEST_F(Login, TwelveCharactersLogInThirteenFailBeforeTheFileIsRead) {
    createUser("bob", "123456789012");
    auto ok = newRun();
    EXPECT_TRUE(ok->login.Enter("bob", "123456789012"));

    auto tooLong = newRun();
    try {
        tooLong->login.Enter("bob", "1234567890123");
        FAIL() << "a 13-character password was taken";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "TCryptLib.Password is too long");
    }
    EXPECT_EQ(tooLong->directoryQueries, 0);
    EXPECT_TRUE(tooLong->prompts.log.empty());
    EXPECT_FALSE(tooLong->session.loggedIn());
    EXPECT_EQ(tooLong->login.checker().Password(), "");
}

TEST_F(Login, ThirteenCharactersAtCreationWriteNothing) {
    auto run = newRun();
    run->prompts.answers = {Answer::Ok};
    EXPECT_THROW(run->login.CreateUser("bob", "1234567890123"), Error);
    EXPECT_FALSE(std::filesystem::exists(settings()));
    EXPECT_FALSE(run->session.loggedIn());
    EXPECT_EQ(run->session.cipher().Password(), "");
}

TEST_F(Login, UnwritableSettingsFileMeansNoUserAndNoLogin) {
    // A folder below a regular file cannot be created, even by root.
    test::WriteBytes(dir / "plain", "x");
    ProgramRun run(dir / "plain" / "sub");
    run.prompts.answers = {Answer::Ok};
    run.prompts.passwords = {"pw"};
    try {
        run.login.Enter("bob", "pw");
        FAIL() << "the write failure was not reported";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Unable to write to " + SettingsFilePath(dir / "plain" / "sub" / "").string());
    }
    EXPECT_FALSE(run.session.loggedIn());
    EXPECT_TRUE(run.session.userName().empty());
}

TEST_F(Login, RememberedFileIsReopenedWithThePassword) {
    createUser("bob", "pw");
    const std::filesystem::path file = dir / "мои.vtr";
    {
        TCryptLib cipher;
        ConfigureProgramCipher(cipher, "pw");
        WriteRecordFile(file, RecordFileKind::Encrypted, cipher,
                        {Record{"1", {"name", "secret", "site", "", "", " "}}});
    }
    WriteSetting(kRememberedFilesSection, "bob", FileCommands::RememberedPathText(file),
                 settings());

    auto run = newRun();
    EXPECT_TRUE(run->login.Enter("bob", "pw"));
    EXPECT_TRUE(run->prompts.log.empty());
    ASSERT_EQ(run->session.records().size(), 1u);
    EXPECT_EQ(run->session.records()[0].fields[1], "secret");
    EXPECT_EQ(run->session.currentFile(), file);

    // The user was created anew under another password: the file does not
    // decrypt into records, and is shown only when the user says so.
    createUser("bob", "pw2");
    auto declined = newRun();
    declined->prompts.answers = {Answer::No};
    EXPECT_TRUE(declined->login.Enter("bob", "pw2"));
    ASSERT_EQ(declined->prompts.log.size(), 1u);
    EXPECT_EQ(declined->prompts.log[0].rfind("confirm: Файл \"" + file.string(), 0), 0u);
    EXPECT_TRUE(declined->session.loggedIn());
    EXPECT_TRUE(declined->session.records().empty());
    EXPECT_TRUE(declined->session.currentFile().empty());
}

TEST_F(Login, MissingOrUnreadableRememberedFileIsReportedAndTheLoginCompletes) {
    createUser("bob", "pw");
    test::WriteBytes(dir / "plain", "x");
    std::filesystem::create_directory(dir / "folder.vtr");
    const std::string notFound = kLastFileNotFoundMessage;
    const struct {
        std::filesystem::path file;
        std::string message;
    } cases[] = {
        {dir / "gone.vtr", notFound},
        {dir / "plain" / "below-a-file.vtr", notFound},
        {dir / "folder.vtr",
         "Cannot open file " + (dir / "folder.vtr").string() + ".\r" + kLastFileNotOpenedNote},
    };
    for (const auto& [file, message] : cases) {
        SCOPED_TRACE(file);
        WriteSetting(kRememberedFilesSection, "bob", file.string(), settings());
        auto run = newRun();
        EXPECT_TRUE(run->login.Enter("bob", "pw"));
        EXPECT_EQ(run->prompts.log, std::vector<std::string>{"inform: " + message});
        EXPECT_TRUE(run->session.loggedIn());
        EXPECT_TRUE(run->session.records().empty());
        EXPECT_TRUE(run->session.currentFile().empty());
    }
}

TEST_F(Login, NoRememberedFileNeverOpensAFileNamedLikeTheReadFailure) {
    createUser("bob", "pw");
    // A record file in the working folder that carries the read-failure text
    // as its name must not be taken for the remembered file.
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    test::WriteBytes(dir / Cp1251ToUtf8(ReadFailureText()), "1\r\n\tname\r\n");
    auto run = newRun();
    const bool entered = run->login.Enter("bob", "pw");
    std::filesystem::current_path(cwd);
    EXPECT_TRUE(entered);
    EXPECT_EQ(run->prompts.log, (std::vector<std::string>{inform(kLastFileNotFoundMessage)}));
    EXPECT_TRUE(run->session.records().empty());
}

TEST_F(Login, GeneratorOptionsAreLoadedAtLoginButNotAtCreation) {
    GeneratorOptions stored;
    stored.Digit = true;
    stored.MinPwd = 7;
    stored.MaxPwd = 9;
    SaveGeneratorOptions(stored, settings());

    auto creating = newRun();
    creating->prompts.answers = {Answer::Ok};
    creating->prompts.passwords = {"pw"};
    ASSERT_TRUE(creating->login.Enter("bob", "pw"));
    EXPECT_EQ(creating->session.generatorOptions(), GeneratorOptions{});

    auto run = newRun();
    ASSERT_TRUE(run->login.Enter("bob", "pw"));
    EXPECT_EQ(run->session.generatorOptions(), stored);
}

TEST_F(Login, BadGeneratorOptionsStopTheLoginAfterTheFileStep) {
    createUser("bob", "pw");
    WriteSetting(std::string(kGeneratorSection), "MinPwd", "many", settings());
    auto run = newRun();
    EXPECT_THROW(run->login.Enter("bob", "pw"), Error);
    EXPECT_EQ(run->prompts.log, (std::vector<std::string>{inform(kLastFileNotFoundMessage)}));
}

TEST_F(Login, NamesTheSettingsFileCannotHoldAreRefusedAtCreation) {
    for (const char* name : {"a=b", "[admin", ";x", " bob", "bob ", "\tbob"}) {
        auto run = newRun();
        run->prompts.answers = {Answer::Ok, Answer::Ok};
        EXPECT_FALSE(run->login.Enter(name, "pw")) << name;
        EXPECT_EQ(run->prompts.log, (std::vector<std::string>{inform(kMismatchMessage), ask(),
                                                              inform(kNameNotStorableMessage)}))
            << name;
        EXPECT_FALSE(run->session.loggedIn()) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(settings()));
}

TEST_F(Login, EmptyNameWithPasswordEntersThisRunOnly) {
    auto run = newRun();
    run->prompts.answers = {Answer::Ok};
    run->prompts.passwords = {"pw"};
    EXPECT_TRUE(run->login.CreateUser("", "pw"));
    EXPECT_TRUE(run->session.loggedIn());
    EXPECT_EQ(run->session.cipher().Password(), "pw");
    EXPECT_FALSE(std::filesystem::exists(settings()));

    auto later = newRun();
    later->prompts.answers = {Answer::Cancel};
    EXPECT_FALSE(later->login.Enter("", "pw"));
    EXPECT_EQ(later->prompts.log.front(), inform(kMismatchMessage));
}

TEST_F(Login, PasswordsAreTakenExactlyAsTyped) {
    createUser("bob", " pw ");
    auto run = newRun();
    EXPECT_TRUE(run->login.Enter("bob", " pw "));
    EXPECT_EQ(run->session.cipher().Password(), " pw ");
    auto trimmed = newRun();
    trimmed->prompts.answers = {Answer::Cancel};
    EXPECT_FALSE(trimmed->login.Enter("bob", "pw"));
}

TEST_F(Login, ProgramDirectoryIsSetAnewAtEveryLogin) {
    createUser("bob", "pw");
    auto run = newRun();
    run->session.setProgramDirectory("/nowhere/");
    run->login.programDirectory = [this] { return dir.path() / ""; };
    EXPECT_TRUE(run->login.Enter("bob", "pw"));
    EXPECT_EQ(run->session.programDirectory(), dir.path() / "");
}

// A key as the program derives it, but with the cheapest limits the format
// reads, so that the tests pay no 64 MiB derivation per save.
ProtectedKey cheapKey(const std::string& password) {
    ProtectedParams params{1, 8 * 1024, {}};
    params.salt[0] = 7;
    return ProtectedKey(password, params);
}

bool isProtectedFile(const std::filesystem::path& file) {
    return IsProtectedContent(test::ReadBytes(file));
}

TEST_F(Login, ProtectedEntryAcceptsOnlyItsPassword) {
    createUser("ann", "pw");
    auto classic = newRun();
    EXPECT_TRUE(classic->login.Enter("ann", "pw"));
    EXPECT_FALSE(classic->session.userProtected());

    const std::string verifier = MakeProtectedUserEntry("pw");
    EXPECT_EQ(verifier.rfind("$argon2id$v=19$m=65536,t=3,p=1$", 0), 0u);
    WriteSetting(kUsersSection, "ann", verifier, settings());
    auto wrong = newRun();
    wrong->prompts.answers = {Answer::Cancel};
    EXPECT_FALSE(wrong->login.Enter("ann", "pW"));
    EXPECT_EQ(wrong->prompts.log, (std::vector<std::string>{inform(kMismatchMessage), ask()}));
    EXPECT_EQ(checkOf("ann"), verifier);

    auto right = newRun();
    EXPECT_TRUE(right->login.Enter("ann", "pw"));
    EXPECT_TRUE(right->session.userProtected());
    // A classic check string for another password is no verifier of this one.
    EXPECT_FALSE(UserEntryAccepts(verifier.substr(0, 32), "pw"));
    EXPECT_THROW(UserEntryAccepts(verifier, "1234567890123"), Error);
    // A verifier of the right password with limits beyond those a protected
    // file may ask for (here 11 passes) opens nothing.
    char beyond[crypto_pwhash_STRBYTES];
    ASSERT_EQ(crypto_pwhash_str(beyond, "pw", 2, 11, 8 << 20), 0);
    EXPECT_FALSE(UserEntryAccepts(beyond, "pw"));
    ASSERT_EQ(crypto_pwhash_str(beyond, "pw", 2, 10, 8 << 20), 0);
    EXPECT_TRUE(UserEntryAccepts(beyond, "pw"));
}

TEST_F(Login, StrengthenProtectionRewritesEntryAndFileOnConsentOnly) {
    createUser("ann", "pw");
    auto run = newRun();
    ASSERT_TRUE(run->login.Enter("ann", "pw"));
    std::vector<std::string> notes;
    run->files.onStatus = [&notes](const std::string& note) { notes.push_back(note); };
    const std::filesystem::path file = dir / "ann.vtr";
    run->session.add(Record{"1", {cp("почта"), cp("секрет"), "", "", "", ""}});
    ASSERT_TRUE(run->files.saveFile(file, RecordFileKind::Encrypted));
    run->session.setCurrentFile(file);
    run->session.setModified(false);
    const std::string classicEntry = checkOf("ann");
    run->session.protectedKey() = cheapKey("pw");
    run->prompts.log.clear();

    // Cancelled at the explanation, then a wrong password: nothing changes.
    run->prompts.answers = {Answer::Cancel, Answer::Ok};
    run->prompts.passwords = {"pW"};
    EXPECT_FALSE(StrengthenProtection(run->session, run->files, run->prompts));
    EXPECT_FALSE(StrengthenProtection(run->session, run->files, run->prompts));
    ASSERT_EQ(run->prompts.log.size(), 4u);
    EXPECT_NE(run->prompts.log[0].find(file.string()), std::string::npos);
    EXPECT_EQ(run->prompts.log[3], inform(kProtectWrongPassword));
    EXPECT_EQ(checkOf("ann"), classicEntry);
    EXPECT_FALSE(isProtectedFile(file));

    run->prompts.log.clear();
    run->prompts.answers = {Answer::Ok};
    run->prompts.passwords = {"pw"};
    EXPECT_TRUE(StrengthenProtection(run->session, run->files, run->prompts));
    EXPECT_EQ(run->prompts.log.back(), inform(kProtectDoneMessage));
    EXPECT_TRUE(IsProtectedUserEntry(checkOf("ann")));
    EXPECT_TRUE(isProtectedFile(file));
    EXPECT_EQ(notes, (std::vector<std::string>{kWrittenProtectedNote}));
    // Later saves stay protected and say nothing more.
    ASSERT_TRUE(run->files.saveFile(file, RecordFileKind::Encrypted));
    EXPECT_TRUE(isProtectedFile(file));
    EXPECT_EQ(notes.size(), 1u);

    // The next login is protected; the file opens with the password.
    WriteSetting(kRememberedFilesSection, "ann", FileCommands::RememberedPathText(file),
                 settings());
    auto later = newRun();
    ASSERT_TRUE(later->login.Enter("ann", "pw"));
    EXPECT_TRUE(later->session.userProtected());
    ASSERT_EQ(later->session.records().size(), 1u);
    EXPECT_EQ(later->session.records()[0].fields[1], cp("секрет"));
    later->session.logOut();
    EXPECT_FALSE(later->session.protectedKey());
    EXPECT_FALSE(later->session.userProtected());
}

// A user who never chose protection opens a protected file and saves it in
// its own form; another user's password opens nothing of it.
TEST_F(Login, ProtectedFileKeepsItsFormForAClassicUser) {
    createUser("bob", "pw");
    createUser("eve", "other");
    const std::filesystem::path file = dir / "shared.vtr";
    {
        TCryptLib cipher;
        ConfigureProgramCipher(cipher, "pw");
        ProtectedKeySlot key = cheapKey("pw");
        WriteRecordFile(file, RecordFileKind::Protected, cipher, {Record{"1", {"a", "b"}}}, key);
    }
    auto run = newRun();
    ASSERT_TRUE(run->login.Enter("bob", "pw"));
    ASSERT_TRUE(run->files.openFile(file, RecordFileKind::Encrypted));
    EXPECT_TRUE(run->session.listProtected());
    run->session.add(Record{"2", {"c", "d"}});
    ASSERT_TRUE(run->files.saveFile(file, RecordFileKind::Encrypted));
    EXPECT_TRUE(isProtectedFile(file));

    auto other = newRun();
    ASSERT_TRUE(other->login.Enter("eve", "other"));
    other->prompts.log.clear();
    EXPECT_THROW(other->files.openFile(file, RecordFileKind::Encrypted), Error);
    EXPECT_TRUE(other->prompts.log.empty());
    EXPECT_TRUE(other->session.records().empty());
    EXPECT_TRUE(other->session.currentFile().empty());
}

} // namespace
} // namespace vantrel
