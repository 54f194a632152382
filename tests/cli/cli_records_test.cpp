// list, show, export and import through the built program.
#include "cli_test_support.h"

#include "base/cp1251.h"
#include "base/file_lock.h"
#include "cipher/crypt_lib.h"
#include "formats/program_cipher.h"
#include "formats/record_file.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <sys/stat.h>
#include <thread>

namespace vantrel::test {
namespace {

namespace fs = std::filesystem;

// A plain-text record file as a person might write it: blanks around fields,
// an empty note placeholder, an empty date, lone LF line ends, Cyrillic text.
std::string SampleText() {
    return Utf8ToCp1251("1\r\n\tИван\r\n\tпароль\\1\r\n\tпочта\r\n\t01.02.2020\r\n"
                        "\t  .  .  \r\n\t \r\n"
                        "7\n\t  spaced name  \n\tp@ss\n\tsite\n\t\n\t\n\tзаметка\n"
                        "12\r\n\tonly two\r\n\tfields\r\n");
}

mode_t Mode(const fs::path& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

class CliRecords : public CliTest {
protected:
    // Imports SampleText() as "records.vtr" under `password`.
    void Import(const std::string& password = "secret") {
        WriteBytes(Path("in.txt"), SampleText());
        const RunResult r = RunProgram({"import", Path("in.txt").string(), "-o",
                                        Path("records.vtr").string(), "--password-stdin"},
                                       password + "\n");
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
    }
};

TEST_F(CliRecords, ImportListExportRoundTrip) {
    Import();
    // The encrypted file is what the program's own save writes.
    TCryptLib cipher;
    ConfigureProgramCipher(cipher, "secret");
    const RecordList expected = ParseRecordText(SampleText());
    WriteRecordFile(Path("reference.vtr"), RecordFileKind::Encrypted, cipher, expected);
    EXPECT_EQ(ReadBytes(Path("records.vtr")), ReadBytes(Path("reference.vtr")));
    EXPECT_EQ(Mode(Path("records.vtr")), 0600u);
    TCryptLib reader;
    ConfigureProgramCipher(reader, "secret");
    EXPECT_TRUE(ReadRecordFile(Path("records.vtr"), RecordFileKind::Encrypted, reader).plausible);
    ConfigureProgramCipher(reader, "Secret");
    EXPECT_FALSE(ReadRecordFile(Path("records.vtr"), RecordFileKind::Encrypted, reader).plausible);
    // An empty list imported is an empty file, which is no cause for doubt.
    WriteBytes(Path("empty.txt"), "");
    const RunResult empty = RunProgram({"import", Path("empty.txt").string(), "-o",
                                        Path("empty.vtr").string(), "--password-stdin"},
                                       "secret\n");
    ASSERT_EQ(empty.exitCode, 0) << empty.err;
    ConfigureProgramCipher(reader, "secret");
    EXPECT_TRUE(ReadRecordFile(Path("empty.vtr"), RecordFileKind::Encrypted, reader).plausible);

    const RunResult exported = RunProgram({"export", Path("records.vtr").string(), "--output",
                                           Path("out.txt").string(), "--password-stdin"},
                                          "secret\n");
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    // Equal to the input after the reading rules' trimming, in CR LF form.
    EXPECT_EQ(ReadBytes(Path("out.txt")), FormatRecordText(expected));
    EXPECT_NE(ReadBytes(Path("out.txt")).find("\t\xEF\xE0\xF0\xEE\xEB\xFC\\1\r\n"),
              std::string::npos); // "пароль\1" in 1251
    EXPECT_EQ(Mode(Path("out.txt")), 0600u);
}

// Records out as comma-separated values and back in, into a new file or
// added to an existing one; a character a record file cannot hold writes
// nothing unless it may become "?".
TEST_F(CliRecords, CsvExportAndImport) {
    Import();
    TCryptLib reader;
    ConfigureProgramCipher(reader, "secret");
    const RecordList sample =
        ReadRecordFile(Path("records.vtr"), RecordFileKind::Encrypted, reader).records;
    const auto run = [&](std::vector<std::string> args) {
        args.push_back("--password-stdin");
        return RunProgram(args, "secret\n");
    };
    RunResult r = run({"export", Path("records.vtr").string(), "-o", Path("out.csv").string(),
                       "--format", "csv", "--layout", "keepassxc"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Mode(Path("out.csv")), 0600u);
    EXPECT_TRUE(ReadBytes(Path("out.csv")).starts_with("\"Group\",\"Title\",\"Username\""));

    r = run({"import-csv", Path("out.csv").string(), "-o", Path("back.vtr").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Records added: 3\n");
    const RecordList back =
        ReadRecordFile(Path("back.vtr"), RecordFileKind::Encrypted, reader).records;
    ASSERT_EQ(back.size(), sample.size());
    for (std::size_t i = 0; i < back.size(); ++i) {
        EXPECT_EQ(back[i].number, std::to_string(i + 1)) << "numbered anew";
        for (const std::size_t field : {kFieldName, kFieldPassword, kFieldResource}) {
            // The sample's last record has only two fields.
            const std::string given =
                field < sample[i].fields.size() ? sample[i].fields[field] : std::string();
            EXPECT_EQ(back[i].fields[field], given) << i << "/" << field;
        }
    }

    // Added after the highest number of the file it goes into.
    WriteBytes(Path("more.csv"), "name,url,username,password,note\nS,s.example,\"a,b\",p,n\n");
    r = run({"import-csv", Path("more.csv").string(), "--into", Path("records.vtr").string(), "-o",
             Path("records.vtr").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const RecordList added =
        ReadRecordFile(Path("records.vtr"), RecordFileKind::Encrypted, reader).records;
    ASSERT_EQ(added.size(), sample.size() + 1);
    EXPECT_EQ(added.back(),
              (Record{"13", {"a,b", "p", "s.example", "", "", Utf8ToCp1251("n ¶ name: S")}}));

    // A protected file stays protected when records are added to it.
    r = run(
        {"import-csv", Path("more.csv").string(), "-o", Path("safe.vtr").string(), "--protected"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = run({"import-csv", Path("more.csv").string(), "--into", Path("safe.vtr").string(), "-o",
             Path("safe.vtr").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(ReadBytes(Path("safe.vtr")).starts_with("VTRSAFE1"));
    r = run({"list", Path("safe.vtr").string()});
    EXPECT_NE(r.out.find("\n2 "), std::string::npos) << r.out;

    WriteBytes(Path("odd.csv"), "name,url,username,password,note\nS,s,u,p😀,n\n");
    r = run({"import-csv", Path("odd.csv").string(), "-o", Path("odd.vtr").string()});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("line 2, column \"password\""), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(Path("odd.vtr")));
    r = run({"import-csv", Path("odd.csv").string(), "-o", Path("odd.vtr").string(),
             "--replace-unstorable"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("line 2, column \"password\""), std::string::npos) << r.out;

    // A layout that cannot be written is a usage error before any password.
    r = RunProgram({"export", Path("records.vtr").string(), "-o", Path("ff.csv").string(),
                    "--format", "csv", "--layout", "firefox"});
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_FALSE(fs::exists(Path("ff.csv")));
}

TEST_F(CliRecords, ListShowsATableAndHidesPasswords) {
    Import();
    const RunResult hidden =
        RunProgram({"list", Path("records.vtr").string(), "--password-stdin"}, "secret\n");
    ASSERT_EQ(hidden.exitCode, 0) << hidden.err;
    EXPECT_EQ(hidden.out, "No.  Name         Resource  Start       End   Note\n"
                          "1    Иван         почта     01.02.2020  .  .\n"
                          "7    spaced name  site                        заметка\n"
                          "12   only two\n");
    EXPECT_EQ(hidden.out.find("пароль"), std::string::npos);
    EXPECT_EQ(hidden.out.find("p@ss"), std::string::npos);

    const RunResult shown = RunProgram(
        {"list", "--show-passwords", Path("records.vtr").string(), "--password-stdin"}, "secret\n");
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_EQ(shown.out.substr(0, shown.out.find('\n')),
              "No.  Name         Password  Resource  Start       End   Note");
    EXPECT_NE(shown.out.find("Иван         пароль\\1  почта"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("12   only two     fields\n"), std::string::npos) << shown.out;
}

TEST_F(CliRecords, ShowPrintsEveryFieldOfTheRecord) {
    WriteBytes(
        Path("plain.txt"),
        Utf8ToCp1251("5\r\n\tname\r\n\tпароль\r\n\tres\r\n\ts\r\n\te\r\n\tnote\r\n\tseventh\r\n"
                     "6\r\n\tother\r\n"));
    const RunResult r = RunProgram({"show", "--plain", Path("plain.txt").string(), "5"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "No.:       5\n"
                     "Name:      name\n"
                     "Password:  пароль\n"
                     "Resource:  res\n"
                     "Start:     s\n"
                     "End:       e\n"
                     "Note:      note\n"
                     "Field 7:   seventh\n");

    const RunResult missing = RunProgram({"show", "--plain", Path("plain.txt").string(), "9"});
    EXPECT_EQ(missing.exitCode, 3);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err,
              "vantrel-cli: No record numbered '9' in " + Path("plain.txt").string() + "\n");
}

TEST_F(CliRecords, HostileTextCannotReachTheTerminal) {
    WriteBytes(Path("evil.txt"), "1\x1b]0;owned\x07\r\n\tname\x1b[2J!\r\n\tpw\x9b"
                                 "31m\r\n\tres\x7f\r\n");
    const RunResult r =
        RunProgram({"list", "--plain", "--show-passwords", Path("evil.txt").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
    EXPECT_EQ(r.out.find('\x07'), std::string::npos);
    EXPECT_EQ(r.out.find('\x7f'), std::string::npos);
    EXPECT_EQ(r.out.find("\xc2\x9b"), std::string::npos); // no C1 control either
    EXPECT_NE(r.out.find("1\\x1b]0;owned\\x07"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("name\\x1b[2J!"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("res\\x7f"), std::string::npos) << r.out;
}

TEST_F(CliRecords, WrongPasswordStopsEveryRecordCommandUnlessForced) {
    Import("secret");
    const std::string file = Path("records.vtr").string();
    const std::string out = Path("out.txt").string();
    const std::vector<std::vector<std::string>> commands = {
        {"list", file},
        {"show", file, "1"},
        {"report", file, "--format", "json"},
        {"export", file, "-o", out},
    };
    for (std::vector<std::string> args : commands) {
        SCOPED_TRACE(args[0]);
        args.push_back("--password-stdin");
        const RunResult r = RunProgram(args, "wrong\n");
        EXPECT_EQ(r.exitCode, 3);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "vantrel-cli: " + file +
                             " does not decrypt into a record file: the password is wrong or the "
                             "file is damaged (--force goes on all the same)\n");
        EXPECT_FALSE(fs::exists(out));

        args.push_back("--force");
        const RunResult forced = RunProgram(args, "wrong\n");
        EXPECT_EQ(forced.err.find("does not decrypt"), std::string::npos) << forced.err;
        EXPECT_EQ(forced.out.find("Иван"), std::string::npos);
    }
    EXPECT_TRUE(fs::exists(out));
}

// Whether some process waits for the flock of the file with this inode.
bool SomeoneWaitsForLock(const fs::path& path) {
    return LockWaiters(path) > 0;
}

// The program holds the file's lock between its check of the file and its
// save; the tool waits, and then writes the file that is there by then.
TEST_F(CliRecords, ReplacingARecordFileWaitsForTheProgramsLock) {
    Import();
    const fs::path target = Path("records.vtr");
    std::optional<FileLock> program;
    program.emplace(target);
    ASSERT_TRUE(program->held());

    std::atomic<bool> done = false;
    RunResult forced;
    std::thread tool([&] {
        forced = RunProgram({"import", Path("in.txt").string(), "-o", target.string(),
                             "--password-stdin", "--force"},
                            "other\n");
        done = true;
    });
    bool waiting = false;
    while (!done && !(waiting = SomeoneWaitsForLock(target))) {
        std::this_thread::yield();
    }
    EXPECT_TRUE(waiting) << "the tool wrote without the lock";
    // The program's save under its lock renames a new file over the name.
    const fs::path saved = Path("saved.vtr");
    WriteBytes(saved, "the program's save");
    fs::rename(saved, target);
    EXPECT_EQ(ReadBytes(target), "the program's save");
    program.reset();
    tool.join();
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_NE(ReadBytes(target), "the program's save");
    TCryptLib cipher;
    ConfigureProgramCipher(cipher, "other");
    EXPECT_EQ(ReadRecordFile(target, RecordFileKind::Encrypted, cipher).records,
              ParseRecordText(SampleText()));
}

TEST_F(CliRecords, ExistingOutputIsRefusedWithoutForce) {
    Import();
    WriteBytes(Path("keep.txt"), "precious");
    WriteBytes(Path("keep.vtr"), "precious");
    chmod(Path("keep.txt").c_str(), 0644);
    chmod(Path("keep.vtr").c_str(), 0644);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"export", Path("records.vtr").string(), "-o", Path("keep.txt").string()},
             {"import", Path("in.txt").string(), "-o", Path("keep.vtr").string()}}) {
        auto withStdin = args;
        withStdin.push_back("--password-stdin");
        const RunResult refused = RunProgram(withStdin, "secret\n");
        EXPECT_EQ(refused.exitCode, 3) << args[0];
        EXPECT_NE(refused.err.find(args[3]), std::string::npos) << refused.err;
        EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
        EXPECT_EQ(ReadBytes(args[3]), "precious");

        withStdin.push_back("--force");
        const RunResult forced = RunProgram(withStdin, "secret\n");
        EXPECT_EQ(forced.exitCode, 0) << forced.err;
    }
    EXPECT_EQ(ReadBytes(Path("keep.txt")), FormatRecordText(ParseRecordText(SampleText())));
    EXPECT_NE(ReadBytes(Path("keep.vtr")), "precious");
    // Plain text never inherits a wider mode; the encrypted file keeps its own.
    EXPECT_EQ(Mode(Path("keep.txt")), 0600u);
    EXPECT_EQ(Mode(Path("keep.vtr")), 0644u);
}

TEST_F(CliRecords, ReportAnswersWithExitCodesAndJson) {
    Import();
    const RunResult table =
        RunProgram({"report", Path("records.vtr").string(), "--password-stdin"}, "secret\n");
    EXPECT_EQ(table.exitCode, 1) << table.err;
    // "пароль\1" is a Russian word and one more character.
    EXPECT_EQ(table.out.rfind("Слабые: 3\nNo.  Name         Resource  Reason\n"
                              "1    Иван         почта     Очень слабый, ",
                              0),
              0u)
        << table.out;
    EXPECT_NE(table.out.find("\nПустой пароль: 0\n"), std::string::npos) << table.out;
    EXPECT_EQ(table.out.find("p@ss"), std::string::npos) << "passwords stay hidden";

    const RunResult json = RunProgram({"report", Path("records.vtr").string(), "--format=json",
                                       "--show-passwords", "--password-stdin"},
                                      "secret\n");
    EXPECT_EQ(json.exitCode, 1) << json.err;
    const auto document = nlohmann::json::parse(json.out);
    EXPECT_EQ(json.out, document.dump(2) + "\n") << "written piecewise as the whole document";
    EXPECT_EQ(document["recordCount"], 3);
    std::vector<std::string> keys;
    for (const auto& group : document["groups"]) {
        keys.push_back(group["group"]);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"weak", "reused", "expired", "empty"}));
    const auto& weak = document["groups"][0]["records"];
    ASSERT_EQ(weak.size(), 3u);
    EXPECT_EQ(weak[0]["number"], "1");
    EXPECT_EQ(weak[0]["password"], "пароль\\1");
    EXPECT_EQ(weak[1]["password"], "p@ss");
    EXPECT_EQ(weak[2]["password"], "fields");
    EXPECT_LT(weak[0]["bits"].get<double>(), document["weakBelowBits"].get<double>());
    EXPECT_TRUE(document["groups"][3]["records"].empty());

    // Nothing found: exit code 0, also for a file without records.
    const std::pair<std::string, std::string> clean[] = {
        {"clean.txt", "1\r\n\tivan\r\n\thJ7(kL2=pQ9@\r\n\tsite\r\n\t  .  .  \r\n\t  .  .  \r\n"},
        {"empty.txt", ""}};
    for (const auto& [name, text] : clean) {
        WriteBytes(Path(name), text);
        const RunResult r =
            RunProgram({"report", "--plain", Path(name).string(), "--format", "json"});
        EXPECT_EQ(r.exitCode, 0) << name << r.err;
        const auto document = nlohmann::json::parse(r.out);
        EXPECT_EQ(document["found"], 0) << name;
        EXPECT_EQ(r.out, document.dump(2) + "\n");
    }
    EXPECT_EQ(
        RunProgram({"report", "--plain", Path("empty.txt").string(), "--format", "csv"}).exitCode,
        2);
}

// Reused sets that interleave in the list are printed set by set from records
// found again in several walks over the file; every line must show its own record.
TEST_F(CliRecords, ReportOfInterleavedReusedSetsShowsEachLinesOwnRecord) {
    constexpr int kRecords = 3000, kSets = 3;
    std::string text;
    for (int i = 0; i < kRecords; ++i) {
        text += std::to_string(i + 1) + "\r\n\tuser" + std::to_string(i) + "\r\n\tZq8#Lw" +
                std::to_string(i % kSets) + "!tR5@xV\r\n\tsite\r\n";
    }
    WriteBytes(Path("many.txt"), text);
    const RunResult json = RunProgram(
        {"report", "--plain", Path("many.txt").string(), "--format=json", "--show-passwords"});
    ASSERT_EQ(json.exitCode, 1) << json.err;
    const auto reused = nlohmann::json::parse(json.out)["groups"][1]["records"];
    ASSERT_EQ(reused.size(), std::size_t{kRecords});
    std::vector<std::string> numbers;
    for (std::size_t place = 0; place < reused.size(); ++place) {
        const auto& line = reused[place];
        const int set = static_cast<int>(place) / (kRecords / kSets);
        const int row = set + kSets * (static_cast<int>(place) % (kRecords / kSets));
        ASSERT_EQ(line["number"], std::to_string(row + 1)) << place;
        EXPECT_EQ(line["name"], "user" + std::to_string(row)) << place;
        EXPECT_EQ(line["set"], set + 1) << place;
        EXPECT_EQ(line["password"].get<std::string>().substr(6, 1), std::to_string(set)) << place;
        numbers.push_back(line["number"]);
    }
    const RunResult table = RunProgram({"report", "--plain", Path("many.txt").string()});
    std::istringstream lines(table.out.substr(table.out.find("Повторяющиеся: ")));
    std::string line;
    std::getline(lines, line);
    std::getline(lines, line); // the header
    for (const std::string& number : numbers) {
        ASSERT_TRUE(std::getline(lines, line));
        ASSERT_EQ(line.substr(0, line.find(' ')), number);
    }
}

TEST_F(CliRecords, MissingInputNamesTheFileBeforeAskingThePassword) {
    const RunResult r = RunProgram({"list", Path("nowhere.vtr").string()}); // no terminal, no stdin
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.err.rfind("vantrel-cli: Cannot open file " + Path("nowhere.vtr").string(), 0), 0u)
        << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
}

// Every file error names the file and the reason; an argument that is not
// UTF-8 is shown escaped.
TEST_F(CliRecords, FileErrorsOfEveryCommandSayWhy) {
    Import();
    fs::create_directory(Path("folder"));
    const std::string missing = Path("none").string() + "/out";
    const std::string noFile = ": No such file or directory\n";
    const std::string isFolder = ": Is a directory\n";
    const std::string records = Path("records.vtr").string();
    const std::string folder = Path("folder").string();
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"list", folder}, "Cannot open file " + folder + isFolder},
        {{"show", records + "\xff", "1"}, "Cannot open file " + records + "\\xff" + noFile},
        {{"export", records, "-o", missing}, "Cannot create file " + missing + noFile},
        {{"export", records, "-o", folder, "--force"}, "Cannot create file " + folder + isFolder},
        {{"import", Path("in.txt").string(), "-o", missing},
         "Cannot create file " + missing + noFile},
        {{"encrypt", Path("in.txt").string(), "-o", missing},
         "Cannot create file " + missing + noFile},
        {{"decrypt", folder, "-o", Path("x").string()}, "Cannot open file " + folder + isFolder},
        {{"check-user", Path("VTR.ini").string(), "u"},
         "Cannot open file " + Path("VTR.ini").string() + noFile},
    };
    for (const Case& c : cases) {
        auto args = c.args;
        args.push_back("--password-stdin");
        const RunResult r = RunProgram(args, "secret\n");
        EXPECT_EQ(r.exitCode, 3) << c.args[0];
        EXPECT_EQ(r.err, "vantrel-cli: " + c.err);
    }
}

TEST_F(CliRecords, EndlessInputsFifosDevicesAndDanglingLinks) {
    const RunResult endless = RunProgram({"list", "--plain", "/dev/zero"});
    EXPECT_EQ(endless.exitCode, 3);
    EXPECT_EQ(endless.err,
              "vantrel-cli: Cannot read more than 256 MiB of /dev/zero: File too large\n");

    // A FIFO is read by the one open that also proved it readable.
    const fs::path fifo = Path("records.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // The writer is a process of its own: a reader that gave up would kill it
    // with SIGPIPE, not the test.
    std::thread writer([&] {
        const std::string command = "printf '1\\r\\n\\tfrom the pipe\\r\\n' > " + fifo.string();
        EXPECT_EQ(std::system(command.c_str()), 0);
    });
    const RunResult piped =
        RunProgram({"list", "--plain", fifo.string()}, "", std::chrono::seconds(20));
    writer.join();
    EXPECT_EQ(piped.exitCode, 0) << piped.err;
    EXPECT_NE(piped.out.find("from the pipe"), std::string::npos) << piped.out;

    Import();
    const std::vector<std::string> exportTo = {"export", Path("records.vtr").string(),
                                               "--password-stdin", "--force", "-o"};
    auto toDevice = exportTo;
    toDevice.push_back("/dev/null");
    const RunResult device = RunProgram(toDevice, "secret\n");
    EXPECT_EQ(device.exitCode, 3);
    EXPECT_EQ(device.err, "vantrel-cli: Cannot create file /dev/null: Not a regular file (a "
                          "device, a pipe or a socket is never replaced)\n");

    // A link whose target is missing leads to the file to create.
    fs::create_symlink("made.txt", Path("link.txt"));
    auto toLink = exportTo;
    toLink.push_back(Path("link.txt").string());
    const RunResult linked = RunProgram(toLink, "secret\n");
    EXPECT_EQ(linked.exitCode, 0) << linked.err;
    EXPECT_TRUE(fs::is_symlink(Path("link.txt")));
    EXPECT_EQ(ReadBytes(Path("made.txt")), FormatRecordText(ParseRecordText(SampleText())));
}

TEST_F(CliRecords, FailedWriteLeavesNothingBehind) {
    Import();
    fs::create_directory(Path("folder"));
    WriteBytes(Path("folder") / "inside", "x");
    const RunResult r = RunProgram({"export", Path("records.vtr").string(), "-o",
                                    Path("folder").string(), "--force", "--password-stdin"},
                                   "secret\n");
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find(Path("folder").string()), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(Path("folder") / "inside"), "x");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"folder", "in.txt", "records.vtr"}));
}

} // namespace
} // namespace vantrel::test
