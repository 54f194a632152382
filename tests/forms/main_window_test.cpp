#include "forms/main_window.h"

#include "base/cp1251.h"
#include "formats/record_file.h"
#include "formats/settings_file.h"
#include "formats/settings_names.h"
#include "forms/clipboard_guard.h"
#include "forms/expiry_marks.h"
#include "forms/icons.h"
#include "forms/record_table_model.h"
#include "forms/site.h"
#include "product_config.h"
#include "session/date_text.h"
#include "session/expiry.h"
#include "session/protection_command.h"
#include "support/qt_test_support.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPrintDialog>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <fstream>
#include <functional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vantrel {
namespace {

using test::ReadBytes;
using test::SaveSnapshot;
using test::ScriptedPrompts;
using test::TempFolder;
using test::WriteBytes;
using Answer = Prompts::Answer;

Record rec(const std::string& number, const std::string& name, const std::string& password) {
    return {
        number,
        {name, password, Utf8ToCp1251("почта"), "01.02.24", "31.12.25", Utf8ToCp1251("заметка")}};
}

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        window = std::make_unique<TfmMain>(session, prompts);
        session.setProgramDirectory(dir.path() / "");
        session.cipher().SetPassword("secret");
        session.logIn("user");
        window->setProgramEnder([this] { ++ended; });
        window->setGeneratorOptionsSaver([this] { prompts.log.push_back("options stored"); });
        list = window->findChild<QTableView*>(QStringLiteral("lvMain"));
    }
    ~MainWindowTest() override {
        window.reset();
        QApplication::processEvents();
    }

    void showWindow() {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void fill() {
        session.replaceAll({rec("1", "alice", "secret-1"), rec("2", Utf8ToCp1251("Борис"), "pw-2"),
                            rec("10", "Zed", "pw-10")});
    }
    QAction* action(const char* name) {
        return window->findChild<QAction*>(QString::fromLatin1(name));
    }
    QString cell(int row, int column) {
        return list->model()->index(row, column).data().toString();
    }
    void selectRow(int row) {
        const QRect rect = list->visualRect(list->model()->index(row, 1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }
    // Has the record editor that the next command opens take `name` and close
    // with `button`; keeps the editor's caption and the name it showed.
    void answerEditor(const QString& name, const char* button = "btOk") {
        QTimer::singleShot(0, [this, name, button] {
            auto* editor = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(editor, nullptr);
            auto* box = editor->findChild<QComboBox*>(QStringLiteral("cbName"));
            editorCaption = editor->windowTitle();
            editorName = box->currentText();
            box->setEditText(name);
            editor->findChild<QAbstractButton*>(QString::fromLatin1(button))->click();
        });
    }
    // The session's row of the record selected in the window.
    std::optional<std::size_t> selectedRow() const {
        const auto id = window->selectedRecord();
        return id ? session.rowOf(*id) : std::nullopt;
    }

    TempFolder dir;
    Session session;
    ScriptedPrompts prompts;
    std::unique_ptr<TfmMain> window;
    QTableView* list = nullptr;
    int ended = 0;
    QString editorCaption;
    QString editorName;
};

TEST_F(MainWindowTest, CommandsWithTheirMenuItemsButtonsAndShortcuts) {
    EXPECT_EQ(window->objectName(), "fmMain");
    EXPECT_EQ(window->windowTitle(), "Vantrel Lite");
    EXPECT_EQ(window->size(), QSize(626, 460));
    EXPECT_EQ(window->minimumSize(), QSize(472, 200));

    // Each command with its caption, shortcut and status-bar hint, and the menu
    // item and toolbar button that offer it (nullptr: none).
    struct Command {
        const char* name;
        const char* caption;
        QKeySequence shortcut;
        const char* hint;
        const char* menuItem;
        const char* button;
    };
    const QKeySequence none;
    const Command commands[] = {
        {"FileOpenCmd", "&Открыть", QKeySequence(Qt::CTRL | Qt::Key_O), "Открыть существующий файл",
         "NOpen", "btOpen"},
        {"FileSaveCmd", "&Сохранить", QKeySequence(Qt::CTRL | Qt::Key_S), "Сохранить текущий файл",
         "NSave", "btSave"},
        {"FileSaveAsCmd", "Сохранить &как...", none, "Сохранить текущий файл под новым именем",
         "NSaveAs", nullptr},
        {"FilePrintCmd", "&Печать", QKeySequence(Qt::CTRL | Qt::Key_P), "", "NPrint", nullptr},
        {"PrinterPrprts", "Настройки принтера", none, "", "NPrinterSettings", nullptr},
        {"Exit", "В&ыход", QKeySequence(Qt::CTRL | Qt::Key_X), "", "NExit", nullptr},
        {"RcrdAdd", "Соз&дать", QKeySequence(Qt::CTRL | Qt::Key_N), "Создать новую запись",
         "NCreateNew", "btNewRcrd"},
        {"RcrdEdit", "&Редактировать", QKeySequence(Qt::CTRL | Qt::Key_E),
         "Редактировать текущую запись", "NEdit", "btnEditRcrd"},
        {"RcrdDelete", "&Удалить", QKeySequence(Qt::Key_Delete), "Удалить текущую запись",
         "NDelete", "btDeleteRcrd"},
        {"SiteEnter", "&Посетить сайт разработчика", QKeySequence(Qt::CTRL | Qt::Key_A),
         "Посетить сайт разработчика", "NSiteEnter", nullptr},
        {"ShowEula", "&Лицензионное соглашение", none, "Показать лицензионное соглашение", "NEULA",
         nullptr},
        {"ShowAbout", "&О программе", none, "О программе", "NAbout", nullptr},
        {"ShowVersionHistory", "&История версий", none, "Показать историю версий программы",
         "ShowVersionHistory1", nullptr},
        {"ShowPwd", "ShowPwd", none, "Показывать пароли в главном окне", nullptr, "btShowPwd"},
        {"PwdReport", "&Отчёт о паролях", none,
         "Показать слабые, повторяющиеся и истёкшие пароли и записи без пароля", "NPwdReport",
         nullptr},
    };
    for (const Command& c : commands) {
        SCOPED_TRACE(c.name);
        QAction* command = action(c.name);
        ASSERT_NE(command, nullptr);
        EXPECT_EQ(command->text(), QString::fromUtf8(c.caption));
        EXPECT_EQ(command->shortcut(), c.shortcut);
        EXPECT_EQ(command->statusTip(), QString::fromUtf8(c.hint));
        if (*c.hint != '\0' && command != action("ShowPwd") && command != action("PwdReport")) {
            EXPECT_EQ(command->toolTip(), command->statusTip()) << "one hint serves for both";
        }
        EXPECT_FALSE(command->icon().isNull());
        EXPECT_TRUE(window->actions().contains(command)) << "the shortcut lives on the window";
        if (c.menuItem != nullptr) {
            QAction* item = action(c.menuItem);
            ASSERT_NE(item, nullptr);
            EXPECT_EQ(item->text(), command->text());
            EXPECT_EQ(item->shortcut(), command->shortcut());
            EXPECT_EQ(item->statusTip(), command->statusTip());
            EXPECT_EQ(item->icon().cacheKey(), command->icon().cacheKey());
        }
        if (c.button != nullptr) {
            auto* button = window->findChild<QToolButton*>(QString::fromLatin1(c.button));
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->defaultAction(), command);
        }
    }
}

// "Усилить защиту…" on consent: the user's entry and the current file become
// protected, and the status bar says so.
TEST_F(MainWindowTest, ProtectCommandRewritesTheCurrentFileAndSaysSo) {
    WriteSetting(kUsersSection, "user", session.cipher().MakePasswordCheck(),
                 session.settingsFile());
    fill();
    const std::filesystem::path file = dir / "records.vtr";
    WriteRecordFile(file, RecordFileKind::Encrypted, session.cipher(), session.records());
    session.setCurrentFile(file);
    session.protectedKey() = ProtectedKey("secret", ProtectedParams{1, 8 * 1024, {}});
    showWindow();

    prompts.answers = {Answer::Ok};
    prompts.passwords = {"secret"};
    action("NProtect")->trigger();
    EXPECT_TRUE(IsProtectedContent(ReadBytes(file)));
    EXPECT_TRUE(session.userProtected());
    EXPECT_EQ(window->statusBar()->currentMessage(), QString::fromUtf8(kWrittenProtectedNote));
    EXPECT_EQ(prompts.log.back(), std::string("inform: ") + kProtectDoneMessage);
    SaveSnapshot(*window, QStringLiteral("main_window_protected"));
}

TEST_F(MainWindowTest, MenuItemsAndTheirVisibility) {
    QMenuBar* bar = window->menuBar();
    EXPECT_EQ(bar->objectName(), "mmMain");
    QStringList titles;
    for (QAction* entry : bar->actions()) {
        if (entry->isVisible()) {
            titles << entry->text();
        }
    }
    EXPECT_EQ(titles, (QStringList{"Файл", "Запись", "Помощь"}));

    const auto items = [&](const char* menuName) {
        QStringList names;
        for (QAction* item : window->findChild<QMenu*>(QString::fromLatin1(menuName))->actions()) {
            names << item->objectName() + (item->isVisible() ? "" : " (hidden)");
        }
        return names;
    };
    EXPECT_EQ(items("nFile"),
              (QStringList{"NOpen", "NSave", "NSaveAs", "", "NCsvImport", "NCsvExport", "",
                           "NPrinterSettings (hidden)", "NPrint (hidden)", "NProtect",
                           "NSettingsDlg", "NLock", "", "NExit"}));
    EXPECT_EQ(items("NRecord"), (QStringList{"NCreateNew", "NEdit", "NDelete", "", "NPwdReport"}));
    EXPECT_EQ(items("NSettings"), (QStringList{"NSetPwd (hidden)", "N_Divider1 (hidden)",
                                               "NFlattbMain", "NDivider2", "NFont"}));
    EXPECT_EQ(items("nHelp"),
              (QStringList{"NSiteEnter", "ShowVersionHistory1 (hidden)", "NEULA", "NAbout"}));
    EXPECT_FALSE(window->findChild<QMenu*>("NSettings")->menuAction()->isVisible());
    EXPECT_FALSE(action("NGenerator")->isVisible());

    // A menu item runs its command.
    QSignalSpy print(action("FilePrintCmd"), &QAction::triggered);
    action("NPrint")->trigger();
    EXPECT_EQ(print.count(), 1);

    // "Усилить защиту…" explains first; declined, it changes nothing.
    EXPECT_EQ(action("NProtect")->text(), "Усилить &защиту…");
    prompts.answers = {Answer::Cancel};
    action("NProtect")->trigger();
    ASSERT_EQ(prompts.log.size(), 1u);
    EXPECT_EQ(prompts.log[0].rfind(std::string("confirm: ") + kProtectExplanation[0], 0), 0u);
    EXPECT_FALSE(session.userProtected());
    EXPECT_TRUE(action("NFlattbMain")->isChecked());
}

TEST_F(MainWindowTest, ShortcutsOfHiddenItemsWork) {
    showWindow();
    QSignalSpy print(action("FilePrintCmd"), &QAction::triggered);
    QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(print.count(), 1);
    QSignalSpy open(action("FileOpenCmd"), &QAction::triggered);
    prompts.fileNames = {std::nullopt};
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(open.count(), 1) << "not ambiguous with the menu item";
    EXPECT_EQ(prompts.log, std::vector<std::string>{"open"});
}

TEST_F(MainWindowTest, ToolbarButtonsInOrderWithPictures) {
    QToolBar* bar = window->findChild<QToolBar*>(QStringLiteral("tbMain"));
    ASSERT_NE(bar, nullptr);
    QStringList order;
    for (QAction* a : bar->actions()) {
        order << (a->isSeparator() ? QStringLiteral("|") : bar->widgetForAction(a)->objectName());
    }
    EXPECT_EQ(order, (QStringList{"btOpen", "btSave", "|", "btNewRcrd", "btnEditRcrd",
                                  "btDeleteRcrd", "|", "btShowPwd"}));
    EXPECT_EQ(bar->toolButtonStyle(), Qt::ToolButtonIconOnly);
    // Assistive technology names the toolbars in the interface's language.
    const std::pair<const char*, QString> names[] = {{"tbMain", "Основная панель"},
                                                     {"tbSearch", "Поиск"}};
    for (const auto& [toolbar, name] : names) {
        auto* widget = window->findChild<QToolBar*>(QString::fromLatin1(toolbar));
        EXPECT_EQ(QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name), name);
    }
    for (const char* name :
         {"btOpen", "btSave", "btNewRcrd", "btnEditRcrd", "btDeleteRcrd", "btShowPwd"}) {
        SCOPED_TRACE(name);
        auto* button = bar->findChild<QToolButton*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(button->autoRaise()) << "flat";
        EXPECT_FALSE(button->isCheckable());
        EXPECT_FALSE(button->accessibleName().isEmpty());
        const QImage image = button->icon().pixmap(16, 16).toImage();
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                opaque += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
            }
        }
        EXPECT_GT(opaque, 20) << "the button shows a picture";
    }
    EXPECT_EQ(bar->findChild<QToolButton*>("btShowPwd")->toolTip(), "Показ паролей");
}

TEST_F(MainWindowTest, BuiltInIconsDifferFromEachOther) {
    const CommandIcon kinds[] = {CommandIcon::Open,           CommandIcon::Save,
                                 CommandIcon::Print,          CommandIcon::PrinterSetup,
                                 CommandIcon::Exit,           CommandIcon::RecordAdd,
                                 CommandIcon::RecordEdit,     CommandIcon::RecordDelete,
                                 CommandIcon::ShowPasswords,  CommandIcon::Site,
                                 CommandIcon::Licence,        CommandIcon::About,
                                 CommandIcon::History,        CommandIcon::Copy,
                                 CommandIcon::Paste,          CommandIcon::Calendar,
                                 CommandIcon::PasswordReport, CommandIcon::Protect,
                                 CommandIcon::Settings,       CommandIcon::Lock};
    std::vector<QImage> images;
    for (const CommandIcon kind : kinds) {
        images.push_back(builtInIcon(kind).pixmap(16, 16).toImage());
    }
    for (std::size_t i = 0; i < images.size(); ++i) {
        for (std::size_t j = i + 1; j < images.size(); ++j) {
            EXPECT_NE(images[i], images[j]) << i << " and " << j;
        }
    }
    // Every command of the file menu has a picture.
    for (QAction* item : window->findChild<QMenu*>(QStringLiteral("nFile"))->actions()) {
        EXPECT_TRUE(item->isSeparator() || !item->icon().isNull())
            << item->objectName().toStdString();
    }
}

TEST_F(MainWindowTest, StatusBarShowsLongHintOfToolbarButton) {
    showWindow();
    auto* button = window->findChild<QToolButton*>(QStringLiteral("btShowPwd"));
    QTest::mouseMove(button);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(button, &enter);
    EXPECT_EQ(window->statusBar()->currentMessage(), "Показывать пароли в главном окне");
    EXPECT_EQ(window->statusBar()->objectName(), "sbMain");
}

TEST_F(MainWindowTest, ColumnsHeadersAndPasswordToggle) {
    showWindow();
    QStringList headers;
    for (int c = 0; c < list->model()->columnCount(); ++c) {
        headers << list->model()->headerData(c, Qt::Horizontal).toString();
    }
    EXPECT_EQ(headers, (QStringList{"№", "Имя", "Пароль", "Ресурс", "Начало действия",
                                    "Окончание действия", "Описание"}));
    EXPECT_EQ(list->horizontalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_TRUE(list->isColumnHidden(2));
    const auto total = [&] {
        int sum = 0;
        for (int c = 0; c < 7; ++c) {
            sum += list->isColumnHidden(c) ? 0 : list->columnWidth(c);
        }
        return sum;
    };
    EXPECT_EQ(total(), list->viewport()->width()) << "auto-size columns share the width";
    EXPECT_GE(list->columnWidth(5), 120);
    EXPECT_TRUE(list->showGrid());
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(list->palette().color(QPalette::Inactive, QPalette::Highlight),
              list->palette().color(QPalette::Active, QPalette::Highlight));
    EXPECT_EQ(list->model()->rowCount(), 0);
    SaveSnapshot(*window, QStringLiteral("main_window_empty"));

    fill();
    session.add(rec("999999", "six digits", "pw"));
    // The fixed "№" column shows numbers up to 999 999 whole in the list's font.
    QStyleOptionViewItem option;
    option.initFrom(list);
    option.font = list->font();
    const QModelIndex longest = list->model()->index(3, 0);
    EXPECT_LE(list->itemDelegate()->sizeHint(option, longest).width() + 1, list->columnWidth(0));
    EXPECT_GE(list->columnWidth(0), 30);
    SaveSnapshot(*window, QStringLiteral("main_window_records"));
    action("ShowPwd")->trigger();
    EXPECT_FALSE(list->isColumnHidden(2));
    EXPECT_GE(list->columnWidth(2), 70);
    EXPECT_TRUE(window->passwordColumn().autoSize);
    EXPECT_EQ(total(), list->viewport()->width());
    EXPECT_EQ(cell(0, 2), "secret-1") << "passwords are never masked";
    SaveSnapshot(*window, QStringLiteral("main_window_passwords"));
    action("ShowPwd")->trigger();
    EXPECT_TRUE(list->isColumnHidden(2));
    EXPECT_EQ(window->passwordColumn().width, 0);

    window->resize(900, 500);
    QApplication::processEvents();
    EXPECT_EQ(total(), list->viewport()->width()) << "the columns follow the window";
}

TEST_F(MainWindowTest, HeaderClickSortsAndKeepsTheSelection) {
    showWindow();
    fill();
    selectRow(1); // "2" Борис
    ASSERT_EQ(selectedRow(), 1u);
    QHeaderView* header = list->horizontalHeader();
    const auto clickHeader = [&](int column) {
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    };
    clickHeader(0);
    EXPECT_EQ(session.sortColumn(), 0);
    EXPECT_EQ((QStringList{cell(0, 0), cell(1, 0), cell(2, 0)}), (QStringList{"1", "10", "2"}));
    EXPECT_EQ(selectedRow(), 2u);
    EXPECT_EQ(list->selectionModel()->selectedRows().value(0).row(), 2);

    clickHeader(1);
    EXPECT_EQ((QStringList{cell(0, 1), cell(1, 1), cell(2, 1)}),
              (QStringList{"Zed", "alice", "Борис"}));
    EXPECT_EQ(session.sortColumn(), 1);
    EXPECT_EQ(cell(static_cast<int>(selectedRow().value()), 1), "Борис");
    clickHeader(1);
    EXPECT_EQ(cell(0, 1), "Zed") << "no descending toggle";
    EXPECT_FALSE(session.modified()) << "sorting alone changes no data";
    EXPECT_EQ(session.records()[0].number, "10") << "the sorted order is the list's order";
}

TEST_F(MainWindowTest, DeleteKeyAsksAndRemovesTheSelectedRecord) {
    showWindow();
    fill();
    selectRow(0);
    list->setFocus();
    prompts.answers = {Answer::Yes};
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(prompts.log, std::vector<std::string>{"confirm: Удалить выделенную запись?"});
    EXPECT_EQ(list->model()->rowCount(), 2);
    EXPECT_EQ(cell(0, 0), "2");
    EXPECT_TRUE(session.modified());
    EXPECT_FALSE(window->selectedRecord());
    EXPECT_TRUE(list->selectionModel()->selectedRows().isEmpty());

    session.setModified(false);
    prompts.answers = {Answer::Yes};
    action("RcrdDelete")->trigger(); // nothing selected
    EXPECT_EQ(list->model()->rowCount(), 2);
    EXPECT_FALSE(session.modified());
}

TEST_F(MainWindowTest, ClickOnTheSelectedNumberEditsItInPlace) {
    showWindow();
    fill();
    selectRow(1);
    const QModelIndex number = list->model()->index(1, 0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(number).center());
    auto* editor = list->findChild<QLineEdit*>();
    ASSERT_TRUE(QTest::qWaitFor([&] {
        editor = list->findChild<QLineEdit*>();
        return editor != nullptr && editor->isVisible();
    }));
    EXPECT_EQ(editor->text(), "2");
    editor->setText(QStringLiteral("7б"));
    QTest::keyClick(editor, Qt::Key_Return); // commits through a queued call
    EXPECT_TRUE(QTest::qWaitFor([&] { return session.records()[1].number == Utf8ToCp1251("7б"); }));
    EXPECT_EQ(cell(1, 0), "7б");
    EXPECT_TRUE(session.modified()) << "a number edit is a change to save";

    // A character 1251 cannot hold is refused and the number stays.
    EXPECT_FALSE(list->model()->setData(number, QStringLiteral("7\u4e00")));
    EXPECT_EQ(session.records()[1].number, Utf8ToCp1251("7б"));
    ASSERT_FALSE(prompts.log.empty());
    EXPECT_EQ(prompts.log.back(),
              "error: Символ \"\u4e00\" (U+4E00) в позиции 2 нельзя сохранить в "
              "кодировке Windows-1251");
    // Other columns are not editable.
    EXPECT_FALSE(list->model()->flags(list->model()->index(1, 1)) & Qt::ItemIsEditable);
}

TEST_F(MainWindowTest, CloseWithCancelStaysAfterStoringOptions) {
    showWindow();
    session.setModified(true);
    prompts.answers = {Answer::Cancel};
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(prompts.log.front(), "options stored");
    EXPECT_EQ(ended, 0);
}

TEST_F(MainWindowTest, CloseWithYesAndCancelledDialogEndsWithoutSaving) {
    showWindow();
    fill();
    session.setModified(true);
    session.setCurrentFile(dir / "not-there.vtr");
    prompts.answers = {Answer::Yes};
    prompts.fileNames = {std::nullopt};
    EXPECT_TRUE(window->close());
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(std::filesystem::exists(session.currentFile()));
    EXPECT_EQ(prompts.log.back(), "save");
}

TEST_F(MainWindowTest, GeneratorOptionsAreStoredInTheSettingsFileOnClose) {
    TfmMain real(session, prompts); // with the program's own options saver
    session.setProgramDirectory(dir.path() / "");
    real.setProgramEnder([] {});
    session.generatorOptions().Digit = true;
    session.generatorOptions().MaxPwd = 12;
    real.show();
    EXPECT_TRUE(real.close());
    EXPECT_EQ(ReadSetting("GeneratorSetting", "Digit", session.settingsFile()), "True");
    EXPECT_EQ(ReadSetting("GeneratorSetting", "MaxPwd", session.settingsFile()), "12");
}

TEST_F(MainWindowTest, CtrlXRunsTheCloseSequence) {
    showWindow();
    fill();
    session.setModified(true);
    prompts.answers = {Answer::Cancel};
    QTest::keyClick(window.get(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(ended, 0);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(prompts.log, (std::vector<std::string>{"options stored",
                                                     std::string("confirm: ") + kCloseQuestion}));
    prompts.answers = {Answer::No};
    action("NExit")->trigger();
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(prompts.log.size(), 4u);
}

TEST_F(MainWindowTest, CtrlSThenCloseAsksNothing) {
    showWindow();
    fill();
    session.setModified(true);
    session.setCurrentFile(dir / "saved.vtr");
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(session.modified());
    EXPECT_EQ(window->windowTitle(),
              QString::fromStdString("Vantrel - " + session.currentFile().string()));
    EXPECT_TRUE(window->close());
    EXPECT_EQ(prompts.log, std::vector<std::string>{"options stored"});
    EXPECT_EQ(ReadRecordFile(session.currentFile(), RecordFileKind::Encrypted, session.cipher())
                  .records.size(),
              3u);
}

// With no delay the progress dialog comes up at the first report; while it is
// up the program handles events (the timer below runs) and the window will
// not close.
TEST_F(MainWindowTest, SaveShowsProgressAndTheWindowStaysOpenMeanwhile) {
    showWindow();
    fill();
    QtProgress progress(window.get(), 0);
    window->fileCommands().setProgress(&progress);
    session.setCurrentFile(dir / "saved.vtr");
    bool seen = false;
    QTimer::singleShot(0, [&] {
        QProgressDialog* dialog = progress.dialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_TRUE(dialog->isModal());
        EXPECT_EQ(dialog->labelText(), "Сохранение файла saved.vtr");
        EXPECT_EQ(dialog->windowTitle(), "Vantrel Lite");
        SaveSnapshot(*dialog, QStringLiteral("progress_dialog"));
        EXPECT_FALSE(window->close());
        seen = true;
    });
    action("FileSaveCmd")->trigger();
    EXPECT_TRUE(seen);
    EXPECT_EQ(progress.dialog(), nullptr);
    EXPECT_EQ(ended, 0);
    EXPECT_EQ(ReadRecordFile(session.currentFile(), RecordFileKind::Encrypted, session.cipher())
                  .records.size(),
              3u);
    window->fileCommands().setProgress(nullptr);
}

TEST_F(MainWindowTest, OpenTxtOffersWipeAndSaveAsksForAnEncryptedName) {
    showWindow();
    const auto path = dir / "import.txt";
    WriteBytes(path, "4\r\n\t" + Utf8ToCp1251("Вера") + "\r\n\tpw\r\n");
    prompts.fileNames = {path};
    prompts.answers = {Answer::Ok};
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(cell(0, 1), "Вера");
    EXPECT_EQ(window->windowTitle(), QString::fromStdString("Vantrel - " + path.string()));
    EXPECT_EQ(prompts.log.back(), "confirm: Уничтожить незашифрованную копию файла?");
    EXPECT_FALSE(std::filesystem::exists(path));

    const auto encrypted = dir / "import.vtr";
    prompts.fileNames = {encrypted};
    action("FileSaveCmd")->trigger();
    EXPECT_EQ(prompts.suggestedNames, std::vector<std::filesystem::path>{encrypted});
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(window->windowTitle(), QString::fromStdString("Vantrel - " + encrypted.string()));
    EXPECT_EQ(
        ReadRecordFile(encrypted, RecordFileKind::Encrypted, session.cipher()).records[0].fields[0],
        Utf8ToCp1251("Вера"));
}

TEST_F(MainWindowTest, SaveAsTxtWarnsKeepsFlagAndNamesTheFile) {
    showWindow();
    fill();
    session.setModified(true);
    const auto path = dir / "export.txt";
    prompts.fileNames = {path};
    action("FileSaveAsCmd")->trigger();
    EXPECT_EQ(prompts.log.back(), "inform: Внимание!\rФайл сохранен в незашифрованном виде.");
    EXPECT_TRUE(session.modified());
    EXPECT_EQ(window->windowTitle(), QString::fromStdString("Vantrel - " + path.string()));
    EXPECT_EQ(ReadBytes(path), FormatRecordText(session.records()));
}

TEST_F(MainWindowTest, OpenWithUnsavedChangesAndCancelKeepsTheFlag) {
    showWindow();
    const auto path = dir / "other.vtr";
    WriteRecordFile(path, RecordFileKind::Encrypted, session.cipher(), {rec("8", "eight", "p")});
    fill();
    session.setModified(true);
    prompts.fileNames = {path};
    prompts.answers = {Answer::Cancel};
    action("FileOpenCmd")->trigger();
    EXPECT_EQ(list->model()->rowCount(), 1);
    EXPECT_TRUE(session.modified());
    prompts.answers = {Answer::Cancel};
    EXPECT_FALSE(window->close()) << "the close asks to save the newly loaded records";
}

TEST_F(MainWindowTest, UnreadableFileShowsErrorAndKeepsListAndCaption) {
    showWindow();
    fill();
    const auto path = dir / "missing.vtr";
    prompts.fileNames = {path};
    action("FileOpenCmd")->trigger();
    EXPECT_EQ(prompts.log.back(), "error: Cannot open file " + path.string());
    EXPECT_EQ(list->model()->rowCount(), 3);
    EXPECT_EQ(window->windowTitle(), "Vantrel Lite");
    EXPECT_TRUE(session.currentFile().empty());
}

TEST_F(MainWindowTest, SaveIntoUnwritablePlaceShowsErrorAndKeepsOldFile) {
    showWindow();
    fill();
    // A "folder" that is a regular file: no file can be created below it, even
    // by root.
    const auto blocker = dir / "blocker";
    WriteBytes(blocker, "old content");
    session.setCurrentFile(blocker / "records.vtr");
    session.setModified(true);
    action("FileSaveCmd")->trigger();
    EXPECT_EQ(prompts.log.back(), "error: Cannot create file " + session.currentFile().string());
    EXPECT_EQ(ReadBytes(blocker), "old content");
    EXPECT_TRUE(session.modified());
    EXPECT_EQ(window->windowTitle(), "Vantrel Lite");
}

TEST_F(MainWindowTest, ActivationShowsTheLoginDialogUntilLoggedIn) {
    QDialog login;
    window->setLoginDialog(&login);
    session.logOut();
    window->FormActivate();
    EXPECT_TRUE(login.isVisible());
    EXPECT_FALSE(login.isModal());
    login.hide();
    session.logIn("user");
    window->FormActivate();
    EXPECT_FALSE(login.isVisible());

    session.logOut();
    window->show();
    window->activateWindow(); // the activation itself brings it up
    EXPECT_TRUE(QTest::qWaitFor([&] { return login.isVisible(); }));
}

TEST_F(MainWindowTest, FlatButtonsItemTogglesAndRecordsTheSetting) {
    window->NFlattbMainClick();
    EXPECT_FALSE(window->toolbarFlat());
    EXPECT_FALSE(action("NFlattbMain")->isChecked());
    EXPECT_FALSE(window->findChild<QToolButton*>("btOpen")->autoRaise());
    EXPECT_EQ(ReadSetting("VTRSettings", "FlattbMain", session.settingsFile()), "False");
    action("NFlattbMain")->trigger();
    EXPECT_TRUE(action("NFlattbMain")->isChecked());
    EXPECT_TRUE(window->findChild<QToolButton*>("btOpen")->autoRaise());
    EXPECT_EQ(ReadSetting("VTRSettings", "FlattbMain", session.settingsFile()), "True");
}

TEST_F(MainWindowTest, PrinterSetupOpensThePrintDialog) {
    showWindow();
    bool seen = false;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget())) {
            seen = true;
            dialog->reject();
        }
    });
    action("PrinterPrprts")->trigger();
    EXPECT_TRUE(seen);
}

TEST_F(MainWindowTest, AddAndEditGoThroughTheRecordEditor) {
    showWindow();
    fill();
    answerEditor(QStringLiteral("Новый"));
    QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(editorCaption, "Новая запись");
    ASSERT_EQ(list->model()->rowCount(), 4);
    EXPECT_EQ(cell(3, 0), "11") << "largest integer number + 1";
    EXPECT_EQ(cell(3, 1), "Новый");
    EXPECT_EQ(session.records()[3].fields[kFieldNote], " ") << "an empty note is stored as a space";
    EXPECT_TRUE(session.modified());
    EXPECT_EQ(selectedRow(), 3u) << "the new record is selected";
    answerEditor(QStringLiteral("Новый"));
    action("RcrdEdit")->trigger();
    EXPECT_EQ(editorCaption, "Редактирование записи 11");
    EXPECT_EQ(list->model()->rowCount(), 4);

    // A double-click on a record edits it in place in the list.
    session.setModified(false);
    const QRect row = list->visualRect(list->model()->index(0, 1));
    answerEditor(QStringLiteral("alicia"));
    // A double-click is a press, a release, then the double-click itself.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
    ASSERT_EQ(selectedRow(), 0u);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(editorCaption, "Редактирование записи 1");
    EXPECT_EQ(editorName, "alice");
    EXPECT_EQ(cell(0, 1), "alicia");
    EXPECT_EQ(cell(0, 0), "1");
    EXPECT_EQ(list->model()->rowCount(), 4);
    EXPECT_TRUE(session.modified());
    EXPECT_EQ(selectedRow(), 0u) << "the edited record stays selected";

    // After a sort, Edit hits the selected record at its new place.
    window->selectRecord(session.idAt(1)); // "2" Борис
    window->lvMainColumnClick(0);          // 1, 10, 11, 2
    answerEditor(QStringLiteral("Boris"));
    action("RcrdEdit")->trigger();
    EXPECT_EQ(editorCaption, "Редактирование записи 2");
    EXPECT_EQ(editorName, "Борис");
    EXPECT_EQ((QStringList{cell(0, 1), cell(1, 1), cell(2, 1), cell(3, 1)}),
              (QStringList{"alicia", "Zed", "Новый", "Boris"}));
    EXPECT_EQ(selectedRow(), 3u);

    // Cancel changes nothing.
    session.setModified(false);
    answerEditor(QStringLiteral("ignored"), "btCancel");
    action("RcrdEdit")->trigger();
    EXPECT_EQ(cell(3, 1), "Boris");
    EXPECT_FALSE(session.modified());
}

TEST_F(MainWindowTest, PasswordReportListsGroupsAndOpensTheEditor) {
    showWindow();
    // rec() ends every record on 31.12.25: all of them have expired.
    session.replaceAll(
        {rec("1", "alice", "qwerty"), rec("2", "bob", "qwerty"), rec("3", "carol", "")});
    const auto report = [this](const std::function<void(QTreeWidget&)>& check) {
        QTimer::singleShot(0, [check] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), "Отчёт о паролях");
            check(*dialog->findChild<QTreeWidget*>(QStringLiteral("tvReport")));
            dialog->reject();
        });
        action("NPwdReport")->trigger();
    };
    const auto lines = [](QTreeWidgetItem* group) {
        QStringList texts;
        for (int i = 0; i < group->childCount(); ++i) {
            QStringList cells;
            for (int column = 0; column < group->treeWidget()->columnCount(); ++column) {
                cells << group->child(i)->text(column);
            }
            texts << cells.join(QLatin1Char('|'));
        }
        return texts;
    };
    report([&](QTreeWidget& tree) {
        ASSERT_EQ(tree.topLevelItemCount(), 4);
        EXPECT_EQ(tree.topLevelItem(0)->text(0), "Слабые (2)");
        EXPECT_EQ(tree.topLevelItem(3)->text(0), "Пустой пароль (1)");
        EXPECT_EQ(tree.headerItem()->text(3), "Причина") << "no password column";
        EXPECT_EQ(lines(tree.topLevelItem(1)),
                  (QStringList{"1|alice|почта|Один пароль у записей: 2 (набор 1)",
                               "2|bob|почта|Один пароль у записей: 2 (набор 1)"}));
        EXPECT_EQ(lines(tree.topLevelItem(2)).size(), 3);
        SaveSnapshot(*tree.window(), QStringLiteral("password_report"));

        // A double-click opens the record in the editor; the report follows the edit.
        QTreeWidgetItem* bob = tree.topLevelItem(1)->child(1);
        answerEditor(QStringLiteral("bobby"));
        tree.scrollToItem(bob);
        const QRect place = tree.visualItemRect(bob);
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, place.center());
        QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, place.center());
        EXPECT_EQ(editorCaption, "Редактирование записи 2");
        EXPECT_EQ(editorName, "bob");
        EXPECT_EQ(tree.topLevelItem(1)->child(1)->text(1), "bobby");
    });
    EXPECT_EQ(cell(1, 1), "bobby");
    EXPECT_EQ(selectedRow(), 1u);

    window->ShowPwdExecute();
    report([&](QTreeWidget& tree) {
        EXPECT_EQ(tree.headerItem()->text(3), "Пароль");
        EXPECT_EQ(tree.topLevelItem(0)->child(0)->text(3), "qwerty");
    });
}

// With BreachListFile in the settings file the report checks the passwords
// against that list; a damaged list is named and the report goes on.
TEST_F(MainWindowTest, PasswordReportShowsBreachedPasswords) {
    showWindow();
    session.replaceAll({rec("1", "alice", "qwerty"), rec("2", "bob", "Hv7#qLm2$wZp9!"),
                        rec("3", "carol", "qwerty")});
    const std::filesystem::path listFile = dir.path() / "breaches.txt";
    WriteBytes(listFile, "0000000000000000000000000000000000000000:1\r\n"
                         "B1B3773A05C0ED0176787A4F1574FF0075F7521E:3912816\r\n"); // "qwerty"
    WriteSetting("VTRSettings", "BreachListFile", listFile.string(), session.settingsFile());
    const auto report = [this](const std::function<void(QDialog&, QTreeWidget&)>& check) {
        QTimer::singleShot(0, [check] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            check(*dialog, *dialog->findChild<QTreeWidget*>(QStringLiteral("tvReport")));
            dialog->reject();
        });
        action("NPwdReport")->trigger();
    };
    report([](QDialog& dialog, QTreeWidget& tree) {
        ASSERT_EQ(tree.topLevelItemCount(), 5);
        QTreeWidgetItem* breached = tree.topLevelItem(4);
        EXPECT_EQ(breached->text(0), "Скомпрометированные (2)");
        ASSERT_EQ(breached->childCount(), 2);
        EXPECT_EQ(breached->child(0)->text(1), "alice");
        EXPECT_EQ(breached->child(1)->text(1), "carol");
        EXPECT_EQ(breached->child(1)->text(3), "Встречается в утечках: 3912816 раз");
        SaveSnapshot(dialog, QStringLiteral("password_report_breaches"));
    });

    WriteBytes(listFile, "B1B3773A05C0ED0176787A4F1574FF0075F7521E:3\r\nnot a hash\r\n");
    report([](QDialog& dialog, QTreeWidget& tree) {
        EXPECT_EQ(tree.topLevelItemCount(), 4);
        const QString summary = dialog.findChild<QLabel*>(QStringLiteral("lbSummary"))->text();
        EXPECT_TRUE(summary.contains("повреждён")) << summary.toStdString();
        SaveSnapshot(dialog, QStringLiteral("password_report_damaged_breach_list"));
    });
}

TEST_F(MainWindowTest, EditWithoutSelectionAddsARecord) {
    showWindow();
    fill();
    list->clearSelection();
    ASSERT_FALSE(window->selectedRecord());
    answerEditor(QStringLiteral("x"));
    action("RcrdEdit")->trigger();
    EXPECT_EQ(editorCaption, "Новая запись");
    ASSERT_EQ(list->model()->rowCount(), 4);
    EXPECT_EQ(cell(0, 1), "alice");
    EXPECT_EQ(cell(3, 1), "x");

    // A double-click on the empty part of the list is the Edit command too.
    list->clearSelection();
    answerEditor(QStringLiteral("y"));
    const QPoint below(10, list->viewport()->height() - 5);
    ASSERT_FALSE(list->indexAt(below).isValid());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(editorCaption, "Новая запись");
    ASSERT_EQ(list->model()->rowCount(), 5);
    EXPECT_EQ(cell(4, 1), "y");
}

// The list's tools: search, expiry marks, copy commands, the guarded clipboard.
QStringList shownNames(const QTableView* list) {
    QStringList names;
    for (int row = 0; row < list->model()->rowCount(); ++row) {
        names << list->model()->index(row, 1).data().toString();
    }
    return names;
}

QString visibleText(const QWidget* window, const char* labelName) {
    const auto* label = window->findChild<QLabel*>(QString::fromLatin1(labelName));
    return label->isVisible() ? label->text() : QString();
}

std::string endingIn(int days) {
    return WriteDateText(std::chrono::sys_days{LocalToday()} + std::chrono::days{days});
}

// Number, name (UTF-8), password, resource (UTF-8), end date, note (UTF-8).
Record listRecord(const char* number, const char* name, const char* password, const char* resource,
                  const std::string& endDate, const char* note = " ") {
    return {number,
            {Utf8ToCp1251(name), password, Utf8ToCp1251(resource), "01.01.24", endDate,
             Utf8ToCp1251(note)}};
}

void fillForTools(Session& session) {
    session.replaceAll({
        listRecord("1", "Борис", "pw-1", "mail.example.org", endingIn(-1), "рабочая почта"),
        listRecord("2", "alice", "pw-2", "почта", endingIn(0)),
        listRecord("3", "ЁЛКА", "pw-3", "bank.example", endingIn(15), "Вклад"),
        listRecord("4", "бОРИСОВ", "", "", "99.99.99"),
        listRecord("5", "Zed", "pw-5", "ftp", endingIn(14), "на ЁЛКЕ"),
    });
}

TEST_F(MainWindowTest, SearchIgnoresCyrillicCaseAndChangesNothingElse) {
    showWindow();
    fillForTools(session);
    auto* search = window->findChild<QLineEdit*>(QStringLiteral("edSearch"));
    EXPECT_EQ(search->placeholderText(), "Поиск (Ctrl+F)");
    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(search->hasFocus());
    const std::pair<const char*, QStringList> cases[] = {
        {"бор", {"Борис", "бОРИСОВ"}},
        {"ёлк", {"ЁЛКА", "Zed"}}, // Zed by the note "на ЁЛКЕ"
        {"4", {"бОРИСОВ"}},       // the number
        {"pw", {}},               // passwords are not searched
        {"\u4e00", {}},
        {"", {"Борис", "alice", "ЁЛКА", "бОРИСОВ", "Zed"}},
    };
    for (const auto& [text, names] : cases) {
        search->setText(QString::fromUtf8(text));
        EXPECT_EQ(shownNames(list), names) << text;
        EXPECT_EQ(visibleText(window.get(), "lbShown"),
                  *text == '\0' ? QString() : QStringLiteral("Показано %1 из 5").arg(names.size()));
    }
    search->setText(QStringLiteral("ПОЧТА")); // an expired and an expiring record
    SaveSnapshot(*window, QStringLiteral("main_window_search"));
    const auto tip = [&](int row) {
        return cell(row, 3) + " " + list->model()->index(row, 3).data(Qt::ToolTipRole).toString();
    };
    EXPECT_EQ(tip(0), "mail.example.org Срок действия истёк");
    EXPECT_EQ(tip(1), QString::fromStdString("почта Срок действия истекает " + endingIn(0)));
    EXPECT_TRUE(list->model()->index(0, 1).data(Qt::FontRole).value<QFont>().strikeOut());
    EXPECT_FALSE(session.modified());
    EXPECT_EQ(session.records()[3].number, "4") << "the list keeps its order";
    QTest::keyClick(search, Qt::Key_Escape);
    EXPECT_TRUE(search->text().isEmpty());
    EXPECT_TRUE(list->hasFocus());
}

TEST_F(MainWindowTest, CommandsHitTheSelectedRecordUnderASearchAndASort) {
    showWindow();
    fillForTools(session);
    window->lvMainColumnClick(1); // by name: Zed, alice, Борис, ЁЛКА, бОРИСОВ
    auto* search = window->findChild<QLineEdit*>(QStringLiteral("edSearch"));
    search->setText(QStringLiteral("бор"));
    ASSERT_EQ(shownNames(list), (QStringList{"Борис", "бОРИСОВ"}));

    selectRow(1);
    answerEditor(QStringLiteral("Борисов-2"));
    action("RcrdEdit")->trigger();
    EXPECT_EQ(editorCaption, "Редактирование записи 4");
    EXPECT_EQ(selectedRow(), 4u) << "the edited record stays shown and selected";
    ASSERT_TRUE(list->model()->setData(list->model()->index(1, 0), QStringLiteral("40")));
    EXPECT_EQ(session.records()[4].number, "40");

    selectRow(0);
    prompts.answers = {Answer::Yes};
    action("RcrdDelete")->trigger();
    EXPECT_EQ(shownNames(list), (QStringList{"Борисов-2"}));
    EXPECT_EQ(visibleText(window.get(), "lbShown"), "Показано 1 из 4");
    std::vector<std::string> kept;
    for (const Record& record : session.records()) {
        kept.push_back(Cp1251ToUtf8(record.fields[kFieldName]));
    }
    EXPECT_EQ(kept, (std::vector<std::string>{"Zed", "alice", "ЁЛКА", "Борисов-2"}));

    // A record added while the search is on is shown until the search changes.
    answerEditor(QStringLiteral("Новый"));
    action("RcrdAdd")->trigger();
    EXPECT_EQ(shownNames(list), (QStringList{"Борисов-2", "Новый"}));
    EXPECT_EQ(visibleText(window.get(), "lbShown"), "Показано 2 из 5");
    search->setText(QStringLiteral("бо"));
    EXPECT_EQ(shownNames(list), (QStringList{"Борисов-2"}));
}

// Another machine's writes reach the file through a sync tool, which renames
// its copy over the file.
class SyncedFileTest : public MainWindowTest {
protected:
    void openSynced() {
        showWindow();
        fill();
        WriteRecordFile(path, RecordFileKind::Encrypted, session.cipher(), session.records());
        theirs = session.records();
        prompts.fileNames = {path};
        action("FileOpenCmd")->trigger();
        ASSERT_EQ(session.currentFile(), path);
        prompts.log.clear();
    }
    void writeOutside(const Record& added) {
        theirs.push_back(added);
        const auto incoming = dir / ".synced.vtr.part";
        WriteRecordFile(incoming, RecordFileKind::Encrypted, session.cipher(), theirs);
        std::filesystem::rename(incoming, path);
    }
    bool statusSays(const char* note) {
        return QTest::qWaitFor(
            [&] { return window->statusBar()->currentMessage() == QString::fromUtf8(note); },
            10000);
    }
    std::string selectedName() {
        const auto row = session.rowOf(window->selectedRecord().value_or(0));
        return row ? session.records()[*row].fields[0] : std::string();
    }

    const std::filesystem::path path = dir / "synced.vtr";
    RecordList theirs;
};

TEST_F(SyncedFileTest, OutsideWritesAreReadAgainOrAskedAboutAtCtrlS) {
    openSynced();
    selectRow(1);
    ASSERT_EQ(selectedName(), Utf8ToCp1251("Борис"));
    writeOutside(rec("11", "eve", "pw-11"));
    ASSERT_TRUE(statusSays(kReloadedNote));
    EXPECT_EQ(list->model()->rowCount(), 4);
    EXPECT_EQ(selectedName(), Utf8ToCp1251("Борис")) << "the same record stays selected";
    EXPECT_FALSE(session.modified());
    EXPECT_TRUE(prompts.log.empty()) << "an unchanged list is read again without a question";

    // A local delete, a second outside write, then Ctrl+S: asked, and Cancel
    // leaves the file as the other writer left it.
    prompts.answers = {Answer::Yes};
    action("RcrdDelete")->trigger();
    ASSERT_TRUE(session.modified());
    writeOutside(rec("12", "fred", "pw-12"));
    ASSERT_TRUE(statusSays(kChangedWithEditsNote));
    EXPECT_EQ(list->model()->rowCount(), 3);
    const std::string second = ReadBytes(path);
    prompts.log.clear();
    prompts.diskChangeAnswers = {Prompts::DiskChangeAnswer::Cancel};
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(prompts.log.size(), 1u);
    EXPECT_EQ(prompts.log[0].rfind("disk change: ", 0), 0u);
    EXPECT_EQ(ReadBytes(path), second);
    EXPECT_TRUE(session.modified());
    EXPECT_TRUE(prompts.exhausted());
}

TEST_F(SyncedFileTest, AChangeWhileTheEditorIsOpenIsReadWhenItCloses) {
    openSynced();
    bool waited = false;
    QTimer::singleShot(0, [&] {
        auto* editor = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(editor, nullptr);
        writeOutside(rec("11", "eve", "pw-11"));
        waited = statusSays(kReloadLaterNote);
        EXPECT_EQ(session.size(), 3u) << "not read under the open editor";
        editor->findChild<QAbstractButton*>(QStringLiteral("btCancel"))->click();
    });
    action("RcrdAdd")->trigger();
    EXPECT_TRUE(waited);
    EXPECT_EQ(session.size(), 4u);
    EXPECT_EQ(window->statusBar()->currentMessage(), QString::fromUtf8(kReloadedNote));
}

TEST_F(SyncedFileTest, ConflictCopiesAreNamedOncePerRun) {
    WriteBytes(dir / "synced.sync-conflict-20260101-120000-ABC.vtr", "x");
    openSynced();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !prompts.log.empty(); }));
    EXPECT_EQ(prompts.log, std::vector<std::string>{
                               "inform: " + ConflictCopiesNote(path, ConflictCopiesOf(path))});
    EXPECT_NE(prompts.log[0].find("synced.sync-conflict-20260101-120000-ABC.vtr"),
              std::string::npos);
    prompts.fileNames = {path};
    action("FileOpenCmd")->trigger();
    QApplication::processEvents();
    EXPECT_EQ(prompts.log.back(), "open") << "named once in a run";
}

TEST(ExpiryMarksTest, MarksFollowTheDateOverMidnight) {
    Session session;
    ScriptedPrompts prompts;
    session.replaceAll({listRecord("1", "a", "p", "r", "07.12.26"),
                        listRecord("2", "b", "p", "r", "08.12.26"),
                        listRecord("3", "c", "p", "r", "23.12.26")});
    RecordTableModel model(session, prompts);
    std::chrono::year_month_day today{std::chrono::year(2026), std::chrono::month(12),
                                      std::chrono::day(8)};
    ExpiryMarks marks(session, &model, [&] { return today; });
    const auto tips = [&] {
        QStringList shown;
        for (int row = 0; row < marks.rowCount(); ++row) {
            shown << marks.index(row, 0).data(Qt::ToolTipRole).toString();
        }
        return shown;
    };
    EXPECT_EQ(tips(), (QStringList{"Срок действия истёк", "Срок действия истекает 08.12.26", ""}));
    QSignalSpy changed(&marks, &QAbstractItemModel::dataChanged);
    marks.checkDate();
    EXPECT_EQ(changed.count(), 0) << "the same day redraws nothing";
    today = std::chrono::sys_days{today} + std::chrono::days{1};
    marks.checkDate();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(tips(), (QStringList{"Срок действия истёк", "Срок действия истёк",
                                   "Срок действия истекает 23.12.26"}));
}

// WCAG contrast ratio of two colours (1 … 21).
double contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto linear = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST_F(MainWindowTest, ExpiryMarksReadInALightAndADarkTheme) {
    const QPalette original = QApplication::palette();
    QPalette dark = original;
    for (const auto& [role, color] : {std::pair{QPalette::Window, QColor(45, 45, 48)},
                                      {QPalette::Base, QColor(30, 30, 30)},
                                      {QPalette::AlternateBase, QColor(40, 40, 42)},
                                      {QPalette::Button, QColor(55, 55, 58)},
                                      {QPalette::Text, QColor(235, 235, 235)},
                                      {QPalette::WindowText, QColor(235, 235, 235)},
                                      {QPalette::ButtonText, QColor(235, 235, 235)},
                                      {QPalette::PlaceholderText, QColor(150, 150, 150)}}) {
        dark.setColor(role, color);
    }
    const std::pair<const char*, QPalette> themes[] = {{"light", original}, {"dark", dark}};
    showWindow();
    fillForTools(session); // rows 1 and 2 have expired, 3 ends in 15 days, 5 in 14
    for (const auto& [name, palette] : themes) {
        QApplication::setPalette(palette);
        const QColor text = palette.color(QPalette::Text);
        const QColor base = palette.color(QPalette::Base);
        const auto role = [&](int row, Qt::ItemDataRole which) {
            return list->model()->index(row, 1).data(which).value<QBrush>().color();
        };
        EXPECT_GE(contrast(text, role(4, Qt::BackgroundRole)), 4.5) << name;
        EXPECT_GE(contrast(role(4, Qt::BackgroundRole), base), 1.2) << name << ": tint visible";
        EXPECT_GE(contrast(role(0, Qt::ForegroundRole), base), 3.0) << name;
        EXPECT_GE(contrast(role(0, Qt::ForegroundRole), text), 1.5) << name << ": dimmed";
        QApplication::processEvents();
        SaveSnapshot(*window, QStringLiteral("main_window_expiry_%1").arg(QLatin1String(name)));
    }
    QApplication::setPalette(original);
}

TEST_F(MainWindowTest, CopyCommandsOfTheList) {
    showWindow();
    fillForTools(session);
    QClipboard* clipboard = QApplication::clipboard();
    const auto menuState = [&] {
        QString state;
        for (QAction* item : window->findChild<QMenu*>(QStringLiteral("pmList"))->actions()) {
            state += item->text() + (!item->isVisible() ? "-" : item->isEnabled() ? "+" : "0");
        }
        return state;
    };
    list->clearSelection();
    EXPECT_EQ(menuState(), "Копировать имя0Копировать пароль0Копировать ресурс0Открыть ресурс-");
    const std::pair<int, const char*> rows[] = {{3, "+00-"}, {1, "+++-"}, {0, "++++"}};
    for (const auto& [row, state] : rows) {
        selectRow(row);
        EXPECT_EQ(menuState().remove(QRegularExpression("[^-+0]")), state) << row;
    }
    auto* menu = window->findChild<QMenu*>(QStringLiteral("pmList"));
    menu->popup(list->viewport()->mapToGlobal(QPoint(40, 10)));
    SaveSnapshot(*menu, QStringLiteral("list_menu"));
    menu->hide();
    QUrl opened;
    bool browserFound = true;
    const AddressOpener previous = SetAddressOpener([&](const QUrl& url) {
        opened = url;
        return browserFound;
    });
    action("ListOpenResource")->trigger();
    EXPECT_EQ(opened, QUrl(QStringLiteral("https://mail.example.org")));
    EXPECT_TRUE(prompts.log.empty());
    // Without a browser both commands say so.
    browserFound = false;
    action("ListOpenResource")->trigger();
    action("SiteEnter")->trigger();
    SetAddressOpener(previous);
    EXPECT_EQ(prompts.log,
              (std::vector<std::string>{
                  "error: Не удалось открыть адрес https://mail.example.org: не найден браузер",
                  "error: Не удалось открыть адрес " + std::string(product::kSiteUrl) +
                      ": не найден браузер"}));
    prompts.log.clear();

    list->setFocus();
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), "pw-1");
    EXPECT_EQ(clipboard->mimeData()->data(ClipboardGuard::kHintFormat), "secret");
    QTest::keyClick(list, Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), "Борис");
    // Without a selection Ctrl+C copies nothing, not even the current cell.
    clipboard->setText(QStringLiteral("mine"));
    list->clearSelection();
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), "mine");
    // In the number editor inside the list Ctrl+C is the editor's own.
    list->edit(list->model()->index(0, 0));
    auto* editor = list->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), "1");
}

TEST_F(MainWindowTest, ClipboardIsClearedOnlyOfOurOwnCopy) {
    showWindow();
    fillForTools(session);
    QClipboard* clipboard = QApplication::clipboard();
    ClipboardGuard& guard = ClipboardGuard::instance();
    selectRow(0);
    action("ListCopyPwd")->trigger();
    EXPECT_EQ(visibleText(window.get(), "lbClipboard"), "Буфер обмена будет очищен через 30 с");
    EXPECT_EQ(ReadSetting("VTRSettings", "ClipboardSeconds", session.settingsFile()), "30");
    SaveSnapshot(*window, QStringLiteral("main_window_clipboard"));
    guard.clear();
    EXPECT_TRUE(clipboard->text().isEmpty());
    EXPECT_EQ(visibleText(window.get(), "lbClipboard"), "");
    // What was copied elsewhere meanwhile stays, the same text included, and
    // the count ends there.
    for (const char* theirs : {"other text", "pw-1"}) {
        action("ListCopyPwd")->trigger();
        clipboard->setText(QString::fromUtf8(theirs));
        EXPECT_EQ(guard.secondsLeft(), 0);
        EXPECT_EQ(visibleText(window.get(), "lbClipboard"), "");
        guard.clear();
        EXPECT_EQ(clipboard->text(), theirs);
    }
    // The delay from the settings file runs down to an empty clipboard.
    WriteSetting("VTRSettings", "ClipboardSeconds", "1", session.settingsFile());
    action("ListCopyPwd")->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return clipboard->text().isEmpty(); }, 5000));
    EXPECT_EQ(visibleText(window.get(), "lbClipboard"), "") << "the count does not stop at 1 s";
    // A bad value: 30 seconds, said in the status bar, the file kept.
    WriteSetting("VTRSettings", "ClipboardSeconds", "ten", session.settingsFile());
    const std::string bad = ReadBytes(session.settingsFile());
    action("ListCopyPwd")->trigger();
    EXPECT_EQ(visibleText(window.get(), "lbClipboard"), "Буфер обмена будет очищен через 30 с");
    EXPECT_TRUE(window->statusBar()->currentMessage().startsWith(
        "Неверное значение ClipboardSeconds в файле настроек: «ten»"));
    EXPECT_EQ(ReadBytes(session.settingsFile()), bad);
    // The program's end takes the copy off.
    window.reset();
    EXPECT_TRUE(clipboard->text().isEmpty());
}

#ifdef VANTREL_PROGRAM
// Runs the program with the given environment; returns its exit status and
// what it wrote to stderr.
TEST(StartupTest, WithoutDisplayOneLineAndNonZeroExit) {
    TempFolder dir;
    const auto errors = dir / "stderr.txt";
    const std::string command = "env -i PATH=/usr/bin:/bin HOME=" + dir.path().string() + " " +
                                VANTREL_PROGRAM + " 2>" + errors.string();
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 0);
    const std::string text = ReadBytes(errors);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_NE(text.find("display"), std::string::npos) << text;
}

TEST(StartupTest, RunsWithoutCoreDumps) {
    TempFolder dir;
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::execl(VANTREL_PROGRAM, VANTREL_PROGRAM, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string limits;
    for (int attempt = 0; attempt < 50 && limits.find("Max core file size") == std::string::npos;
         ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::ifstream in("/proc/" + std::to_string(pid) + "/limits");
        limits.assign(std::istreambuf_iterator<char>(in), {});
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, WNOHANG), 0) << "the program is still running";
    ::kill(pid, SIGTERM);
    ::waitpid(pid, &status, 0);
    const auto line = limits.find("Max core file size");
    ASSERT_NE(line, std::string::npos);
    EXPECT_NE(limits.substr(line, limits.find('\n', line) - line).find(" 0 "), std::string::npos)
        << limits;
}
#endif

} // namespace
} // namespace vantrel
