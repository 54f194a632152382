// search, add, edit, rm, clip and estimate through the built program; the
// file is read back through the formats layer.
#include "cli_test_support.h"

#include "base/cp1251.h"
#include "base/file_lock.h"
#include "cipher/crypt_lib.h"
#include "formats/program_cipher.h"
#include "formats/record_file.h"
#include "health/breach_list.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <sys/stat.h>
#include <thread>

namespace vantrel::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPassword = "secret";

class CliEdit : public CliTest {
protected:
    void SetUp() override {
        // Two records share number 5; the note of 1 is the placeholder " ".
        const RecordList records = {
            {"1", {"Иван", "pw-one", "почта", "01.02.20", "  .  .  ", " "}},
            {"5", {"first five", "a", "site", "", "", "note A"}},
            {"5", {"second five", "b", "other", "", "", "note B"}},
            {"9", {"Ёлка", "pw-nine", "ФОРУМ", "", "", "зимний пароль"}},
        };
        TCryptLib cipher;
        ConfigureProgramCipher(cipher, kPassword);
        WriteRecordFile(File(), RecordFileKind::Encrypted, cipher, ToFile(records));
        chmod(File().c_str(), 0640);
    }

    fs::path File() const { return Path("records.vtr"); }

    // UTF-8 texts of the tests as the file stores them.
    static RecordList ToFile(RecordList records) {
        for (Record& record : records) {
            record.number = Utf8ToCp1251(record.number);
            for (std::string& field : record.fields) {
                field = Utf8ToCp1251(field);
            }
        }
        return records;
    }

    RecordList Records() const {
        TCryptLib cipher;
        ConfigureProgramCipher(cipher, kPassword);
        return ReadRecordFile(File(), RecordFileKind::Encrypted, cipher).records;
    }

    RunResult Run(const std::string& command, std::vector<std::string> args,
                  const std::string& input = std::string(kPassword) + "\n") const {
        args.insert(args.begin(), {command, File().string()});
        args.push_back("--password-stdin");
        return RunProgram(args, input);
    }
};

TEST_F(CliEdit, EachVerbChangesExactlyWhatItSays) {
    RunResult r = Run("add",
                      {"--name", "Пётр", "--resource", "mail.ru", "--start", "2026-01-31", "--end",
                       "31.12.2030", "--ask-password"},
                      "secret\nrecord pass\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "10\n"); // one above the highest number
    RecordList expected = Records();
    ASSERT_EQ(expected.size(), 5u);
    EXPECT_EQ(expected.back(),
              ToFile({{"10", {"Пётр", "record pass", "mail.ru", "31.01.26", "31.12.30", ""}}})[0])
        << "the note placeholder \" \" reads back trimmed";

    r = Run("add", {"--number", "a-7", "--generate", "--digits", "--min", "6", "--max", "6",
                    "--show-password"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const RecordList added = Records();
    ASSERT_EQ(added.size(), 6u);
    EXPECT_EQ(added.back().number, "a-7");
    EXPECT_EQ(r.out, "a-7\n" + added.back().fields[kFieldPassword] + "\n");
    EXPECT_EQ(added.back().fields[kFieldPassword].find_first_not_of("23456789"), std::string::npos);
    EXPECT_EQ(added.back().fields[kFieldPassword].size(), 6u);

    // edit touches only the fields given.
    r = Run("edit", {"9", "--name", "Ель", "--end", "", "--number", "90"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    expected = added;
    expected[3].number = "90";
    expected[3].fields[kFieldName] = Utf8ToCp1251("Ель");
    expected[3].fields[kFieldEndDate] = ".  ."; // "  .  .  " trimmed: the editor's empty date
    EXPECT_EQ(Records(), expected);

    // search finds by number, name, resource and note, letter case ignored,
    // never by password.
    r = Run("search", {"ёЛк"});
    EXPECT_EQ(r.exitCode, 1) << "the name was changed";
    r = Run("search", {"форум"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("90   Ель"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Иван"), std::string::npos);
    EXPECT_EQ(Run("search", {"pw-one"}).exitCode, 1);
    r = Run("search", {"NOTE"});
    EXPECT_NE(r.out.find("first five"), std::string::npos);
    EXPECT_NE(r.out.find("second five"), std::string::npos);

    r = Run("rm", {"1", "--yes"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    expected.erase(expected.begin());
    EXPECT_EQ(Records(), expected);

    struct stat info {};
    stat(File().c_str(), &info);
    EXPECT_EQ(info.st_mode & 07777, 0640u) << "the file keeps its mode";
}

TEST_F(CliEdit, AProtectedFileStaysProtected) {
    TCryptLib cipher;
    ConfigureProgramCipher(cipher, kPassword);
    WriteRecordFile(File(), RecordFileKind::Protected, cipher, Records());
    const RecordList before = Records();
    ASSERT_EQ(
        Run("add", {"--name", "new", "--ask-password"}, std::string(kPassword) + "\nrp\n").exitCode,
        0);
    ASSERT_EQ(Run("edit", {"9", "--note", "edited"}).exitCode, 0);
    ASSERT_EQ(Run("rm", {"1", "--yes"}).exitCode, 0);
    EXPECT_TRUE(ReadBytes(File()).starts_with("VTRSAFE1"));
    const RecordList after = Records();
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after[2].fields[kFieldNote], "edited");
    EXPECT_EQ(after.back().fields[kFieldName], "new");
}

TEST_F(CliEdit, RefusalsWriteNothing) {
    const std::string before = ReadBytes(File());
    struct Case {
        std::string command;
        std::vector<std::string> args;
        std::string input;
        int exitCode;
        std::string message;
    };
    const std::string pass = std::string(kPassword) + "\n";
    const Case cases[] = {
        {"add",
         {"--name", "x", "--end", "30.02.2030", "--generate", "--upper"},
         pass,
         3,
         "is no date"},
        {"add", {"--name", "日本", "--generate", "--upper"}, pass, 3, "--name"},
        {"add", {"--note", "two\nlines", "--generate", "--upper"}, pass, 3, "control character"},
        {"add", {"--number", "\tx", "--generate", "--upper"}, pass, 3, "cannot be a record"},
        {"add", {"--number", "9", "--generate", "--upper"}, pass, 3, "already"},
        {"add", {"--name", "x"}, pass, 2, "--ask-password or --generate"},
        {"add", {"--upper", "--ask-password"}, pass + "p\n", 2, "--upper needs --generate"},
        {"add", {"--ask-password"}, pass + "пароль€\x01\n", 3, "control character"},
        {"add", {"--ask-password"}, "wrong\np\n", 3, "password is wrong"},
        {"edit", {"5", "--name", "x"}, pass, 3, "'first five' (site), 'second five' (other)"},
        {"edit", {"9", "--number", "1"}, pass, 3, "already"},
        {"edit", {"404", "--name", "x"}, pass, 3, "No record numbered '404'"},
        {"edit", {"9"}, pass, 2, "nothing to change"},
        {"rm", {"5", "--yes"}, pass, 3, "2 records are numbered '5'"},
        {"rm", {"9"}, pass, 2, "no terminal"},
    };
    for (const Case& c : cases) {
        const RunResult r = Run(c.command, c.args, c.input);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.command << " " << c.args[0] << ": " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("pw-"), std::string::npos) << "no password in a message";
        EXPECT_EQ(ReadBytes(File()), before) << c.command << " " << c.args[0];
    }
}

// Writers wait for the lock the program takes around its save; each reads
// the file the one before it wrote, so no change is lost.
TEST_F(CliEdit, ConcurrentAddsAllLand) {
    std::optional<FileLock> program;
    program.emplace(File());
    constexpr int kWriters = 4;
    std::atomic<int> finished = 0;
    std::vector<std::thread> writers;
    std::vector<RunResult> results(kWriters);
    for (int i = 0; i < kWriters; ++i) {
        writers.emplace_back([&, i] {
            results[i] =
                Run("add", {"--name", "writer " + std::to_string(i), "--generate", "--lower"});
            ++finished;
        });
    }
    while (finished == 0 && LockWaiters(File()) < kWriters) {
        std::this_thread::yield();
    }
    EXPECT_EQ(finished, 0) << "a writer did not wait for the lock";
    program.reset();
    for (std::thread& writer : writers) {
        writer.join();
    }
    std::set<std::string> numbers;
    for (const RunResult& r : results) {
        EXPECT_EQ(r.exitCode, 0) << r.err;
        numbers.insert(r.out);
    }
    EXPECT_EQ(numbers, (std::set<std::string>{"10\n", "11\n", "12\n", "13\n"}));
    const RecordList records = Records();
    ASSERT_EQ(records.size(), 4u + kWriters);
    std::set<std::string> names;
    for (std::size_t row = 4; row < records.size(); ++row) {
        names.insert(records[row].fields[kFieldName]);
    }
    EXPECT_EQ(names.size(), std::size_t{kWriters});
}

TEST_F(CliEdit, RmAsksOnTheTerminal) {
    std::string shown;
    RunResult r = RunOnTerminal({"rm", File().string(), "9"}, {"Password: ", "[y/N] "},
                                {kPassword, "n"}, shown);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(shown.find("Delete record 9 'Ёлка' (ФОРУМ)?"), std::string::npos) << shown;
    EXPECT_EQ(Records().size(), 4u);
    shown.clear();
    r = RunOnTerminal({"rm", File().string(), "9"}, {"Password: ", "[y/N] "}, {kPassword, "да"},
                      shown);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Records().size(), 3u);
}

// The report lists exactly the records whose passwords the sorted list holds.
TEST_F(CliEdit, ReportFindsTheBreachedPasswords) {
    std::vector<std::string> lines;
    for (const char* password : {"a", "pw-nine", "pw-other", "b-", "A"}) {
        lines.push_back(BreachHashOfPassword(password) + ":" + std::to_string(lines.size() + 1));
    }
    std::sort(lines.begin(), lines.end());
    std::string list;
    for (const std::string& line : lines) {
        list += line + "\r\n";
    }
    WriteBytes(Path("list.txt"), list);
    RunResult r = Run("report", {"--breaches", Path("list.txt").string(), "--format", "json"});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    const nlohmann::json report = nlohmann::json::parse(r.out);
    const nlohmann::json& breached = report["groups"].back();
    EXPECT_EQ(breached["group"], "breached");
    std::vector<std::pair<std::string, int>> found;
    for (const nlohmann::json& line : breached["records"]) {
        found.emplace_back(line["name"], line["timesSeen"]);
    }
    EXPECT_EQ(found, (std::vector<std::pair<std::string, int>>{{"first five", 1}, {"Ёлка", 2}}));
    r = Run("report", {});
    EXPECT_EQ(r.out.find("Скомпрометированные"), std::string::npos) << "only with --breaches";

    WriteBytes(Path("list.txt"), list.substr(0, list.size() / 2) + "x\r\n");
    r = Run("report", {"--breaches", Path("list.txt").string()});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("is damaged"), std::string::npos) << r.err;
    r = Run("report", {"--breaches", Path("none.txt").string()}, "");
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("Cannot open the breach list"), std::string::npos) << r.err;
}

TEST(CliEstimate, VerdictBitsAndExitCode) {
    RunResult r = RunProgram({"estimate", "--password-stdin"}, "qwerty\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.starts_with("Очень слабый, ")) << r.out;
    r = RunProgram({"estimate", "--password-stdin"}, "Hv7#qLm2$wZp9!\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.starts_with("Отличный, ") && r.out.ends_with(" бит\n")) << r.out;
    r = RunProgram({"estimate", "--password-stdin"}, "\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Пароль не задан\n");
}

// An environment variable set for one test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A clipboard program that keeps the clipboard in a file: copies land in
// $FAKE_CLIPBOARD, each logged with the program's name, and the copying
// program leaves the tool's process id in $FAKE_CLIPBOARD.pid.
constexpr const char* kFakeClipboard = R"(#!/bin/sh
s="$FAKE_CLIPBOARD"
name=$(basename "$0")
case "$name $*" in
  "wl-copy --clear"|"xsel --clipboard --clear") : > "$s"; echo "$name clear" >> "$s.log";;
  wl-paste*|*-out*|*--output*) [ -s "$s" ] && cat "$s" || exit 1;;
  *) cat > "$s.new"; mv "$s.new" "$s"; echo "$name copy" >> "$s.log"; echo $PPID > "$s.pid";;
esac
)";

class CliClip : public CliEdit {
protected:
    void Install(std::initializer_list<const char*> names) {
        fs::create_directories(Path("bin"));
        for (const char* name : names) {
            WriteBytes(Path("bin") / name, kFakeClipboard);
            fs::permissions(Path("bin") / name, fs::perms::owner_all);
        }
    }
    std::string Clipboard() const { return ReadBytes(Path("clip")); }
    std::string Log() const { return ReadBytes(Path("clip.log")); }
    // The running tool's process id, once it has copied.
    pid_t WaitForCopy() const {
        while (!fs::exists(Path("clip.pid")) || ReadBytes(Path("clip.pid")).empty()) {
            std::this_thread::yield();
        }
        return static_cast<pid_t>(std::stol(ReadBytes(Path("clip.pid"))));
    }

    ScopedEnv store_{"FAKE_CLIPBOARD", Path("clip").string()};
    ScopedEnv path_{"PATH", Path("bin").string() + ":/usr/bin:/bin"};
    ScopedEnv wayland_{"WAYLAND_DISPLAY", ""};
};

TEST_F(CliClip, CopiesWaitsAndClearsOnlyItsOwnText) {
    Install({"xclip", "xsel"});
    RunResult r = Run("clip", {"9", "--seconds", "1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Log(), "xclip copy\nxclip copy\n") << "copied, then cleared with an empty copy";
    EXPECT_EQ(Clipboard(), "");
    EXPECT_EQ(r.out, "The clipboard was cleared.\n");
    EXPECT_EQ(r.out.find("pw-nine"), std::string::npos);

    // Ctrl+C ends the wait and clears at once; the name field in UTF-8.
    fs::remove(Path("clip.log"));
    fs::remove(Path("clip.pid"));
    std::thread interrupt([&] { kill(WaitForCopy(), SIGINT); });
    r = Run("clip", {"9", "--field", "name", "--seconds", "3600"});
    interrupt.join();
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Log(), "xclip copy\nxclip copy\n");
    EXPECT_EQ(Clipboard(), "");
}

TEST_F(CliClip, SomethingCopiedMeanwhileStaysAndWaylandComesFirst) {
    Install({"xclip", "wl-copy", "wl-paste"});
    ScopedEnv wayland("WAYLAND_DISPLAY", "wayland-0");
    std::thread copyElse([&] {
        const pid_t tool = WaitForCopy();
        EXPECT_EQ(Clipboard(), "pw-nine");
        WriteBytes(Path("clip"), "copied by the user");
        kill(tool, SIGINT);
    });
    const RunResult r = Run("clip", {"9", "--seconds", "3600"});
    copyElse.join();
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Log(), "wl-copy copy\n");
    EXPECT_EQ(Clipboard(), "copied by the user");
    EXPECT_NE(r.out.find("was left as it is"), std::string::npos) << r.out;
}

TEST_F(CliClip, NoClipboardProgramIsAClearError) {
    ScopedEnv path("PATH", Path("bin").string());
    const RunResult r = Run("clip", {"9"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("install wl-clipboard (Wayland), xclip or xsel"), std::string::npos);
    Install({"xsel"});
    const RunResult two = Run("clip", {"5"});
    EXPECT_EQ(two.exitCode, 3);
    EXPECT_NE(two.err.find("2 records are numbered '5'"), std::string::npos) << two.err;
    EXPECT_FALSE(fs::exists(Path("clip.log")));
}

} // namespace
} // namespace vantrel::test
