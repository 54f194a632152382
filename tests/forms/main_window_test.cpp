#include "forms/main_window.h"

#include "forms/icons.h"
#include "storage/cp1251.h"
#include "storage/file_commands_support.h"
#include "storage/record_file.h"
#include "storage/settings_file.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vantrel {
namespace {

using mwtest::ReadBytes;
using mwtest::ScriptedPrompts;
using mwtest::TempDir;
using mwtest::WriteBytes;
using Answer = Prompts::Answer;

QApplication& app() {
    static int argc = 1;
    static char name[] = "main_window_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

void snapshot(QWidget& widget, const char* name) {
    const char* folder = std::getenv("VANTREL_SNAPSHOTS");
    if (folder == nullptr || *folder == '\0') {
#ifdef VANTREL_DEFAULT_SNAPSHOTS
        folder = VANTREL_DEFAULT_SNAPSHOTS;
#else
        return;
#endif
    }
    QDir().mkpath(QString::fromLocal8Bit(folder));
    const QString file = QString::fromLocal8Bit(folder) + QLatin1Char('/') +
                         QString::fromLatin1(name) + QStringLiteral(".png");
    EXPECT_TRUE(widget.grab().save(file)) << file.toStdString();
}

Record rec(const std::string& number, const std::string& name, const std::string& password) {
    return {
        number,
        {name, password, Utf8ToCp1251("почта"), "01.02.24", "31.12.25", Utf8ToCp1251("заметка")}};
}

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        app();
        window = std::make_unique<TfmMain>(state, prompts);
        state.programDirectory = dir.path() / "";
        state.cryptLib.SetPassword("secret");
        state.cryptLib.Tag = 1;
        state.userName = "user";
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
        state.records = {rec("1", "alice", "secret-1"), rec("2", Utf8ToCp1251("Борис"), "pw-2"),
                         rec("10", "Zed", "pw-10")};
        window->fileCommands().onRecordsReplaced();
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

    TempDir dir;
    ProgramState state;
    ScriptedPrompts prompts;
    std::unique_ptr<TfmMain> window;
    QTableView* list = nullptr;
    int ended = 0;
};

TEST_F(MainWindowTest, WindowActionsAndHints) {
    EXPECT_EQ(window->objectName(), "fmMain");
    EXPECT_EQ(window->windowTitle(), "Vantrel Lite");
    EXPECT_EQ(window->size(), QSize(626, 460));
    EXPECT_EQ(window->minimumSize(), QSize(472, 200));

    struct Expected {
        const char* name;
        const char* caption;
        const char* tooltip;
        const char* statusTip;
        QKeySequence shortcut;
    };
    const Expected expected[] = {
        {"FileOpenCmd", "&Открыть", "Открыть существующий файл", "Открыть существующий файл",
         QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"FileSaveCmd", "&Сохранить", "Сохранить текущий файл", "Сохранить текущий файл",
         QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"FileSaveAsCmd", "Сохранить &как...", "Сохранить текущий файл под новым именем",
         "Сохранить текущий файл под новым именем", QKeySequence()},
        {"FilePrintCmd", "&Печать", nullptr, "", QKeySequence(Qt::CTRL | Qt::Key_P)},
        {"PrinterPrprts", "Настройки принтера", nullptr, "", QKeySequence()},
        {"Exit", "В&ыход", nullptr, "", QKeySequence(Qt::CTRL | Qt::Key_X)},
        {"RcrdAdd", "Соз&дать", "Создать новую запись", "Создать новую запись",
         QKeySequence(Qt::CTRL | Qt::Key_N)},
        {"RcrdEdit", "&Редактировать", "Редактировать текущую запись",
         "Редактировать текущую запись", QKeySequence(Qt::CTRL | Qt::Key_E)},
        {"RcrdDelete", "&Удалить", "Удалить текущую запись", "Удалить текущую запись",
         QKeySequence(Qt::Key_Delete)},
        {"SiteEnter", "&Посетить сайт разработчика", "Посетить сайт разработчика",
         "Посетить сайт разработчика", QKeySequence(Qt::CTRL | Qt::Key_A)},
        {"ShowEula", "&Лицензионное соглашение", "Показать лицензионное соглашение",
         "Показать лицензионное соглашение", QKeySequence()},
        {"ShowAbout", "&О программе", "О программе", "О программе", QKeySequence()},
        {"ShowVersionHistory", "&История версий", "Показать историю версий программы",
         "Показать историю версий программы", QKeySequence()},
        {"ShowPwd", "ShowPwd", "Показ паролей", "Показывать пароли в главном окне", QKeySequence()},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.name);
        QAction* a = action(e.name);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), QString::fromUtf8(e.caption));
        EXPECT_EQ(a->shortcut(), e.shortcut);
        EXPECT_EQ(a->statusTip(), QString::fromUtf8(e.statusTip));
        if (e.tooltip != nullptr) {
            EXPECT_EQ(a->toolTip(), QString::fromUtf8(e.tooltip));
        }
        EXPECT_FALSE(a->icon().isNull());
        EXPECT_TRUE(window->actions().contains(a)) << "shortcut lives on the window";
    }
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
    EXPECT_EQ(items("nFile"), (QStringList{"NOpen", "NSave", "NSaveAs", "NPrinterSettings (hidden)",
                                           "NPrint (hidden)", "NExit"}));
    EXPECT_EQ(items("NRecord"), (QStringList{"NCreateNew", "NEdit", "NDelete"}));
    EXPECT_EQ(items("NSettings"), (QStringList{"NSetPwd (hidden)", "N_Divider1 (hidden)",
                                               "NFlattbMain", "NDivider2", "NFont"}));
    EXPECT_EQ(items("nHelp"),
              (QStringList{"NSiteEnter", "ShowVersionHistory1 (hidden)", "NEULA", "NAbout"}));
    EXPECT_FALSE(window->findChild<QMenu*>("NSettings")->menuAction()->isVisible());
    EXPECT_FALSE(action("NGenerator")->isVisible());

    // A menu item carries its command's caption, shortcut and icon and runs it.
    QAction* open = action("NOpen");
    EXPECT_EQ(open->text(), "&Открыть");
    EXPECT_EQ(open->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_FALSE(open->icon().isNull());
    QSignalSpy print(action("FilePrintCmd"), &QAction::triggered);
    action("NPrint")->trigger();
    EXPECT_EQ(print.count(), 1);
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
    const QImage open = builtInIcon(CommandIcon::Open).pixmap(16, 16).toImage();
    const QImage save = builtInIcon(CommandIcon::Save).pixmap(16, 16).toImage();
    const QImage eye = builtInIcon(CommandIcon::ShowPasswords).pixmap(16, 16).toImage();
    EXPECT_NE(open, save);
    EXPECT_NE(save, eye);
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
    EXPECT_EQ(list->columnWidth(0), 30);
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

    fill();
    snapshot(*window, "main_window_records");
    action("ShowPwd")->trigger();
    EXPECT_FALSE(list->isColumnHidden(2));
    EXPECT_GE(list->columnWidth(2), 70);
    EXPECT_TRUE(window->passwordColumn().autoSize);
    EXPECT_EQ(total(), list->viewport()->width());
    EXPECT_EQ(cell(0, 2), "secret-1") << "passwords are never masked";
    snapshot(*window, "main_window_passwords");
    action("ShowPwd")->trigger();
    EXPECT_TRUE(list->isColumnHidden(2));
    EXPECT_EQ(window->passwordColumn().width, 0);

    window->resize(900, 500);
    QApplication::processEvents();
    EXPECT_EQ(total(), list->viewport()->width()) << "the columns follow the window";
}

TEST_F(MainWindowTest, EmptyWindowSnapshot) {
    showWindow();
    snapshot(*window, "main_window_empty");
    EXPECT_EQ(list->model()->rowCount(), 0);
}

TEST_F(MainWindowTest, HeaderClickSortsAndKeepsTheSelection) {
    showWindow();
    fill();
    selectRow(1); // "2" Борис
    ASSERT_EQ(state.selected, 1u);
    QHeaderView* header = list->horizontalHeader();
    const auto clickHeader = [&](int column) {
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    };
    clickHeader(0);
    EXPECT_EQ(state.sortColumn, 0);
    EXPECT_EQ((QStringList{cell(0, 0), cell(1, 0), cell(2, 0)}), (QStringList{"1", "10", "2"}));
    EXPECT_EQ(state.selected, 2u);
    EXPECT_EQ(list->selectionModel()->selectedRows().value(0).row(), 2);

    clickHeader(1);
    EXPECT_EQ((QStringList{cell(0, 1), cell(1, 1), cell(2, 1)}),
              (QStringList{"Zed", "alice", "Борис"}));
    EXPECT_EQ(cell(state.selected.value(), 1), "Борис");
    clickHeader(1);
    EXPECT_EQ(cell(0, 1), "Zed") << "no descending toggle";
    EXPECT_FALSE(state.modified) << "sorting alone changes no data";
    EXPECT_EQ(state.records[0].number, "10") << "the sorted order is the list's order";
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
    EXPECT_TRUE(state.modified);
    EXPECT_FALSE(state.selected);
    EXPECT_TRUE(list->selectionModel()->selectedRows().isEmpty());

    state.modified = false;
    prompts.answers = {Answer::Yes};
    action("RcrdDelete")->trigger(); // nothing selected
    EXPECT_EQ(list->model()->rowCount(), 2);
    EXPECT_FALSE(state.modified);
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
    EXPECT_TRUE(QTest::qWaitFor([&] { return state.records[1].number == Utf8ToCp1251("7б"); }));
    EXPECT_EQ(cell(1, 0), "7б");
    EXPECT_FALSE(state.modified) << "a number edit alone does not ask to save";

    // A character 1251 cannot hold is refused and the number stays.
    EXPECT_FALSE(list->model()->setData(number, QStringLiteral("7\u4e00")));
    EXPECT_EQ(state.records[1].number, Utf8ToCp1251("7б"));
    ASSERT_FALSE(prompts.log.empty());
    EXPECT_EQ(prompts.log.back().rfind("error: The character", 0), 0u);
    // Other columns are not editable.
    EXPECT_FALSE(list->model()->flags(list->model()->index(1, 1)) & Qt::ItemIsEditable);
}

TEST_F(MainWindowTest, CloseWithCancelStaysAfterStoringOptions) {
    showWindow();
    state.modified = true;
    prompts.answers = {Answer::Cancel};
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(prompts.log.front(), "options stored");
    EXPECT_EQ(ended, 0);
}

TEST_F(MainWindowTest, CloseWithYesAndCancelledDialogEndsWithoutSaving) {
    showWindow();
    fill();
    state.modified = true;
    state.currentFile = dir / "not-there.vtr";
    prompts.answers = {Answer::Yes};
    prompts.fileNames = {std::nullopt};
    EXPECT_TRUE(window->close());
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(std::filesystem::exists(state.currentFile));
    EXPECT_EQ(prompts.log.back(), "save");
}

TEST_F(MainWindowTest, GeneratorOptionsAreStoredInTheSettingsFileOnClose) {
    TfmMain real(state, prompts); // with the program's own options saver
    state.programDirectory = dir.path() / "";
    real.setProgramEnder([] {});
    state.generatorOptions.Digit = true;
    state.generatorOptions.MaxPwd = 12;
    real.show();
    EXPECT_TRUE(real.close());
    EXPECT_EQ(ReadSetting("GeneratorSetting", "Digit", state.settingsFile()), "True");
    EXPECT_EQ(ReadSetting("GeneratorSetting", "MaxPwd", state.settingsFile()), "12");
}

TEST_F(MainWindowTest, CtrlXEndsAtOnceWithoutQuestionOrStoring) {
    showWindow();
    fill();
    state.modified = true;
    QTest::keyClick(window.get(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(prompts.log.empty());
    EXPECT_FALSE(std::filesystem::exists(state.settingsFile()));
}

TEST_F(MainWindowTest, CtrlSThenCloseAsksNothing) {
    showWindow();
    fill();
    state.modified = true;
    state.currentFile = dir / "saved.vtr";
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(state.modified);
    EXPECT_EQ(window->windowTitle(),
              QString::fromStdString("Vantrel - " + state.currentFile.string()));
    EXPECT_TRUE(window->close());
    EXPECT_EQ(prompts.log, std::vector<std::string>{"options stored"});
    EXPECT_EQ(LoadRecordFile(state.currentFile, &state.cryptLib).size(), 3u);
}

TEST_F(MainWindowTest, OpenTxtOffersWipeAndSaveWritesEncryptedThere) {
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

    action("FileSaveCmd")->trigger();
    EXPECT_EQ(ReadBytes(path).find("pw"), std::string::npos);
    EXPECT_EQ(LoadRecordFile(path, &state.cryptLib)[0].fields[0], Utf8ToCp1251("Вера"));
}

TEST_F(MainWindowTest, SaveAsTxtWarnsKeepsFlagAndNamesTheFile) {
    showWindow();
    fill();
    state.modified = true;
    const auto path = dir / "export.txt";
    prompts.fileNames = {path};
    action("FileSaveAsCmd")->trigger();
    EXPECT_EQ(prompts.log.back(), "inform: Внимание!\rФайл сохранен в незашифрованном виде.");
    EXPECT_TRUE(state.modified);
    EXPECT_EQ(window->windowTitle(), QString::fromStdString("Vantrel - " + path.string()));
    EXPECT_EQ(ReadBytes(path), FormatRecordText(state.records));
}

TEST_F(MainWindowTest, OpenWithUnsavedChangesAndCancelKeepsTheFlag) {
    showWindow();
    const auto path = dir / "other.vtr";
    SaveRecordFile({rec("8", "eight", "p")}, path, &state.cryptLib);
    fill();
    state.modified = true;
    prompts.fileNames = {path};
    prompts.answers = {Answer::Cancel};
    action("FileOpenCmd")->trigger();
    EXPECT_EQ(list->model()->rowCount(), 1);
    EXPECT_TRUE(state.modified);
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
    EXPECT_TRUE(state.currentFile.empty());
}

TEST_F(MainWindowTest, SaveIntoUnwritablePlaceShowsErrorAndKeepsOldFile) {
    showWindow();
    fill();
    // A "folder" that is a regular file: no file can be created below it, even
    // by root.
    const auto blocker = dir / "blocker";
    WriteBytes(blocker, "old content");
    state.currentFile = blocker / "records.vtr";
    state.modified = true;
    action("FileSaveCmd")->trigger();
    EXPECT_EQ(prompts.log.back(), "error: Cannot create file " + state.currentFile.string());
    EXPECT_EQ(ReadBytes(blocker), "old content");
    EXPECT_TRUE(state.modified);
    EXPECT_EQ(window->windowTitle(), "Vantrel Lite");
}

TEST_F(MainWindowTest, ActivationShowsTheLoginDialogUntilLoggedIn) {
    QDialog login;
    window->setLoginDialog(&login);
    state.cryptLib.Tag = 0;
    window->FormActivate();
    EXPECT_TRUE(login.isVisible());
    EXPECT_FALSE(login.isModal());
    login.hide();
    state.cryptLib.Tag = 1;
    window->FormActivate();
    EXPECT_FALSE(login.isVisible());

    state.cryptLib.Tag = 0;
    window->show();
    window->activateWindow(); // the activation itself brings it up
    EXPECT_TRUE(QTest::qWaitFor([&] { return login.isVisible(); }));
}

TEST_F(MainWindowTest, FlatButtonsItemTogglesAndRecordsTheSetting) {
    window->NFlattbMainClick();
    EXPECT_FALSE(window->toolbarFlat());
    EXPECT_FALSE(action("NFlattbMain")->isChecked());
    EXPECT_FALSE(window->findChild<QToolButton*>("btOpen")->autoRaise());
    EXPECT_EQ(ReadSetting("VTRSettings", "FlattbMain", state.settingsFile()), "False");
    action("NFlattbMain")->trigger();
    EXPECT_TRUE(action("NFlattbMain")->isChecked());
    EXPECT_TRUE(window->findChild<QToolButton*>("btOpen")->autoRaise());
    EXPECT_EQ(ReadSetting("VTRSettings", "FlattbMain", state.settingsFile()), "True");
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

#if __has_include("forms/record_edit.h")
void setEditorName(QDialog& editor, const QString& name) {
    auto* box = editor.findChild<QComboBox*>(QStringLiteral("cbName"));
    ASSERT_NE(box, nullptr);
    box->setEditText(name);
}

void clickOk(QDialog& editor) {
    editor.findChild<QAbstractButton*>(QStringLiteral("btOk"))->click();
}

TEST_F(MainWindowTest, AddAndEditGoThroughTheRecordEditor) {
    showWindow();
    fill();
    QString caption;
    QString shownName;
    QTimer::singleShot(0, [&] {
        auto* editor = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(editor, nullptr);
        caption = editor->windowTitle();
        setEditorName(*editor, QStringLiteral("Новый"));
        clickOk(*editor);
    });
    QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(caption, "Новая запись");
    ASSERT_EQ(list->model()->rowCount(), 4);
    EXPECT_EQ(cell(3, 0), "11") << "largest integer number + 1";
    EXPECT_EQ(cell(3, 1), "Новый");
    EXPECT_EQ(state.records[3].fields[kFieldNote], " ") << "an empty note is stored as a space";
    EXPECT_TRUE(state.modified);
    EXPECT_FALSE(state.editingExisting);

    // A double-click on a record edits it in place in the list.
    state.modified = false;
    const QRect row = list->visualRect(list->model()->index(0, 1));
    QTimer::singleShot(0, [&] {
        auto* editor = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(editor, nullptr);
        caption = editor->windowTitle();
        shownName = editor->findChild<QComboBox*>(QStringLiteral("cbName"))->currentText();
        setEditorName(*editor, QStringLiteral("alicia"));
        clickOk(*editor);
    });
    // A double-click is a press, a release, then the double-click itself.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
    ASSERT_EQ(state.selected, 0u);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(caption, "Редактирование записи 1");
    EXPECT_EQ(shownName, "alice");
    EXPECT_EQ(cell(0, 1), "alicia");
    EXPECT_EQ(cell(0, 0), "1");
    EXPECT_EQ(list->model()->rowCount(), 4);
    EXPECT_TRUE(state.modified);
    EXPECT_EQ(state.selected, 0u) << "the edited record stays selected";

    // Cancel changes nothing.
    state.modified = false;
    QTimer::singleShot(0, [&] {
        auto* editor = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(editor, nullptr);
        setEditorName(*editor, QStringLiteral("ignored"));
        editor->findChild<QAbstractButton*>(QStringLiteral("btCancel"))->click();
    });
    action("RcrdEdit")->trigger();
    EXPECT_EQ(cell(0, 1), "alicia");
    EXPECT_FALSE(state.modified);
}

TEST_F(MainWindowTest, EditWithoutSelectionAddsARecord) {
    showWindow();
    fill();
    list->clearSelection();
    ASSERT_FALSE(state.selected);
    QString caption;
    QTimer::singleShot(0, [&] {
        auto* editor = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(editor, nullptr);
        caption = editor->windowTitle();
        setEditorName(*editor, QStringLiteral("x"));
        clickOk(*editor);
    });
    action("RcrdEdit")->trigger();
    EXPECT_EQ(caption, "Новая запись");
    EXPECT_EQ(list->model()->rowCount(), 4);
    EXPECT_EQ(cell(0, 1), "alice");
}
#endif

// Opening and sorting 100 000 records. The times are printed, not asserted.
TEST_F(MainWindowTest, HundredThousandRecords) {
    showWindow();
    RecordList records;
    records.reserve(100000);
    for (int i = 0; i < 100000; ++i) {
        const std::string n = std::to_string((i * 7919) % 100000 + 1);
        records.push_back(rec(n, "user" + std::to_string(i * 31 % 977), "pw" + n));
    }
    const auto path = dir / "big.vtr";
    SaveRecordFile(records, path, &state.cryptLib);

    QElapsedTimer timer;
    timer.start();
    window->fileCommands().LoadRecordFile(path, true);
    QApplication::processEvents();
    const auto openMs = timer.elapsed();
    EXPECT_EQ(list->model()->rowCount(), 100000);
    std::printf("[ timing ] open 100000 encrypted records (%lld bytes): %lld ms\n",
                static_cast<long long>(std::filesystem::file_size(path)),
                static_cast<long long>(openMs));
    for (int column = 0; column < 7; ++column) {
        timer.restart();
        window->lvMainColumnClick(column);
        QApplication::processEvents();
        std::printf("[ timing ] sort by column %d: %lld ms\n", column,
                    static_cast<long long>(timer.elapsed()));
    }
    EXPECT_EQ(cell(0, 0), "1"); // sorted by the note (equal) keeps the number order
    EXPECT_EQ(cell(1, 0), "10");
}

#ifdef VANTREL_PROGRAM
// Runs the program with the given environment; returns its exit status and
// what it wrote to stderr.
TEST(StartupTest, WithoutDisplayOneLineAndNonZeroExit) {
    TempDir dir;
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
    TempDir dir;
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
