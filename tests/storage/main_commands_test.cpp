#include "storage/main_commands.h"

#include "storage/cp1251.h"
#include "storage/file_commands_support.h"
#include "storage/record_file.h"
#include "storage/record_rules.h"

#include <gtest/gtest.h>

#include <numeric>

namespace vantrel {
namespace {

using mwtest::ReadBytes;
using mwtest::ScriptedPrompts;
using mwtest::TempDir;
using Answer = Prompts::Answer;

Record rec(const std::string& number, const std::string& name = "n") {
    return {number, {name, "p", "r", "", "", "x"}};
}

std::vector<std::string> numbers(const RecordList& records) {
    std::vector<std::string> result;
    for (const Record& record : records) {
        result.push_back(record.number);
    }
    return result;
}

TEST(EditorRequestTest, AddAndEditCaptionsAndFlags) {
    ProgramState state;
    state.records = {rec("1"), rec(Utf8ToCp1251("№7"), "x")};
    state.editingExisting = true;

    EditorRequest add = PrepareAdd(state);
    EXPECT_FALSE(state.editingExisting);
    EXPECT_EQ(add.caption, "Новая запись");
    EXPECT_FALSE(add.record);

    // Edit without a selection is Add.
    state.editingExisting = true;
    EditorRequest edit = PrepareEdit(state);
    EXPECT_FALSE(state.editingExisting);
    EXPECT_EQ(edit.caption, "Новая запись");

    state.selected = 1;
    edit = PrepareEdit(state);
    EXPECT_TRUE(state.editingExisting);
    EXPECT_EQ(edit.caption, "Редактирование записи №7");
    ASSERT_TRUE(edit.record);
    EXPECT_EQ(*edit.record, state.records[1]);

    // A selection that points past the list (stale) counts as none.
    state.selected = 5;
    EXPECT_EQ(PrepareEdit(state).caption, "Новая запись");
    EXPECT_FALSE(state.editingExisting);
}

TEST(DeleteTest, NumberingAfterDeletesAndWithNonIntegerNumbers) {
    ProgramState state;
    ScriptedPrompts prompts;
    EXPECT_EQ(NextRecordNumber(state.records), "1");
    state.records = {rec("1"), rec("abc"), rec("2"), rec("5x"), rec("5")};
    EXPECT_EQ(NextRecordNumber(state.records), "6");
    state.records.push_back(rec("6"));

    state.selected = 5;
    prompts.answers = {Answer::Yes};
    EXPECT_TRUE(DeleteSelected(state, prompts));
    EXPECT_EQ(prompts.log, std::vector<std::string>{"confirm: Удалить выделенную запись?"});
    EXPECT_EQ(prompts.lastButtons, Prompts::Buttons::YesNo);
    EXPECT_TRUE(state.modified);
    EXPECT_FALSE(state.selected);
    EXPECT_EQ(NextRecordNumber(state.records), "6") << "the largest number is taken again";

    // Deleting from the middle leaves a gap.
    state.selected = 0;
    prompts.answers = {Answer::Yes};
    DeleteSelected(state, prompts);
    EXPECT_EQ(numbers(state.records), (std::vector<std::string>{"abc", "2", "5x", "5"}));
    EXPECT_EQ(NextRecordNumber(state.records), "6");
}

TEST(DeleteTest, NoSelectionOrNoChangesNothing) {
    ProgramState state;
    ScriptedPrompts prompts;
    state.records = {rec("1"), rec("2")};

    prompts.answers = {Answer::Yes};
    EXPECT_FALSE(DeleteSelected(state, prompts));
    EXPECT_EQ(prompts.log.size(), 1u) << "the question is asked all the same";
    EXPECT_EQ(state.records.size(), 2u);
    EXPECT_FALSE(state.modified);

    state.selected = 1;
    prompts.answers = {Answer::No};
    EXPECT_FALSE(DeleteSelected(state, prompts));
    EXPECT_EQ(state.records.size(), 2u);
    EXPECT_EQ(state.selected, 1u);
    EXPECT_FALSE(state.modified);
}

TEST(SortTest, NumbersAsTextAndNamesByBytes) {
    ProgramState state;
    state.records = {rec("2", Utf8ToCp1251("Яков")), rec("10", "alpha"), rec("1", "Zeta"),
                     rec("3", Utf8ToCp1251("анна")), rec("20", "Beta")};
    SortByColumn(state, 0);
    EXPECT_EQ(state.sortColumn, 0);
    EXPECT_EQ(numbers(state.records), (std::vector<std::string>{"1", "10", "2", "20", "3"}));

    SortByColumn(state, 1);
    EXPECT_EQ(state.sortColumn, 1);
    // Latin capitals, then small Latin letters, then Cyrillic.
    EXPECT_EQ(numbers(state.records), (std::vector<std::string>{"20", "1", "10", "2", "3"}));
    const RecordList once = state.records;
    SortByColumn(state, 1);
    EXPECT_EQ(state.records, once) << "the same header again: ascending again";
}

TEST(SortTest, SelectedRecordStaysSelectedAndShortRecordsSortAsEmpty) {
    ProgramState state;
    state.records = {rec("3", "c"), rec("1", "a"), Record{"2", {}}, rec("3", "c"), rec("0", "b")};
    // The second of two identical records is selected.
    state.selected = 3;
    SortByColumn(state, 1);
    EXPECT_EQ(numbers(state.records), (std::vector<std::string>{"2", "1", "0", "3", "3"}));
    EXPECT_EQ(state.selected, 4u);

    state.selected = 0; // the record without fields
    SortByColumn(state, 0);
    EXPECT_EQ(numbers(state.records), (std::vector<std::string>{"0", "1", "2", "3", "3"}));
    EXPECT_EQ(state.selected, 2u);

    state.selected.reset();
    SortByColumn(state, 6);
    EXPECT_FALSE(state.selected);
    EXPECT_EQ(state.records.front().number, "2") << "a missing note sorts as empty text";
}

TEST(RenameTest, NumberEditKeepsFlagAndRefusesBrokenLines) {
    ProgramState state;
    state.records = {rec("1")};
    RenameRecord(state, 0, " 12a");
    EXPECT_EQ(state.records[0].number, " 12a");
    RenameRecord(state, 0, "");
    EXPECT_EQ(state.records[0].number, "");
    EXPECT_FALSE(state.modified);

    for (const std::string& bad :
         std::vector<std::string>{"\t1", "1\r\n2", "1\n", std::string("1\0", 2)}) {
        EXPECT_FALSE(IsStorableRecordNumber(bad));
        EXPECT_THROW(RenameRecord(state, 0, bad), Error);
    }
    EXPECT_EQ(state.records[0].number, "");
    EXPECT_TRUE(IsStorableRecordNumber("1\t2"));
    // The text written back reads as the same record.
    state.records[0].number = "1\t2";
    EXPECT_EQ(ParseRecordText(FormatRecordText(state.records)), state.records);
}

TEST(PasswordColumnTest, ShowPwdToggles) {
    PasswordColumn column;
    EXPECT_FALSE(column.autoSize);
    EXPECT_EQ(column.width, 0);
    TogglePasswordColumn(column);
    EXPECT_TRUE(column.autoSize);
    EXPECT_EQ(column.width, 70);
    TogglePasswordColumn(column);
    EXPECT_FALSE(column.autoSize);
    EXPECT_EQ(column.width, 0);
}

TEST(ColumnWidthTest, AutoSizeColumnsShareTheRestAboveTheirMinimums) {
    const std::vector<ColumnRule> rules = {{false, 30}, {true, 60},  {false, 0}, {true, 60},
                                           {true, 100}, {true, 120}, {true, 70}};
    const std::vector<int> wide = ShareColumnWidths(1000, rules);
    EXPECT_EQ(std::accumulate(wide.begin(), wide.end(), 0), 1000);
    EXPECT_EQ(wide[0], 30);
    EXPECT_EQ(wide[2], 0);
    for (std::size_t i = 0; i < rules.size(); ++i) {
        EXPECT_GE(wide[i], rules[i].width);
    }
    EXPECT_GT(wide[5], wide[1]) << "shares follow the minimums";

    // Too narrow: every column keeps its minimum (the list scrolls).
    const std::vector<int> narrow = ShareColumnWidths(200, rules);
    for (std::size_t i = 0; i < rules.size(); ++i) {
        EXPECT_EQ(narrow[i], rules[i].width);
    }
    // Minimums of 0 share equally; no auto-size column leaves the rest empty.
    EXPECT_EQ(ShareColumnWidths(100, {{true, 0}, {true, 0}}), (std::vector<int>{50, 50}));
    EXPECT_EQ(ShareColumnWidths(100, {{false, 30}}), std::vector<int>{30});
}

class CloseTest : public ::testing::Test {
protected:
    CloseTest() {
        state.programDirectory = dir.path() / "";
        state.cryptLib.SetPassword("pw");
        state.records = {rec("1", "one")};
        saver = [this] { prompts.log.push_back("options stored"); };
    }
    bool close() { return CloseSequence(state, prompts, files, saver); }

    TempDir dir;
    ProgramState state;
    ScriptedPrompts prompts;
    FileCommands files{state, prompts};
    std::function<void()> saver;
};

TEST_F(CloseTest, UnmodifiedClosesWithoutQuestion) {
    EXPECT_TRUE(close());
    EXPECT_EQ(prompts.log, std::vector<std::string>{"options stored"});
}

TEST_F(CloseTest, CancelKeepsWindowAfterOptionsWereStored) {
    state.modified = true;
    prompts.answers = {Answer::Cancel};
    EXPECT_FALSE(close());
    EXPECT_EQ(prompts.log,
              (std::vector<std::string>{"options stored",
                                        "confirm: Текущий файл не сохранен.\rСохранить перед "
                                        "выходом из программы?"}));
    EXPECT_EQ(prompts.lastButtons, Prompts::Buttons::YesNoCancel);
}

TEST_F(CloseTest, NoSavesNothing) {
    state.modified = true;
    state.currentFile = dir / "a.vtr";
    prompts.answers = {Answer::No};
    EXPECT_TRUE(close());
    EXPECT_FALSE(std::filesystem::exists(state.currentFile));
}

TEST_F(CloseTest, YesWithoutFileOnDiskAndDialogCancelledEndsWithoutSaving) {
    state.modified = true;
    state.currentFile = dir / "gone.vtr";
    prompts.answers = {Answer::Yes};
    prompts.fileNames = {std::nullopt};
    EXPECT_TRUE(close());
    EXPECT_EQ(prompts.log.back(), "save");
    EXPECT_FALSE(std::filesystem::exists(state.currentFile));
}

TEST_F(CloseTest, YesSavesEncryptedToTheCurrentFileOrTheChosenOne) {
    state.modified = true;
    state.currentFile = dir / "plain.txt"; // exists: saved there, encrypted
    mwtest::WriteBytes(state.currentFile, "old");
    prompts.answers = {Answer::Yes};
    EXPECT_TRUE(close());
    EXPECT_EQ(LoadRecordFile(state.currentFile, &state.cryptLib), state.records);
    EXPECT_EQ(ReadSectionKeys("UsersFiles", state.settingsFile()).size(), 0u);

    const auto chosen = dir / "chosen.txt";
    state.currentFile.clear();
    prompts.answers = {Answer::Yes};
    prompts.fileNames = {chosen};
    EXPECT_TRUE(close());
    EXPECT_EQ(LoadRecordFile(chosen, &state.cryptLib), state.records);
}

TEST_F(CloseTest, FailedSaveKeepsTheWindowOpen) {
    state.modified = true;
    prompts.answers = {Answer::Yes};
    prompts.fileNames = {dir / "missing-folder" / "x.vtr"};
    EXPECT_FALSE(close());
    EXPECT_EQ(prompts.log.back().rfind("error: Cannot create file ", 0), 0u);
}

TEST_F(CloseTest, OptionsThatCannotBeStoredDoNotBlockTheClose) {
    saver = [] { throw Error("Unable to write to /x/VTR.ini"); };
    EXPECT_TRUE(close());
    EXPECT_EQ(prompts.log, std::vector<std::string>{"error: Unable to write to /x/VTR.ini"});
}

TEST_F(CloseTest, AfterSaveNothingIsAskedButAfterPlainExportItIs) {
    state.modified = true;
    prompts.fileNames = {dir / "export.txt"};
    files.FileSaveAsCmdExecute();
    prompts.answers = {Answer::Cancel};
    EXPECT_FALSE(close()) << "a plain export leaves the flag set";

    prompts.fileNames = {dir / "records.vtr"};
    files.FileSaveCmdExecute(); // no current file yet: Save As
    prompts.log.clear();
    EXPECT_TRUE(close());
    EXPECT_EQ(prompts.log, std::vector<std::string>{"options stored"});
}

} // namespace
} // namespace vantrel
