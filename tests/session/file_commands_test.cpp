#include "session/file_commands.h"

#include "base/cp1251.h"
#include "formats/csv_records.h"
#include "formats/program_cipher.h"
#include "formats/record_file.h"
#include "formats/settings_file.h"
#include "session/csv_commands.h"
#include "session/main_commands.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <functional>
#include <random>

namespace vantrel {
namespace {

using test::ReadBytes;
using test::ScriptedPrompts;
using test::WriteBytes;
using Answer = Prompts::Answer;

Record makeRecord(const std::string& number, const std::string& name, const std::string& note) {
    return {number, {name, "pw" + number, "site", "01.02.24", "  .  .  ", note}};
}

// Makes a folder immutable (even root cannot create files in it) for the
// lifetime of the guard.
class ImmutableFolder {
public:
    explicit ImmutableFolder(const std::filesystem::path& folder) : folder_(folder) {
        ok_ = setFlag(true);
    }
    ~ImmutableFolder() {
        if (ok_) {
            setFlag(false);
        }
    }
    bool ok() const { return ok_; }

private:
    bool setFlag(bool on) {
        const int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
        if (fd < 0) {
            return false;
        }
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return done;
    }
    std::filesystem::path folder_;
    bool ok_ = false;
};

class FileCommandsTest : public ::testing::Test {
protected:
    FileCommandsTest() {
        session.setProgramDirectory(dir.path() / "");
        session.cipher().SetPassword("secret");
        session.logIn(Utf8ToCp1251("Иван"));
        files.onCaptionChanged = [this](const std::string& caption) {
            captions.push_back(caption);
        };
        session.replaceAll(startRecords());
        session.addObserver(&loads);
    }

    std::string remembered() {
        return ReadSetting("UsersFiles", session.userName(), session.settingsFile());
    }
    // The records as a load gives them back (fields trimmed).
    RecordList readBack(const std::filesystem::path& path) {
        TCryptLib cipher;
        ConfigureProgramCipher(cipher, "secret");
        return ReadRecordFile(path, RecordFileKind::Encrypted, cipher).records;
    }
    // The starting records as a load gives them back: the empty date loses
    // its blanks at both ends.
    static RecordList trimmedRecords() {
        RecordList records = startRecords();
        for (Record& record : records) {
            record.fields[kFieldEndDate] = ".  .";
        }
        return records;
    }
    static RecordList startRecords() {
        return {makeRecord("1", Utf8ToCp1251("Пётр"), "note one"),
                makeRecord("2", "alice", Utf8ToCp1251("заметка"))};
    }

    ~FileCommandsTest() override { session.removeObserver(&loads); }

    // Counts the loads that replaced the session's list.
    struct LoadCounter : SessionObserver {
        int count = 0;
        void recordsReset() override { ++count; }
    };

    test::TempFolder dir;
    Session session;
    ScriptedPrompts prompts;
    FileCommands files{session, prompts};
    std::vector<std::string> captions;
    LoadCounter loads;
};

TEST_F(FileCommandsTest, SaveAsEncryptedNameBecomesCurrentRememberedAndClearsFlag) {
    const auto path = dir / "records.vtr";
    session.setModified(true);
    prompts.fileNames = {path};
    files.FileSaveAsCmdExecute();

    EXPECT_EQ(session.currentFile(), path);
    EXPECT_FALSE(session.modified());
    EXPECT_EQ(remembered(), path.string());
    ASSERT_EQ(captions.size(), 1u);
    EXPECT_EQ(captions.back(), "Vantrel - " + path.string());
    EXPECT_NE(ReadBytes(path), FormatRecordText(session.records())) << "must be encrypted";
    EXPECT_EQ(readBack(path), trimmedRecords());
    EXPECT_EQ(prompts.log, std::vector<std::string>{"save"});
}

TEST_F(FileCommandsTest, OpenEncryptedReplacesListRemembersAndSetsCaption) {
    const auto path = dir / "records.vtr";
    WriteRecordFile(path, RecordFileKind::Encrypted, session.cipher(), session.records());
    const RecordList expected = trimmedRecords();
    session.replaceAll({makeRecord("9", "other", "x")});
    loads.count = 0;

    prompts.fileNames = {path};
    files.FileOpenCmdExecute();

    EXPECT_EQ(session.records(), expected);
    EXPECT_EQ(loads.count, 1);
    EXPECT_EQ(session.currentFile(), path);
    EXPECT_EQ(remembered(), path.string());
    EXPECT_EQ(captions.back(), "Vantrel - " + path.string());
    EXPECT_FALSE(session.modified());
    EXPECT_TRUE(prompts.exhausted());
}

TEST_F(FileCommandsTest, UpperCaseTxtIsAnEncryptedFile) {
    const auto path = dir / "records.TXT";
    WriteRecordFile(path, RecordFileKind::Encrypted, session.cipher(), session.records());
    const RecordList expected = trimmedRecords();
    session.replaceAll({});

    prompts.fileNames = {path};
    files.FileOpenCmdExecute(); // no wipe question: none is scripted

    EXPECT_EQ(session.records(), expected);
    EXPECT_EQ(remembered(), path.string());
    EXPECT_TRUE(std::filesystem::exists(path));
}

TEST_F(FileCommandsTest, OpenTxtOffersWipeThenSaveAsksForAnEncryptedName) {
    const auto path = dir / "import.txt";
    WriteBytes(path, "7\n\tname\n\tpass\n");
    prompts.fileNames = {path};
    prompts.answers = {Answer::Ok};
    files.FileOpenCmdExecute();

    ASSERT_EQ(session.records().size(), 1u);
    EXPECT_EQ(session.records()[0], (Record{"7", {"name", "pass"}}));
    EXPECT_EQ(prompts.log, (std::vector<std::string>{
                               "open", "confirm: Уничтожить незашифрованную копию файла?"}));
    EXPECT_EQ(prompts.lastButtons, Prompts::Buttons::OkCancel);
    EXPECT_FALSE(std::filesystem::exists(path)) << "the plain copy is wiped";
    EXPECT_EQ(session.currentFile(), path);
    EXPECT_EQ(remembered(), ReadFailureText()) << "a plain file is not remembered";

    // Save is Save As, offering the same name as an encrypted file.
    const auto encrypted = dir / "import.vtr";
    prompts.fileNames = {encrypted};
    files.FileSaveCmdExecute();
    EXPECT_EQ(prompts.suggestedNames, std::vector<std::filesystem::path>{encrypted});
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(session.currentFile(), encrypted);
    EXPECT_EQ(remembered(), encrypted.string());
    EXPECT_EQ(readBack(encrypted), session.records());
}

// Records saved encrypted under a ".txt" name (as a former Save of an import
// did) are no record text: the wipe is not offered, the reason is said.
TEST_F(FileCommandsTest, EncryptedBytesUnderATxtNameAreNeverOfferedForTheWipe) {
    const auto path = dir / "import.txt";
    WriteRecordFile(path, RecordFileKind::Encrypted, session.cipher(), session.records());
    const std::string bytes = ReadBytes(path);
    prompts.fileNames = {path};
    files.FileOpenCmdExecute();
    EXPECT_EQ(prompts.log,
              (std::vector<std::string>{"open", std::string("inform: ") + kNotRecordTextNote[0] +
                                                    path.string() + kNotRecordTextNote[1]}));
    EXPECT_EQ(ReadBytes(path), bytes);
}

TEST_F(FileCommandsTest, WipeDeclinedKeepsThePlainFile) {
    const auto path = dir / "import.txt";
    WriteBytes(path, "1\r\n\ta\r\n");
    prompts.fileNames = {path};
    prompts.answers = {Answer::Cancel};
    files.FileOpenCmdExecute();
    EXPECT_EQ(ReadBytes(path), "1\r\n\ta\r\n");
    EXPECT_EQ(session.currentFile(), path);
}

TEST_F(FileCommandsTest, SaveAsTxtWritesPlainTextWarnsAndChangesNothingElse) {
    const auto current = dir / "current.vtr";
    session.setCurrentFile(current);
    session.setModified(true);
    const auto path = dir / "export.txt";
    WriteBytes(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    prompts.fileNames = {path};
    prompts.answers = {Answer::Yes}; // replace it
    files.FileSaveAsCmdExecute();

    EXPECT_EQ(ReadBytes(path), FormatRecordText(session.records()));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u) << "plain text must not stay world-readable";
    EXPECT_EQ(prompts.suggestedNames, std::vector<std::filesystem::path>{current})
        << "the dialog offers the open file";
    EXPECT_EQ(prompts.log.back(), "inform: Внимание!\rФайл сохранен в незашифрованном виде.");
    EXPECT_TRUE(session.modified());
    EXPECT_EQ(session.currentFile(), current);
    EXPECT_EQ(remembered(), ReadFailureText());
    EXPECT_EQ(captions.back(), "Vantrel - " + path.string());
}

// Every save dialog (Save As of both kinds, the save offered before an open,
// the one of the close sequence) replaces a file that is there only when the
// user agrees; No brings the dialog back.
TEST_F(FileCommandsTest, SaveDialogsAskBeforeReplacingAFile) {
    const auto other = dir / "other.vtr";
    WriteRecordFile(other, RecordFileKind::Encrypted, session.cipher(), startRecords());
    struct Case {
        const char* what;
        std::filesystem::path target;
        std::optional<Answer> first; // the answer that leads to the dialog
        std::function<void()> command;
        std::string dialog = "save";
    };
    const Case cases[] = {
        {"save as", dir / "theirs.vtr", {}, [&] { files.FileSaveAsCmdExecute(); }},
        {"save as text", dir / "theirs.txt", {}, [&] { files.FileSaveAsCmdExecute(); }},
        {"before open", dir / "theirs.vtr", Answer::Ok,
         [&] { files.openFile(other, RecordFileKind::Encrypted); }},
        {"close", dir / "theirs.vtr", Answer::Yes,
         [&] { EXPECT_TRUE(CloseSequence(session, prompts, files, {})); }},
        {"csv export",
         dir / "theirs.csv",
         {},
         [&] { ExportListAsCsv(session, prompts); },
         "save csv"},
    };
    const auto run = [&](const Case& c, Answer replace,
                         std::deque<std::optional<std::filesystem::path>> dialogs) {
        session.setCurrentFile({});
        session.setModified(true);
        prompts.log.clear();
        prompts.answers = {replace};
        if (c.first) {
            prompts.answers.push_front(*c.first);
        }
        prompts.fileNames = std::move(dialogs);
        c.command();
        EXPECT_TRUE(prompts.exhausted());
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(c.target, "theirs");
        // No brings the dialog back; cancelled there, the file stays.
        run(c, Answer::No, {c.target, std::nullopt});
        EXPECT_EQ(ReadBytes(c.target), "theirs");
        const std::string question = std::string("confirm: ") + kReplaceQuestion[0] +
                                     c.target.string() + kReplaceQuestion[1];
        EXPECT_EQ(std::count(prompts.log.begin(), prompts.log.end(), question), 1);
        EXPECT_EQ(std::count(prompts.log.begin(), prompts.log.end(), c.dialog), 2);
        EXPECT_EQ(prompts.lastButtons, Prompts::Buttons::YesNo);
        // Yes replaces it.
        run(c, Answer::Yes, {c.target});
        EXPECT_NE(ReadBytes(c.target), "theirs");
        std::filesystem::remove(c.target);
    }
}

TEST_F(FileCommandsTest, CsvExportWritesTheChosenLayoutForTheOwnerOnly) {
    const auto file = dir / "out.csv";
    prompts.fileNames = {file};
    prompts.csvLayouts = {CsvLayout::KeePassXc};
    session.setModified(false);
    EXPECT_EQ(ExportListAsCsv(session, prompts), file);
    EXPECT_EQ(prompts.suggestedNames, std::vector<std::filesystem::path>{""});
    EXPECT_EQ(std::filesystem::status(file).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    const CsvImport back = ImportCsvRecords(ReadBytes(file), {}, {});
    EXPECT_EQ(back.layout, CsvLayout::KeePassXc);
    ASSERT_EQ(back.records.size(), 2u);
    EXPECT_EQ(back.records[0].fields[kFieldName], Utf8ToCp1251("Пётр"));
    EXPECT_EQ(back.records[1].fields[kFieldNote], Utf8ToCp1251("заметка"));
    EXPECT_FALSE(session.modified()) << "an export is no save";
}

TEST_F(FileCommandsTest, CsvImportAppendsAndAsksBeforeReplacingAnyCharacter) {
    const auto file = dir / "in.csv";
    WriteBytes(file, "name,url,username,password,note\n"
                     "Почта,mail.example.com,иван,\"p,1\",\"две\nстроки\"\n"
                     "Bank,bank.example,joe,pass😀,\n");
    session.setModified(false);
    const std::string question =
        "confirm: " + formatMessage(kCsvUnstorableQuestion, "строка 4, столбец \"password\"");
    // No: nothing is added.
    prompts.fileNames = {file};
    prompts.answers = {Answer::No};
    EXPECT_EQ(ImportCsvIntoList(session, prompts), std::nullopt);
    EXPECT_EQ(prompts.log, (std::vector<std::string>{"open csv", question}));
    EXPECT_EQ(session.records(), startRecords());
    EXPECT_FALSE(session.modified());
    // Yes: each such character becomes "?", the records follow the list's
    // highest number, and the fields are named once more.
    prompts.log.clear();
    prompts.fileNames = {file};
    prompts.answers = {Answer::Yes};
    const auto imported = ImportCsvIntoList(session, prompts);
    ASSERT_TRUE(imported);
    EXPECT_EQ(imported->added, 2u);
    EXPECT_EQ(imported->first, session.idAt(2));
    EXPECT_TRUE(session.modified());
    ASSERT_EQ(session.size(), 4u);
    EXPECT_EQ(session.records()[2], (Record{"3",
                                            {Utf8ToCp1251("иван"), "p,1", "mail.example.com", "",
                                             "", Utf8ToCp1251("две ¶ строки ¶ name: Почта")}}));
    EXPECT_EQ(session.records()[3].number, "4");
    EXPECT_EQ(session.records()[3].fields[kFieldPassword], "pass?");
    EXPECT_EQ(prompts.log.back(), std::string("inform: ") + kCsvAddedNote + "2\r\r" +
                                      kCsvReplacedNote + "строка 4, столбец \"password\"");
    EXPECT_TRUE(prompts.exhausted());
}

TEST_F(FileCommandsTest, UnsavedChangesBeforeOpen) {
    const auto path = dir / "other.vtr";
    WriteRecordFile(path, RecordFileKind::Encrypted, session.cipher(),
                    {makeRecord("5", "five", "n")});
    const RecordList before = session.records();

    // Cancel: the file is loaded all the same and the flag stays set.
    session.setModified(true);
    prompts.answers = {Answer::Cancel};
    files.openFile(path, RecordFileKind::Encrypted);
    EXPECT_EQ(prompts.log.front(), "confirm: Текущий файл не сохранен. Сохранить?");
    EXPECT_EQ(session.records().size(), 1u);
    EXPECT_TRUE(session.modified());

    // OK: saved encrypted to the chosen name (".txt" too), flag cleared, the
    // remembered file untouched.
    session.replaceAll(before);
    const auto chosen = dir / "backup.txt";
    prompts.answers = {Answer::Ok};
    prompts.fileNames = {chosen};
    files.openFile(path, RecordFileKind::Encrypted);
    EXPECT_FALSE(session.modified());
    EXPECT_EQ(readBack(chosen), trimmedRecords());
    EXPECT_EQ(remembered(), ReadFailureText());
    EXPECT_EQ(session.records()[0].number, "5");

    // OK but the save dialog cancelled: goes on without saving, flag stays.
    session.setModified(true);
    prompts.answers = {Answer::Ok};
    prompts.fileNames = {std::nullopt};
    files.openFile(path, RecordFileKind::Encrypted);
    EXPECT_TRUE(session.modified());
    EXPECT_TRUE(prompts.exhausted());
}

TEST_F(FileCommandsTest, UnreadableFileLeavesListCaptionCurrentAndRememberedFile) {
    const auto current = dir / "current.vtr";
    session.setCurrentFile(current);
    const RecordList before = session.records();
    for (const auto& bad : {dir / "missing.vtr", dir.path()}) {
        prompts.fileNames = {bad};
        try {
            files.FileOpenCmdExecute();
            ADD_FAILURE() << "no error for " << bad;
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()), "Cannot open file " + bad.string());
        }
    }
    EXPECT_EQ(session.records(), before);
    EXPECT_EQ(session.currentFile(), current);
    EXPECT_TRUE(captions.empty());
    EXPECT_EQ(loads.count, 0);
    EXPECT_EQ(remembered(), ReadFailureText());
}

TEST_F(FileCommandsTest, FailedSaveKeepsOldFileAndFlag) {
    const auto folder = dir / "locked";
    std::filesystem::create_directory(folder);
    const auto path = folder / "records.vtr";
    WriteRecordFile(path, RecordFileKind::Encrypted, session.cipher(),
                    {makeRecord("1", "old", "n")});
    const std::string oldBytes = ReadBytes(path);
    session.setCurrentFile(path);
    session.setModified(true);

    ImmutableFolder lock(folder);
    if (!lock.ok()) {
        GTEST_SKIP() << "cannot make a folder unwritable here (no immutable attribute)";
    }
    try {
        files.FileSaveCmdExecute();
        ADD_FAILURE() << "the save did not fail";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot create file " + path.string());
    }
    EXPECT_EQ(ReadBytes(path), oldBytes);
    EXPECT_TRUE(session.modified());
    EXPECT_TRUE(captions.empty());
    EXPECT_EQ(remembered(), path.string()) << "remembered before the save";
}

TEST_F(FileCommandsTest, FailedSaveAsKeepsTheCurrentFile) {
    const auto current = dir / "current.vtr";
    session.setCurrentFile(current);
    session.setModified(true);
    const auto nowhere = dir / "no-such-folder" / "x.vtr";
    prompts.fileNames = {nowhere};
    EXPECT_THROW(files.FileSaveAsCmdExecute(), Error);
    EXPECT_EQ(session.currentFile(), current);
    EXPECT_TRUE(session.modified());
    EXPECT_EQ(remembered(), ReadFailureText());
}

TEST_F(FileCommandsTest, SaveWithoutCurrentFileIsSaveAs) {
    prompts.fileNames = {std::nullopt};
    files.FileSaveCmdExecute();
    EXPECT_EQ(prompts.log, std::vector<std::string>{"save"});
    EXPECT_FALSE(std::filesystem::exists(session.settingsFile()));

    const auto path = dir / "first.vtr";
    prompts.fileNames = {path};
    session.setModified(true);
    files.FileSaveCmdExecute();
    EXPECT_EQ(session.currentFile(), path);
    EXPECT_FALSE(session.modified());
}

// Logs the progress calls; every report also tries to start the file
// commands again, which must do nothing (no dialog is scripted for them).
struct ReenteringProgress : Progress {
    FileCommands* files = nullptr;
    std::vector<std::string> log;
    std::vector<std::vector<int>> steps; // per begin
    void begin(const std::string& text) override {
        log.push_back("begin " + text);
        steps.emplace_back();
    }
    void advance(int permille) override {
        steps.back().push_back(permille);
        EXPECT_TRUE(files->busy());
        files->FileOpenCmdExecute();
        files->FileSaveCmdExecute();
        files->FileSaveAsCmdExecute();
    }
    void end() override { log.push_back("end"); }
};

TEST_F(FileCommandsTest, FileWorkReportsProgressAndRefusesCommandsMeanwhile) {
    ReenteringProgress progress;
    progress.files = &files;
    files.setProgress(&progress);
    const auto path = dir / "records.vtr";
    const auto nowhere = dir / "no-such-folder" / "x.vtr";
    prompts.fileNames = {path, path, nowhere};
    files.FileSaveAsCmdExecute();
    files.FileOpenCmdExecute();
    EXPECT_THROW(files.FileSaveAsCmdExecute(), Error);

    EXPECT_EQ(session.records(), trimmedRecords());
    EXPECT_EQ(prompts.log, (std::vector<std::string>{"save", "open", "save"}));
    EXPECT_EQ(progress.log, (std::vector<std::string>{"begin Сохранение файла records.vtr", "end",
                                                      "begin Открытие файла records.vtr", "end",
                                                      "begin Сохранение файла x.vtr", "end"}));
    ASSERT_EQ(progress.steps.size(), 3u);
    for (std::size_t work = 0; work < 2; ++work) {
        const std::vector<int>& steps = progress.steps[work];
        ASSERT_FALSE(steps.empty());
        EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
        EXPECT_GE(steps.front(), 0);
        EXPECT_EQ(steps.back(), 1000);
    }
    EXPECT_TRUE(progress.steps[2].empty()) << "the file is encrypted on its way to the disk: "
                                              "nothing is encrypted where no file can be made";
    EXPECT_FALSE(files.busy());
    EXPECT_FALSE(session.cipher().OnProgress) << "the cipher reports to nobody after the work";
}

TEST_F(FileCommandsTest, CancelledOpenChangesNothing) {
    const RecordList before = session.records();
    prompts.fileNames = {std::nullopt};
    files.FileOpenCmdExecute();
    EXPECT_EQ(session.records(), before);
    EXPECT_EQ(loads.count, 0);
    EXPECT_TRUE(session.currentFile().empty());
}

// What cannot be remembered (a path 1251 cannot hold, a settings file that
// cannot be written) never stops Open, Save or Save As: the file is read or
// written as asked and the reason is shown afterwards.
TEST_F(FileCommandsTest, FileThatCannotBeRememberedIsStillSavedAndOpened) {
    const auto unwritableSettings = [this] {
        std::filesystem::create_directory(session.settingsFile()); // in the way of the file
    };
    struct Case {
        const char* what;
        std::filesystem::path path;
        std::function<void()> setUp;
        std::string reason;
    };
    for (const Case& c : {Case{"path", dir / "日記.vtr", [] {}, "нельзя запомнить"},
                          Case{"settings", dir / "records.vtr", unwritableSettings,
                               "Unable to write to " + session.settingsFile().string()}}) {
        c.setUp();
        session.replaceAll(startRecords());
        RecordList changed = {makeRecord("3", "changed", "n")};
        changed[0].fields[kFieldEndDate] = "."; // a value a load gives back unchanged
        const auto expectReported = [&](const char* command) {
            ASSERT_FALSE(prompts.log.empty()) << c.what << " " << command;
            const std::string& shown = prompts.log.back();
            EXPECT_EQ(shown.rfind("error: ", 0), 0u) << shown;
            EXPECT_NE(shown.find(c.reason), std::string::npos) << shown;
            EXPECT_NE(shown.find("не будет открыт автоматически"), std::string::npos) << shown;
            prompts.log.clear();
        };
        session.setModified(true);
        prompts.fileNames = {c.path};
        files.FileSaveAsCmdExecute();
        expectReported("save as");
        EXPECT_EQ(readBack(c.path), trimmedRecords()) << c.what;
        EXPECT_EQ(session.currentFile(), c.path);
        EXPECT_FALSE(session.modified());

        session.replaceAll(changed);
        session.setModified(true);
        files.FileSaveCmdExecute();
        expectReported("save");
        EXPECT_EQ(readBack(c.path), changed);
        EXPECT_FALSE(session.modified());

        session.replaceAll(startRecords());
        prompts.fileNames = {c.path};
        files.FileOpenCmdExecute();
        expectReported("open");
        EXPECT_EQ(session.records(), changed);
    }
    // A Cyrillic path is fine once the settings file can be written again.
    std::filesystem::remove(session.settingsFile());
    const auto cyrillic = dir / "записи.vtr";
    prompts.fileNames = {cyrillic};
    files.FileSaveAsCmdExecute();
    EXPECT_EQ(remembered(), Utf8ToCp1251(cyrillic.string()));
}

TEST_F(FileCommandsTest, UserWithoutNameSavesWithoutRememberingAnything) {
    session.logIn("");
    const auto path = dir / "anon.vtr";
    prompts.fileNames = {path};
    files.FileSaveAsCmdExecute();
    EXPECT_EQ(readBack(path), trimmedRecords());
    EXPECT_TRUE(ReadSectionKeys("UsersFiles", session.settingsFile()).empty());
    files.FileSaveCmdExecute();
    EXPECT_FALSE(session.modified());
}

TEST_F(FileCommandsTest, EmptyListSavesAsEmptyPlainFile) {
    session.replaceAll({});
    const auto path = dir / "empty.txt";
    prompts.fileNames = {path};
    files.FileSaveAsCmdExecute();
    EXPECT_EQ(ReadBytes(path), "");
}

// A file saved under another password: the user is told before anything is
// shown, a file shown all the same is not remembered, and writing over it
// (Save, or Yes when closing) asks first. The real file survives every No.
TEST_F(FileCommandsTest, WrongPasswordFileAsksAndIsNeverOverwrittenUnasked) {
    const auto foreign = dir / "foreign.vtr";
    TCryptLib other;
    ConfigureProgramCipher(other, "another");
    WriteRecordFile(foreign, RecordFileKind::Encrypted, other, trimmedRecords());
    const std::string original = ReadBytes(foreign);
    const std::string doubtful = std::string("confirm: ") + kDoubtfulFileQuestion[0] +
                                 foreign.string() + kDoubtfulFileQuestion[1];
    const std::string overwrite = std::string("confirm: ") + kOverwriteDoubtfulQuestion[0] +
                                  foreign.string() + kOverwriteDoubtfulQuestion[1];
    prompts.fileNames = {foreign};
    prompts.answers = {Answer::No};
    files.FileOpenCmdExecute();
    EXPECT_EQ(prompts.log, (std::vector<std::string>{"open", doubtful}));
    EXPECT_EQ(prompts.lastButtons, Prompts::Buttons::YesNo);
    EXPECT_EQ(session.records(), startRecords());
    EXPECT_TRUE(session.currentFile().empty());
    EXPECT_TRUE(captions.empty());
    EXPECT_EQ(remembered(), ReadFailureText());

    prompts.fileNames = {foreign};
    prompts.answers = {Answer::Yes};
    files.FileOpenCmdExecute();
    EXPECT_NE(session.records(), startRecords());
    EXPECT_EQ(session.currentFile(), foreign);
    EXPECT_EQ(remembered(), ReadFailureText());

    session.setModified(true);
    prompts.log.clear();
    prompts.answers = {Answer::No};
    files.FileSaveCmdExecute();
    EXPECT_EQ(prompts.log, std::vector<std::string>{overwrite});
    EXPECT_EQ(ReadBytes(foreign), original);
    EXPECT_TRUE(session.modified());
    EXPECT_EQ(remembered(), ReadFailureText());

    prompts.answers = {Answer::Yes, Answer::No};
    EXPECT_FALSE(CloseSequence(session, prompts, files, {}));
    EXPECT_EQ(ReadBytes(foreign), original);

    prompts.answers = {Answer::Yes};
    files.FileSaveCmdExecute();
    EXPECT_NE(ReadBytes(foreign), original);
    EXPECT_FALSE(session.modified());
    EXPECT_EQ(remembered(), foreign.string());
    prompts.log.clear();
    files.FileSaveCmdExecute(); // written once by consent: no more questions
    EXPECT_TRUE(prompts.log.empty());
    EXPECT_TRUE(prompts.exhausted());
}

// Outside bytes of every kind open without a crash and give a consistent list.
TEST_F(FileCommandsTest, BadInputOpens) {
    std::mt19937 random(42);
    std::string noise(200000, '\0');
    for (char& c : noise) {
        c = static_cast<char>(random());
    }
    const auto noisy = dir / "noise.vtr";
    WriteBytes(noisy, noise);
    prompts.answers = {Answer::Yes, Answer::Yes}; // show them all the same
    files.openFile(noisy, RecordFileKind::Encrypted);
    EXPECT_EQ(session.currentFile(), noisy);

    // Another user's file: decrypts into meaningless records, no error.
    const auto foreign = dir / "foreign.vtr";
    TCryptLib other;
    ConfigureProgramCipher(other, "other");
    other.SetPassword("another");
    WriteRecordFile(foreign, RecordFileKind::Encrypted, other, trimmedRecords());
    files.openFile(foreign, RecordFileKind::Encrypted);
    EXPECT_NE(session.records(), trimmedRecords());
    EXPECT_TRUE(prompts.exhausted());

    // One huge line, plain and encrypted.
    const std::string huge(8 << 20, 'x');
    const auto line = dir / "line.txt";
    WriteBytes(line, huge);
    files.openFile(line, RecordFileKind::PlainText);
    ASSERT_EQ(session.records().size(), 1u);
    EXPECT_EQ(session.records()[0].number.size(), huge.size());
    const auto encrypted = dir / "line.vtr";
    EXPECT_TRUE(files.saveFile(encrypted, RecordFileKind::Encrypted));
    EXPECT_TRUE(files.openFile(encrypted, RecordFileKind::Encrypted));
    ASSERT_EQ(session.records().size(), 1u);
    EXPECT_EQ(session.records()[0].number, huge);

    // Field lines before any number line and empty lines.
    const auto odd = dir / "odd.txt";
    WriteBytes(odd, std::string("\tfield\r\n\r\n\n2\r\n\tx\0ignored", 24));
    files.openFile(odd, RecordFileKind::PlainText);
    for (const Record& record : session.records()) {
        EXPECT_LE(record.fields.size(), 1u);
    }
}

// --- changes on disk made by someone else (a sync tool, a second machine)

class DiskChangeTest : public FileCommandsTest {
protected:
    DiskChangeTest() {
        WriteRecordFile(file, RecordFileKind::Encrypted, session.cipher(), startRecords());
        prompts.fileNames = {file};
        files.FileOpenCmdExecute();
        prompts.log.clear();
        files.onStatus = [this](const std::string& note) { notes.push_back(note); };
    }
    // Another writer replaces the file (a new inode, as a sync tool's rename).
    void writeOutside(const RecordList& records, const std::string& password = "secret") {
        TCryptLib other;
        ConfigureProgramCipher(other, password);
        WriteRecordFile(file, RecordFileKind::Encrypted, other, records);
    }
    static RecordList outsideRecords() {
        RecordList records = startRecords();
        records.push_back(makeRecord("3", "bob", "from the other machine"));
        return records;
    }
    std::string changedQuestion() const {
        return std::string("disk change: ") + kDiskChangedQuestion[0] + file.string() +
               kDiskChangedQuestion[1];
    }

    const std::filesystem::path file = dir / "synced.vtr";
    std::vector<std::string> notes;
};

TEST_F(DiskChangeTest, UnchangedListIsReadAgainAtOnceKeepingTheSort) {
    session.sortBy(1);
    writeOutside(outsideRecords());
    const DiskCheck check = files.checkDisk(false);
    EXPECT_EQ(check.outcome, DiskCheck::Outcome::Reloaded);
    EXPECT_EQ(check.note, kReloadedNote);
    ASSERT_EQ(session.size(), 3u);
    // By name: "alice" < "bob" < "Пётр" (1251 bytes).
    EXPECT_EQ(session.records()[0].fields[0], "alice");
    EXPECT_EQ(session.records()[1].fields[0], "bob");
    EXPECT_FALSE(session.modified());
    EXPECT_TRUE(prompts.log.empty());
    // Read once: the next look finds nothing new.
    EXPECT_EQ(files.checkDisk(false).outcome, DiskCheck::Outcome::Unchanged);
}

TEST_F(DiskChangeTest, OwnWritesAndSameBytesAreNoChange) {
    session.setModified(true);
    files.FileSaveCmdExecute();
    EXPECT_EQ(files.checkDisk(false).outcome, DiskCheck::Outcome::Unchanged);
    // The same bytes written again (a sync tool's copy): a new inode and
    // time, no change.
    const std::string bytes = ReadBytes(file);
    std::filesystem::remove(file);
    WriteBytes(file, bytes);
    EXPECT_EQ(files.checkDisk(false).outcome, DiskCheck::Outcome::Unchanged);
    session.setModified(true);
    files.FileSaveCmdExecute();
    EXPECT_TRUE(prompts.log.empty());
    EXPECT_FALSE(session.modified());
}

TEST_F(DiskChangeTest, AnOpenEditorPutsTheReloadOff) {
    writeOutside(outsideRecords());
    const DiskCheck waiting = files.checkDisk(true);
    EXPECT_EQ(waiting.outcome, DiskCheck::Outcome::WaitingForEditor);
    EXPECT_EQ(waiting.note, kReloadLaterNote);
    EXPECT_EQ(session.size(), 2u);
    // The editor's OK changed the list meanwhile: now it is kept.
    session.setModified(true);
    EXPECT_EQ(files.checkDisk(false).outcome, DiskCheck::Outcome::KeptEdits);
    EXPECT_EQ(session.size(), 2u);
    session.setModified(false);
    EXPECT_EQ(files.checkDisk(false).outcome, DiskCheck::Outcome::Reloaded);
    EXPECT_EQ(session.size(), 3u);
}

// A changed list over a changed file: every write asks, and each answer
// leaves the other machine's file as it wrote it.
struct ChangedListCase {
    const char* name;
    Prompts::DiskChangeAnswer answer;
};

class ChangedListTest : public DiskChangeTest,
                        public ::testing::WithParamInterface<ChangedListCase> {};

TEST_P(ChangedListTest, SaveAsks) {
    ASSERT_TRUE(session.remove(session.idAt(0)));
    const RecordList mine = session.records();
    writeOutside(outsideRecords());
    const std::string theirs = ReadBytes(file);
    EXPECT_EQ(files.checkDisk(false).outcome, DiskCheck::Outcome::KeptEdits);
    EXPECT_EQ(session.records(), mine) << "a changed list is never replaced unasked";
    EXPECT_TRUE(prompts.log.empty());

    prompts.diskChangeAnswers = {GetParam().answer};
    files.FileSaveCmdExecute();
    EXPECT_EQ(prompts.log, std::vector<std::string>{changedQuestion()});
    EXPECT_EQ(ReadBytes(file), theirs);
    switch (GetParam().answer) {
    case Prompts::DiskChangeAnswer::Reload:
        EXPECT_EQ(session.size(), 3u);
        EXPECT_FALSE(session.modified());
        EXPECT_EQ(session.currentFile(), file);
        EXPECT_EQ(notes, std::vector<std::string>{kReloadedNote});
        break;
    case Prompts::DiskChangeAnswer::SaveCopy: {
        const auto copies = ConflictCopiesOf(file);
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_EQ(copies[0].filename().string().rfind("synced.conflict-", 0), 0u);
        EXPECT_EQ(copies[0].extension(), ".vtr");
        EXPECT_EQ(readBack(copies[0]), mine);
        EXPECT_EQ(session.currentFile(), copies[0]);
        EXPECT_EQ(remembered(), copies[0].string());
        EXPECT_EQ(captions.back(), "Vantrel - " + copies[0].string());
        EXPECT_FALSE(session.modified());
        break;
    }
    case Prompts::DiskChangeAnswer::Cancel:
        EXPECT_EQ(session.records(), mine);
        EXPECT_TRUE(session.modified());
        // Asked again at the next write, the close's save included.
        prompts.log.clear();
        prompts.answers = {Answer::Yes};
        prompts.diskChangeAnswers = {Prompts::DiskChangeAnswer::Cancel};
        EXPECT_FALSE(CloseSequence(session, prompts, files, {}));
        EXPECT_EQ(prompts.log.back(), changedQuestion());
        EXPECT_EQ(ReadBytes(file), theirs);
        break;
    }
    EXPECT_TRUE(prompts.exhausted());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ChangedListTest,
    ::testing::Values(ChangedListCase{"Reload", Prompts::DiskChangeAnswer::Reload},
                      ChangedListCase{"SaveCopy", Prompts::DiskChangeAnswer::SaveCopy},
                      ChangedListCase{"Cancel", Prompts::DiskChangeAnswer::Cancel}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DiskChangeTest, SaveAsOverTheChangedFileAsksAndGoesOnInTheCopy) {
    session.setModified(true);
    writeOutside(outsideRecords());
    const std::string theirs = ReadBytes(file);
    prompts.fileNames = {file};
    prompts.answers = {Answer::Yes}; // replace the file that is there
    prompts.diskChangeAnswers = {Prompts::DiskChangeAnswer::SaveCopy};
    files.FileSaveAsCmdExecute();
    EXPECT_EQ(ReadBytes(file), theirs);
    const auto copies = ConflictCopiesOf(file);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(session.currentFile(), copies[0]);
    EXPECT_EQ(remembered(), copies[0].string());
    EXPECT_FALSE(session.modified());
    // The copy is the list's own file now: saved without a question.
    session.setModified(true);
    prompts.log.clear();
    files.FileSaveCmdExecute();
    EXPECT_TRUE(prompts.log.empty());
    EXPECT_EQ(ReadBytes(file), theirs);
    EXPECT_TRUE(prompts.exhausted());
}

TEST_F(DiskChangeTest, FailedReloadKeepsListAndFlagAndTheFileIsNotWritten) {
    for (const bool modified : {false, true}) {
        SCOPED_TRACE(modified);
        writeOutside(outsideRecords(), "another"); // now under another password
        const std::string theirs = ReadBytes(file);
        session.setModified(modified);
        const DiskCheck check = files.checkDisk(false);
        EXPECT_EQ(check.outcome,
                  modified ? DiskCheck::Outcome::KeptEdits : DiskCheck::Outcome::ReloadFailed);
        EXPECT_EQ(session.records(), trimmedRecords());
        EXPECT_EQ(session.modified(), modified);
        if (!modified) {
            EXPECT_EQ(check.note.rfind(kReloadFailedNote, 0), 0u) << check.note;
        }
        // A save asks; the answer "reload" fails the same way: the error is
        // shown, nothing changes, the file stays the other writer's.
        prompts.log.clear();
        prompts.diskChangeAnswers = {Prompts::DiskChangeAnswer::Reload};
        RunCommand(prompts, [&] { files.FileSaveCmdExecute(); });
        EXPECT_EQ(prompts.log,
                  (std::vector<std::string>{changedQuestion(),
                                            std::string("error: ") + kNotRecordFileReason}));
        EXPECT_EQ(ReadBytes(file), theirs);
        EXPECT_EQ(session.records(), trimmedRecords());
        EXPECT_EQ(session.modified(), modified);
    }
}

TEST_F(DiskChangeTest, DeletedFileIsWrittenAgainOnlyAfterAQuestion) {
    std::filesystem::remove(file);
    const DiskCheck check = files.checkDisk(false);
    EXPECT_EQ(check.outcome, DiskCheck::Outcome::Gone);
    EXPECT_EQ(check.note, kGoneNote);
    EXPECT_EQ(session.size(), 2u);
    const std::string gone =
        std::string("confirm: ") + kFileGoneQuestion[0] + file.string() + kFileGoneQuestion[1];
    session.setModified(true);
    prompts.answers = {Answer::No};
    files.FileSaveCmdExecute();
    EXPECT_EQ(prompts.log, std::vector<std::string>{gone});
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_TRUE(session.modified());

    prompts.answers = {Answer::Yes};
    files.FileSaveCmdExecute();
    EXPECT_EQ(readBack(file), trimmedRecords());
    EXPECT_FALSE(session.modified());
    EXPECT_EQ(files.checkDisk(false).outcome, DiskCheck::Outcome::Unchanged);
}

TEST(ConflictCopies, NamesAndTheCopiesSyncToolsMake) {
    using std::chrono::system_clock;
    std::tm when{};
    when.tm_year = 2026 - 1900;
    when.tm_mon = 11;
    when.tm_mday = 8;
    when.tm_hour = 7;
    when.tm_min = 5;
    when.tm_sec = 9;
    when.tm_isdst = -1;
    const auto at = system_clock::from_time_t(std::mktime(&when));
    EXPECT_EQ(ConflictCopyName("/d/keys.vtr", at), "/d/keys.conflict-20261208-070509.vtr");
    EXPECT_EQ(ConflictCopyName("/d/keys", at), "/d/keys.conflict-20261208-070509");

    test::TempFolder dir;
    const char* copies[] = {
        "keys.sync-conflict-20260101-120000-ABCDEFG.vtr",
        "keys (Ivan's conflicted copy 2026-01-01).vtr",
        "keys (conflict 2026-01-01 120000).vtr",
        "keys Conflict 1.vtr",
        "keys.conflict-20261208-070509.vtr",
    };
    const char* others[] = {"keys.vtr", "keysConflict.vtr", "other.sync-conflict-1.vtr",
                            "keys.old.vtr"};
    for (const char* name : copies) {
        WriteBytes(dir / name, "x");
    }
    for (const char* name : others) {
        WriteBytes(dir / name, "x");
    }
    std::vector<std::filesystem::path> expected;
    for (const char* name : copies) {
        expected.push_back(dir / name);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ConflictCopiesOf(dir / "keys.vtr"), expected);
    EXPECT_EQ(ConflictCopiesOf(dir / "other.vtr").size(), 1u);
}

} // namespace
} // namespace vantrel
