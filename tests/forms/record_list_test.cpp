// The main window's list tools: search, expiry marks, copy commands and the
// clipboard that clears itself.
#include "base/cp1251.h"
#include "formats/settings_file.h"
#include "forms/clipboard_guard.h"
#include "forms/expiry_marks.h"
#include "forms/main_window.h"
#include "forms/record_table_model.h"
#include "forms/site.h"
#include "session/date_text.h"
#include "session/expiry.h"
#include "support/qt_test_support.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace vantrel {
namespace {

using namespace std::chrono;
using test::ReadBytes;
using test::ScriptedPrompts;
using test::TempFolder;
using test::WriteBytes;
using Answer = Prompts::Answer;

std::string dateText(year_month_day today, int daysFromToday) {
    return WriteDateText(year_month_day{sys_days{today} + days{daysFromToday}});
}

// Number, name, password, resource, end date (UTF-8), note.
Record rec(const char* number, const char* name, const char* password, const char* resource,
           const std::string& endDate = "  .  .  ", const char* note = " ") {
    return {number,
            {Utf8ToCp1251(name), password, Utf8ToCp1251(resource), "01.01.24", endDate,
             Utf8ToCp1251(note)}};
}

class RecordListTest : public ::testing::Test {
protected:
    RecordListTest() {
        window = std::make_unique<TfmMain>(session, prompts);
        session.setProgramDirectory(dir.path() / "");
        session.cipher().SetPassword("secret");
        session.logIn("user");
        window->setProgramEnder([] {});
        window->setGeneratorOptionsSaver([] {});
        list = window->findChild<QTableView*>(QStringLiteral("lvMain"));
        search = window->findChild<QLineEdit*>(QStringLiteral("edSearch"));
        const year_month_day today = LocalToday();
        session.replaceAll({
            rec("1", "Борис", "pw-1", "mail.example.org", dateText(today, -1), "рабочая почта"),
            rec("2", "alice", "pw-2", "почта", dateText(today, 0)),
            rec("3", "ЁЛКА", "pw-3", "bank.example", dateText(today, 30), "Вклад"),
            rec("4", "бОРИСОВ", "", "", "99.99.99"),
            rec("5", "Zed", "pw-5", "ftp", dateText(today, 14), "на ЁЛКЕ"),
        });
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    ~RecordListTest() override {
        ClipboardGuard::instance().clear();
        window.reset();
        QApplication::processEvents();
    }

    QString cell(int row, int column) const {
        return list->model()->index(row, column).data().toString();
    }
    QStringList names() const {
        QStringList shown;
        for (int row = 0; row < list->model()->rowCount(); ++row) {
            shown << cell(row, 1);
        }
        return shown;
    }
    QAction* action(const char* name) const {
        return window->findChild<QAction*>(QString::fromLatin1(name));
    }
    QString label(const char* name) const {
        auto* shown = window->findChild<QLabel*>(QString::fromLatin1(name));
        return shown->isVisible() ? shown->text() : QString();
    }
    void selectRow(int row) {
        list->setFocus();
        list->selectRow(row);
    }
    std::string selectedName() const {
        const auto id = window->selectedRecord();
        return id ? Cp1251ToUtf8(session.find(*id)->fields[kFieldName]) : "(none)";
    }
    // Has the next record editor take `name` and press OK; keeps its caption.
    void answerEditor(const QString& name) {
        QTimer::singleShot(0, [this, name] {
            auto* editor = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(editor, nullptr);
            editorCaption = editor->windowTitle();
            editor->findChild<QComboBox*>(QStringLiteral("cbName"))->setEditText(name);
            editor->findChild<QAbstractButton*>(QStringLiteral("btOk"))->click();
        });
    }

    TempFolder dir;
    Session session;
    ScriptedPrompts prompts;
    std::unique_ptr<TfmMain> window;
    QTableView* list = nullptr;
    QLineEdit* search = nullptr;
    QString editorCaption;
};

TEST_F(RecordListTest, SearchIgnoresCyrillicCaseAndChangesNothingElse) {
    ASSERT_NE(search, nullptr);
    EXPECT_EQ(search->placeholderText(), "Поиск (Ctrl+F)");
    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(search->hasFocus());

    struct Case {
        const char* text;
        QStringList names;
    };
    const Case cases[] = {
        {"бор", {"Борис", "бОРИСОВ"}},
        {"ёлк", {"ЁЛКА", "Zed"}}, // the note "на ЁЛКЕ"
        {"ПОЧТА", {"Борис", "alice"}},
        {"4", {"бОРИСОВ"}}, // the number; "pw-4" would be the password
        {"pw", {}},
        {"\u4e00", {}},
        {"", {"Борис", "alice", "ЁЛКА", "бОРИСОВ", "Zed"}},
    };
    for (const Case& c : cases) {
        search->setText(QString::fromUtf8(c.text));
        EXPECT_EQ(names(), c.names) << c.text;
        EXPECT_EQ(label("lbShown"), *c.text == '\0'
                                        ? QString()
                                        : QStringLiteral("Показано %1 из 5").arg(c.names.size()))
            << c.text;
    }
    search->setText(QStringLiteral("почта")); // an expired and an expiring record
    test::SaveSnapshot(*window, QStringLiteral("main_window_search"));
    EXPECT_FALSE(session.modified());
    EXPECT_EQ(session.records()[3].number, "4") << "the list itself keeps its order";

    QTest::keyClick(search, Qt::Key_Escape);
    EXPECT_TRUE(search->text().isEmpty());
    EXPECT_TRUE(list->hasFocus());
    EXPECT_EQ(list->model()->rowCount(), 5);
}

TEST_F(RecordListTest, CommandsHitTheSelectedRecordUnderASearchAndASort) {
    window->lvMainColumnClick(1); // by name: Zed, alice, Борис, ЁЛКА, бОРИСОВ
    search->setText(QStringLiteral("бор"));
    ASSERT_EQ(names(), (QStringList{"Борис", "бОРИСОВ"}));

    selectRow(1);
    EXPECT_EQ(selectedName(), "бОРИСОВ");
    answerEditor(QStringLiteral("Борисов-2"));
    action("RcrdEdit")->trigger();
    EXPECT_EQ(editorCaption, "Редактирование записи 4");
    EXPECT_EQ(selectedName(), "Борисов-2") << "an edited record stays shown and selected";

    // The number edit in place goes to the same record.
    ASSERT_TRUE(list->model()->setData(list->model()->index(1, 0), QStringLiteral("40")));
    EXPECT_EQ(session.records()[4].number, "40");
    EXPECT_EQ(Cp1251ToUtf8(session.records()[4].fields[kFieldName]), "Борисов-2");

    selectRow(0);
    prompts.answers = {Answer::Yes};
    action("RcrdDelete")->trigger();
    ASSERT_EQ(session.size(), 4u);
    for (const Record& record : session.records()) {
        EXPECT_NE(Cp1251ToUtf8(record.fields[kFieldName]), "Борис");
    }
    EXPECT_EQ(names(), (QStringList{"Борисов-2"}));

    // A record added while the search is on is shown although it does not match.
    answerEditor(QStringLiteral("Новый"));
    action("RcrdAdd")->trigger();
    EXPECT_EQ(names(), (QStringList{"Борисов-2", "Новый"}));
    EXPECT_EQ(label("lbShown"), "Показано 2 из 5");
    search->setText(QStringLiteral("бо"));
    EXPECT_EQ(names(), (QStringList{"Борисов-2"})) << "a new search hides it again";
}

TEST_F(RecordListTest, ExpiredAndExpiringRecordsAreMarked) {
    const auto tip = [&](int row) { return list->model()->index(row, 3).data(Qt::ToolTipRole); };
    const year_month_day today = LocalToday();
    EXPECT_EQ(tip(0).toString(), "Срок действия истёк");
    EXPECT_TRUE(list->model()->index(0, 1).data(Qt::FontRole).value<QFont>().strikeOut());
    EXPECT_EQ(tip(1).toString(),
              QString::fromStdString("Срок действия истекает " + dateText(today, 0)));
    EXPECT_TRUE(list->model()->index(1, 1).data(Qt::BackgroundRole).isValid());
    EXPECT_FALSE(tip(2).isValid()) << "30 days ahead";
    EXPECT_FALSE(tip(3).isValid()) << "99.99.99";
    EXPECT_EQ(tip(4).toString(),
              QString::fromStdString("Срок действия истекает " + dateText(today, 14)));
    test::SaveSnapshot(*window, QStringLiteral("main_window_expiry"));
}

TEST(ExpiryMarksTest, MarksFollowTheDateOverMidnight) {
    Session session;
    ScriptedPrompts prompts;
    const year_month_day first{year(2026), month(12), day(8)};
    session.replaceAll({rec("1", "a", "p", "r", "07.12.26"), rec("2", "b", "p", "r", "08.12.26"),
                        rec("3", "c", "p", "r", "09.12.26"), rec("4", "d", "p", "r", "23.12.26"),
                        rec("5", "e", "p", "r", "  .  .  ")});
    RecordTableModel model(session, prompts);
    year_month_day today = first;
    ExpiryMarks marks(session, &model, [&] { return today; });
    const auto tips = [&] {
        QStringList shown;
        for (int row = 0; row < marks.rowCount(); ++row) {
            shown << marks.index(row, 0).data(Qt::ToolTipRole).toString();
        }
        return shown;
    };
    EXPECT_EQ(tips(), (QStringList{"Срок действия истёк", "Срок действия истекает 08.12.26",
                                   "Срок действия истекает 09.12.26", "", ""}));
    QSignalSpy changed(&marks, &QAbstractItemModel::dataChanged);
    marks.checkDate();
    EXPECT_EQ(changed.count(), 0) << "the same day redraws nothing";

    today = year_month_day{sys_days{first} + days{1}};
    marks.checkDate();
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][1].value<QModelIndex>().row(), 4);
    EXPECT_EQ(tips(), (QStringList{"Срок действия истёк", "Срок действия истёк",
                                   "Срок действия истекает 09.12.26",
                                   "Срок действия истекает 23.12.26", ""}));
}

TEST_F(RecordListTest, CopyCommandsOfTheListAndTheirMenu) {
    QClipboard* clipboard = QApplication::clipboard();
    auto* menu = window->findChild<QMenu*>(QStringLiteral("pmList"));
    ASSERT_NE(menu, nullptr);
    QStringList captions;
    for (QAction* item : menu->actions()) {
        captions << item->text();
    }
    EXPECT_EQ(captions, (QStringList{"Копировать имя", "Копировать пароль", "Копировать ресурс",
                                     "Открыть ресурс"}));
    const auto enabled = [&] {
        QString state;
        for (QAction* item : menu->actions()) {
            state += !item->isVisible() ? '-' : item->isEnabled() ? '+' : '0';
        }
        return state;
    };
    list->clearSelection();
    EXPECT_EQ(enabled(), "000-");
    selectRow(3); // no password, no resource
    EXPECT_EQ(enabled(), "+00-");
    selectRow(1); // "почта" is no address
    EXPECT_EQ(enabled(), "+++-");
    selectRow(0);
    EXPECT_EQ(enabled(), "++++");

    QUrl opened;
    const AddressOpener previous = SetAddressOpener([&](const QUrl& url) { opened = url; });
    action("ListOpenResource")->trigger();
    SetAddressOpener(previous);
    EXPECT_EQ(opened, QUrl(QStringLiteral("https://mail.example.org")));

    // Ctrl+C on the list copies the password, Ctrl+B the name, marked as secret.
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), "pw-1");
    EXPECT_EQ(clipboard->mimeData()->data(ClipboardGuard::kHintFormat), "secret");
    QTest::keyClick(list, Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), "Борис");
    action("ListCopyResource")->trigger();
    EXPECT_EQ(clipboard->text(), "mail.example.org");

    // Without a selection Ctrl+C copies nothing, not even the current cell.
    clipboard->setText(QStringLiteral("mine"));
    list->clearSelection();
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), "mine");

    // In the number editor inside the list Ctrl+C is the editor's own.
    selectRow(0);
    list->edit(list->model()->index(0, 0));
    auto* editor = list->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), "1");
    EXPECT_FALSE(clipboard->mimeData()->hasFormat(ClipboardGuard::kHintFormat));
}

TEST_F(RecordListTest, ClipboardIsClearedOnlyOfOurOwnCopy) {
    QClipboard* clipboard = QApplication::clipboard();
    ClipboardGuard& guard = ClipboardGuard::instance();
    selectRow(0);
    action("ListCopyPwd")->trigger();
    EXPECT_EQ(label("lbClipboard"), "Буфер обмена будет очищен через 30 с");
    EXPECT_EQ(ReadSetting("VTRSettings", "ClipboardSeconds", session.settingsFile()), "30")
        << "the default is written for the user to find";
    guard.clear();
    EXPECT_TRUE(clipboard->text().isEmpty());
    EXPECT_EQ(label("lbClipboard"), "");

    // Something copied elsewhere in the meantime stays, the same text included.
    for (const char* theirs : {"other text", "pw-1"}) {
        action("ListCopyPwd")->trigger();
        clipboard->setText(QString::fromUtf8(theirs));
        guard.clear();
        EXPECT_EQ(clipboard->text(), theirs);
    }

    // The delay comes from the settings file; the count runs down to an empty clipboard.
    WriteSetting("VTRSettings", "ClipboardSeconds", "1", session.settingsFile());
    action("ListCopyPwd")->trigger();
    EXPECT_EQ(guard.secondsLeft(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return clipboard->text().isEmpty(); }, 5000));
    EXPECT_EQ(guard.secondsLeft(), 0);

    // 0 keeps the copy, on exit too.
    WriteSetting("VTRSettings", "ClipboardSeconds", "0", session.settingsFile());
    action("ListCopyPwd")->trigger();
    EXPECT_EQ(label("lbClipboard"), "");
    guard.clear();
    EXPECT_EQ(clipboard->text(), "pw-1");

    // A bad value: 30 seconds, said in the status bar, the file kept.
    const std::string before = ReadBytes(session.settingsFile());
    const std::string bad =
        before.substr(0, before.find("ClipboardSeconds")) + "ClipboardSeconds=ten\r\n";
    WriteBytes(session.settingsFile(), bad);
    action("ListCopyPwd")->trigger();
    EXPECT_EQ(label("lbClipboard"), "Буфер обмена будет очищен через 30 с");
    EXPECT_TRUE(window->statusBar()->currentMessage().startsWith(
        "Неверное значение ClipboardSeconds в файле настроек: «ten»"));
    EXPECT_EQ(ReadBytes(session.settingsFile()), bad);

    // The program's end takes the copy off.
    window.reset();
    EXPECT_TRUE(clipboard->text().isEmpty());
}

} // namespace
} // namespace vantrel
