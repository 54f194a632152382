// check-user, password reading, help, version and usage errors through the
// built program.
#include "cli_test_support.h"

#include "base/cp1251.h"
#include "cipher/crypt_lib.h"
#include "formats/program_cipher.h"
#include "formats/settings_file.h"

#include <algorithm>
#include <fcntl.h>
#include <regex>
#include <unistd.h>

namespace vantrel::test {
namespace {

namespace fs = std::filesystem;

class CliUsers : public CliTest {
protected:
    // Creates the user as the program's user creation does.
    void CreateUser(const std::string& nameUtf8, const std::string& passwordUtf8) {
        TCryptLib cipher;
        ConfigureProgramCipher(cipher, Utf8ToCp1251(passwordUtf8));
        WriteSetting("UsersName", Utf8ToCp1251(nameUtf8), cipher.MakePasswordCheck(), Settings());
    }
    fs::path Settings() const { return SettingsFilePath(folder_.path()); }
    RunResult Check(const std::string& name, const std::string& typed) {
        return RunProgram({"check-user", Settings().string(), name, "--password-stdin"}, typed);
    }
};

TEST_F(CliUsers, CheckUserAnswersYesOrNo) {
    CreateUser("Иван", "пароль");
    CreateUser("blank", " pw ");
    CreateUser("empty", "");

    const RunResult yes = Check("Иван", "пароль\n");
    EXPECT_EQ(yes.exitCode, 0) << yes.err;
    EXPECT_EQ(yes.out, "The password matches.\n");
    EXPECT_EQ(Check("иВАН", "пароль\n").exitCode, 0); // names ignore letter case

    const RunResult no = Check("Иван", "Пароль\n");
    EXPECT_EQ(no.exitCode, 1);
    EXPECT_EQ(no.out, "The user name and the password do not match.\n");
    EXPECT_EQ(no.err, "");
    EXPECT_EQ(Check("Пётр", "пароль\n").exitCode, 1); // no such user

    // Passwords are never trimmed.
    EXPECT_EQ(Check("blank", " pw \n").exitCode, 0);
    EXPECT_EQ(Check("blank", "pw\n").exitCode, 1);
    EXPECT_EQ(Check("empty", "\n").exitCode, 0);
    EXPECT_EQ(Check("empty", " \n").exitCode, 1);
}

TEST_F(CliUsers, ProtectUserReplacesTheCheckStringAndCheckUserReadsBothForms) {
    CreateUser("Иван", "пароль");
    CreateUser("Пётр", "другой");
    const std::string classic = ReadSetting("UsersName", Utf8ToCp1251("Иван"), Settings());
    const auto protect = [this](const std::string& typed) {
        return RunProgram({"protect-user", Settings().string(), "Иван", "--password-stdin"}, typed);
    };
    const RunResult wrong = protect("Пароль\n");
    EXPECT_EQ(wrong.exitCode, 3);
    EXPECT_EQ(ReadSetting("UsersName", Utf8ToCp1251("Иван"), Settings()), classic);

    const RunResult done = protect("пароль\n");
    EXPECT_EQ(done.exitCode, 0) << done.err;
    const std::string verifier = ReadSetting("UsersName", Utf8ToCp1251("Иван"), Settings());
    EXPECT_EQ(verifier.rfind("$argon2id$v=19$m=65536,t=3,p=1$", 0), 0u) << verifier;
    EXPECT_EQ(Check("Иван", "пароль\n").exitCode, 0);
    EXPECT_EQ(Check("Иван", "Пароль\n").exitCode, 1);
    EXPECT_EQ(Check("Пётр", "другой\n").exitCode, 0); // the other user is untouched
    const RunResult again = protect("пароль\n");
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.out, "The user is protected already.\n");
}

TEST_F(CliUsers, MissingSettingsFileIsAFailureNotANo) {
    const RunResult r = Check("x", "pw\n");
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find(Settings().string()), std::string::npos) << r.err;
}

TEST_F(CliUsers, PasswordLengthCountsCharactersNotBytes) {
    CreateUser("long", "абвгдеёжзийк"); // 12 Cyrillic letters: 24 UTF-8 bytes, 12 in 1251
    EXPECT_EQ(Check("long", "абвгдеёжзийк\n").exitCode, 0);

    for (const std::string typed : {"1234567890123\n", "абвгдеёжзийкл\n"}) {
        const RunResult r = Check("long", typed);
        EXPECT_EQ(r.exitCode, 3);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "vantrel-cli: TCryptLib.Password is too long\n");
    }
}

TEST_F(CliUsers, PasswordOutside1251IsRefused) {
    CreateUser("u", "pw");
    const RunResult r = Check("u", "pw☃\n");
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.err.find("☃"), std::string::npos);
    EXPECT_NE(r.err.find("Windows-1251"), std::string::npos) << r.err;

    const RunResult empty = Check("u", "");
    EXPECT_EQ(empty.exitCode, 3);
    EXPECT_EQ(empty.err, "vantrel-cli: No password on standard input\n");
}

TEST_F(CliUsers, PasswordIsTypedOnTheTerminalWithoutEcho) {
    CreateUser("tty", "s3cret");
    std::string terminal;
    const RunResult r = RunOnTerminal({"check-user", Settings().string(), "tty"}, {"Password: "},
                                      {"s3cret"}, terminal);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "The password matches.\n");
    EXPECT_NE(terminal.find("Password: "), std::string::npos);
    EXPECT_EQ(terminal.find("s3cret"), std::string::npos) << terminal;

    // Enter alone is the empty password; Ctrl+D on an empty line gives up.
    CreateUser("nopw", "");
    terminal.clear();
    EXPECT_EQ(
        RunOnTerminal({"check-user", Settings().string(), "nopw"}, {"Password: "}, {""}, terminal)
            .exitCode,
        0);
    terminal.clear();
    const RunResult gaveUp = RunOnTerminal({"check-user", Settings().string(), "nopw"},
                                           {"Password: "}, {"\x04"}, terminal);
    EXPECT_EQ(gaveUp.exitCode, 3);
    EXPECT_EQ(gaveUp.err, "vantrel-cli: No password was typed\n");

    // A new file's password is asked twice; two different answers stop it.
    // While it waits, the tool writes no core file (both limits 0, so none can
    // be switched on from outside) and, non-dumpable, cannot be read through
    // /proc by other processes of the user.
    WriteBytes(Path("in.bin"), "data");
    terminal.clear();
    int checkedPrompts = 0;
    const auto hardened = [&](pid_t pid) {
        ++checkedPrompts;
        const std::string limits = ReadBytes("/proc/" + std::to_string(pid) + "/limits");
        EXPECT_TRUE(std::regex_search(limits, std::regex("Max core file size +0 +0 "))) << limits;
        // Root may read any process; another process of the same user may
        // not read a non-dumpable one.
        if (::getuid() != 0) {
            const std::string environ = "/proc/" + std::to_string(pid) + "/environ";
            const int fd = ::open(environ.c_str(), O_RDONLY | O_CLOEXEC);
            EXPECT_LT(fd, 0) << "the tool's memory can be read through /proc";
            if (fd >= 0) {
                ::close(fd);
            }
        }
    };
    const RunResult differ =
        RunOnTerminal({"encrypt", Path("in.bin").string(), "-o", Path("out.bin").string()},
                      {"Password: ", "Repeat the password: "}, {"one", "two"}, terminal, hardened);
    EXPECT_EQ(checkedPrompts, 2);
    EXPECT_EQ(differ.exitCode, 3);
    EXPECT_EQ(differ.err, "vantrel-cli: The two passwords differ\n");
    EXPECT_FALSE(fs::exists(Path("out.bin")));
}

TEST_F(CliUsers, NoTerminalAndNoStdinOptionIsAUsageError) {
    CreateUser("u", "pw");
    const RunResult r = RunProgram({"check-user", Settings().string(), "u"}, "pw\n");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("--password-stdin"), std::string::npos) << r.err;
}

TEST(CliProgram, VersionAndHelp) {
    const RunResult version = RunProgram({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "1.0.0.7\n");

    const RunResult help = RunProgram({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* command :
         {"list", "show", "export", "import", "encrypt", "decrypt", "generate", "check-user"}) {
        EXPECT_NE(help.out.find(std::string("\n  ") + command + " "), std::string::npos) << command;
        const RunResult own = RunProgram({command, "--help"});
        EXPECT_EQ(own.exitCode, 0) << command;
        EXPECT_EQ(own.out.rfind(std::string("Usage: vantrel-cli ") + command, 0), 0u) << own.out;
        EXPECT_EQ(own.err, "");
    }
}

TEST(CliProgram, WrongUsageExitsTwoWithOneLine) {
    for (const auto& words :
         std::vector<std::vector<std::string>>{{},
                                               {"frobnicate"},
                                               {"--bogus"},
                                               {"--version", "extra"},
                                               {"list"},
                                               {"list", "a", "b"},
                                               {"list", "a", "--bogus"},
                                               {"show", "a"},
                                               {"export", "a"},
                                               {"export", "a", "-o"},
                                               {"import", "a", "-o", ""},
                                               {"encrypt", "a", "-o", "b", "--add-key", "x"},
                                               {"check-user"},
                                               {"check-user", "s", "n", "x"}}) {
        const RunResult r = RunProgram(words);
        EXPECT_EQ(r.exitCode, 2) << (words.empty() ? "(none)" : words[0]);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("vantrel-cli: ", 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

} // namespace
} // namespace vantrel::test
