#include "session/main_commands.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "formats/record_file.h"
#include "formats/record_rules.h"
#include "formats/settings_file.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <functional>
#include <numeric>

namespace vantrel {
namespace {

using test::ScriptedPrompts;
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

TEST(EditorRequestTest, AddAndEditCaptions) {
    Session session;
    session.replaceAll({rec("1"), rec(Utf8ToCp1251("№7"), "x")});
    const RecordId seventh = session.idAt(1);

    EditorRequest add = PrepareAdd();
    EXPECT_EQ(add.caption, "Новая запись");
    EXPECT_FALSE(add.record);
    EXPECT_EQ(PrepareEdit(session, std::nullopt).caption, "Новая запись") << "no selection: Add";

    EditorRequest edit = PrepareEdit(session, seventh);
    EXPECT_EQ(edit.caption, "Редактирование записи №7");
    EXPECT_EQ(edit.record, seventh);

    // A record that is gone counts as no selection.
    session.remove(seventh);
    edit = PrepareEdit(session, seventh);
    EXPECT_EQ(edit.caption, "Новая запись");
    EXPECT_FALSE(edit.record);
}

TEST(DeleteTest, NumberingAfterDeletesAndWithNonIntegerNumbers) {
    Session session;
    ScriptedPrompts prompts;
    EXPECT_EQ(session.nextNumber(), "1");
    session.replaceAll({rec("1"), rec("abc"), rec("2"), rec("5x"), rec("5"), rec("6")});
    EXPECT_EQ(session.nextNumber(), "7");

    prompts.answers = {Answer::Yes};
    EXPECT_TRUE(DeleteRecord(session, session.idAt(5), prompts));
    EXPECT_EQ(prompts.log, std::vector<std::string>{"confirm: Удалить выделенную запись?"});
    EXPECT_EQ(prompts.lastButtons, Prompts::Buttons::YesNo);
    EXPECT_TRUE(session.modified());
    EXPECT_EQ(session.nextNumber(), "6") << "the largest number is taken again";

    // Deleting from the middle leaves a gap.
    prompts.answers = {Answer::Yes};
    DeleteRecord(session, session.idAt(0), prompts);
    EXPECT_EQ(numbers(session.records()), (std::vector<std::string>{"abc", "2", "5x", "5"}));
    EXPECT_EQ(session.nextNumber(), "6");
}

TEST(DeleteTest, NoSelectionOrNoChangesNothing) {
    Session session;
    ScriptedPrompts prompts;
    session.replaceAll({rec("1"), rec("2")});

    prompts.answers = {Answer::Yes};
    EXPECT_FALSE(DeleteRecord(session, std::nullopt, prompts));
    EXPECT_EQ(prompts.log.size(), 1u) << "the question is asked all the same";

    prompts.answers = {Answer::No};
    EXPECT_FALSE(DeleteRecord(session, session.idAt(1), prompts));
    EXPECT_EQ(session.size(), 2u);
    EXPECT_FALSE(session.modified());
}

TEST(SortTest, EqualRecordsKeepTheirIdsAndTheSortColumnIsRemembered) {
    // The order rules themselves are the record list's (record_rules_test).
    Session session;
    session.replaceAll(
        {rec("3", "c"), rec("1", "a"), Record{"2", {}}, rec("3", "c"), rec("0", "b")});
    const RecordId secondCopy = session.idAt(3);
    const RecordId noFields = session.idAt(2);
    session.sortBy(1);
    EXPECT_EQ(session.sortColumn(), 1);
    EXPECT_EQ(numbers(session.records()), (std::vector<std::string>{"2", "1", "0", "3", "3"}));
    EXPECT_EQ(session.rowOf(secondCopy), 4u) << "of two identical records each keeps its id";
    session.sortBy(0);
    EXPECT_EQ(session.sortColumn(), 0);
    EXPECT_EQ(session.rowOf(noFields), 2u);
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
        session.setProgramDirectory(dir.path() / "");
        session.cipher().SetPassword("pw");
        session.replaceAll({rec("1", "one")});
        saver = [this] { prompts.log.push_back("options stored"); };
    }
    bool close() { return CloseSequence(session, prompts, files, saver); }

    test::TempFolder dir;
    Session session;
    ScriptedPrompts prompts;
    FileCommands files{session, prompts};
    std::function<void()> saver;
};

TEST_F(CloseTest, UnmodifiedClosesWithoutQuestion) {
    EXPECT_TRUE(close());
    EXPECT_EQ(prompts.log, std::vector<std::string>{"options stored"});
}

TEST_F(CloseTest, ANewRecordNumberAsksToSaveAndNoneOtherDoes) {
    const struct {
        const char* what;
        std::function<void(Session&)> edit;
        bool asks;
    } cases[] = {
        {"a new number", [](Session& s) { s.renumber(s.idAt(0), "7"); }, true},
        {"the same number", [](Session& s) { s.renumber(s.idAt(0), "1"); }, false},
        {"a refused number", [](Session& s) { EXPECT_THROW(s.renumber(s.idAt(0), "\t7"), Error); },
         false},
        {"a sort", [](Session& s) { s.sortBy(1); }, false},
    };
    for (const auto& [what, edit, asks] : cases) {
        SCOPED_TRACE(what);
        session.replaceAll({rec("1", "one")});
        session.setModified(false);
        prompts.log.clear();
        prompts.answers = {Answer::Cancel};
        edit(session);
        EXPECT_EQ(close(), !asks);
        EXPECT_EQ(prompts.log.size(), asks ? 2u : 1u) << "options stored, then the question";
    }
}

TEST_F(CloseTest, CancelKeepsWindowAfterOptionsWereStored) {
    session.setModified(true);
    prompts.answers = {Answer::Cancel};
    EXPECT_FALSE(close());
    EXPECT_EQ(prompts.log,
              (std::vector<std::string>{"options stored",
                                        "confirm: Текущий файл не сохранен.\rСохранить перед "
                                        "выходом из программы?"}));
    EXPECT_EQ(prompts.lastButtons, Prompts::Buttons::YesNoCancel);
}

TEST_F(CloseTest, NoSavesNothing) {
    session.setModified(true);
    session.setCurrentFile(dir / "a.vtr");
    prompts.answers = {Answer::No};
    EXPECT_TRUE(close());
    EXPECT_FALSE(std::filesystem::exists(session.currentFile()));
}

TEST_F(CloseTest, YesWithoutFileOnDiskAndDialogCancelledEndsWithoutSaving) {
    session.setModified(true);
    session.setCurrentFile(dir / "gone.vtr");
    prompts.answers = {Answer::Yes};
    prompts.fileNames = {std::nullopt};
    EXPECT_TRUE(close());
    EXPECT_EQ(prompts.log.back(), "save");
    EXPECT_FALSE(std::filesystem::exists(session.currentFile()));
}

TEST_F(CloseTest, YesSavesEncryptedToTheCurrentFileOrTheChosenOne) {
    session.setModified(true);
    session.setCurrentFile(dir / "records.vtr"); // exists: saved there, encrypted
    test::WriteBytes(session.currentFile(), "old");
    prompts.answers = {Answer::Yes};
    EXPECT_TRUE(close());
    EXPECT_EQ(
        ReadRecordFile(session.currentFile(), RecordFileKind::Encrypted, session.cipher()).records,
        session.records());
    EXPECT_EQ(ReadSectionKeys("UsersFiles", session.settingsFile()).size(), 0u);

    // An imported ".txt" is never written over: the dialog offers it as ".vtr".
    session.setCurrentFile(dir / "plain.txt");
    test::WriteBytes(session.currentFile(), "old");
    prompts.answers = {Answer::Yes};
    prompts.fileNames = {dir / "plain.vtr"};
    EXPECT_TRUE(close());
    EXPECT_EQ(prompts.suggestedNames, std::vector<std::filesystem::path>{dir / "plain.vtr"});
    EXPECT_EQ(test::ReadBytes(session.currentFile()), "old");
    EXPECT_EQ(
        ReadRecordFile(dir / "plain.vtr", RecordFileKind::Encrypted, session.cipher()).records,
        session.records());

    const auto chosen = dir / "chosen.txt";
    session.setCurrentFile({});
    prompts.answers = {Answer::Yes};
    prompts.fileNames = {chosen};
    EXPECT_TRUE(close());
    EXPECT_EQ(ReadRecordFile(chosen, RecordFileKind::Encrypted, session.cipher()).records,
              session.records());
}

TEST_F(CloseTest, FailedSaveKeepsTheWindowOpen) {
    session.setModified(true);
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
    session.setModified(true);
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
