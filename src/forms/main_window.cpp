#include "forms/main_window.h"

#include "formats/program_folders.h"
#include "formats/settings_file.h"
#include "formats/settings_names.h"
#include "forms/clipboard_guard.h"
#include "forms/expiry_marks.h"
#include "forms/file_watch.h"
#include "forms/icons.h"
#include "forms/qt_prompts.h"
#include "forms/record_filter_proxy.h"
#include "forms/record_list_actions.h"
#include "forms/record_table_model.h"
#include "forms/search_field.h"
#include "forms/settings_window.h"
#include "session/csv_commands.h"
#include "session/expiry.h"
#include "session/protection_command.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <array>

#include "forms/about.h"
#include "forms/eula.h"
#include "forms/password_report_window.h"
#include "forms/record_edit.h"
#include "forms/site.h"
#include "forms/wizard.h"
#include "generator/generator_settings.h"

namespace vantrel {

namespace {

constexpr int kPasswordColumn = 2;

// The width rules of the list: "№" fixed, the others auto-size with their
// minimums (the password column is handled by PasswordColumn).
struct ColumnSpec {
    bool autoSize;
    int width;
};
constexpr std::array<ColumnSpec, RecordTableModel::kColumnCount> kColumns = {{
    {false, 30},
    {true, 60},
    {false, 0},
    {true, 60},
    {true, 100},
    {true, 120},
    {true, 70},
}};

QString utf8(const char* text) {
    return QString::fromUtf8(text);
}

} // namespace

TfmMain::TfmMain(Session& session, Prompts& prompts, QWidget* parent)
    : QMainWindow(parent), session_(session), prompts_(prompts), files_(session, prompts) {
    setObjectName(QStringLiteral("fmMain"));
    setWindowTitle(utf8(kProgramTitle));
    // The settings file's folder, decided once for the run.
    session_.setProgramDirectory(SettingsFolderForThisRun());

    endProgram_ = [] { QCoreApplication::exit(0); };
    saveGeneratorOptions_ = [this] {
        SaveGeneratorOptions(session_.generatorOptions(), session_.settingsFile());
    };
    files_.setProgress(&progress_);
    files_.onCaptionChanged = [this](const std::string& caption) {
        setWindowTitle(QString::fromStdString(caption));
        // Every open and save sets the caption; the current file is settled
        // once the command is done. A look at the disk then also catches a
        // change made before the watch began.
        QTimer::singleShot(0, this, [this] { lookAtDisk(); });
    };
    files_.onStatus = [this](const std::string& note) {
        statusBar()->showMessage(QString::fromStdString(note));
    };
    files_.onFileOpened = [this](const std::filesystem::path& file) {
        QTimer::singleShot(0, this, [this, file] { noteConflictCopies(file); });
    };
    watch_ = new FileWatch(this);
    connect(watch_, &FileWatch::changed, this, [this] { lookAtDisk(); });

    createActions();
    createMenu();
    createToolbar();
    createList();
    statusBar()->setObjectName(QStringLiteral("sbMain"));
    createListTools();

    resize(626, 460);
    setMinimumSize(472, 200);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

TfmMain::~TfmMain() {
    // The program ends with this window: a secret it copied goes with it.
    ClipboardGuard::instance().clear();
    // Closing the list may still commit a number edit; this window is gone by then.
    filter_->disconnect(this);
}

QAction* TfmMain::addCommand(const char* name, const char* caption, const char* hint,
                             const QKeySequence& shortcut, const QIcon& icon) {
    auto* action = new QAction(icon, utf8(caption), this);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    if (hint != nullptr) {
        // "short|long": the short part is the tooltip, the long part the
        // status-bar text; a hint without "|" serves for both.
        const QString text = utf8(hint);
        const auto bar = text.indexOf(QLatin1Char('|'));
        action->setToolTip(bar < 0 ? text : text.left(bar));
        action->setStatusTip(bar < 0 ? text : text.mid(bar + 1));
    }
    addAction(action); // shortcuts of hidden menu items keep working
    return action;
}

void TfmMain::createActions() {
    const auto run = [this](QAction* action, void (TfmMain::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    run(addCommand("FileOpenCmd", "&Открыть", "Открыть существующий файл",
                   QKeySequence(Qt::CTRL | Qt::Key_O), commandIcon(CommandIcon::Open)),
        &TfmMain::FileOpenCmdExecute);
    run(addCommand("FileSaveCmd", "&Сохранить", "Сохранить текущий файл",
                   QKeySequence(Qt::CTRL | Qt::Key_S), commandIcon(CommandIcon::Save)),
        &TfmMain::FileSaveCmdExecute);
    run(addCommand("FileSaveAsCmd", "Сохранить &как...", "Сохранить текущий файл под новым именем",
                   QKeySequence(), commandIcon(CommandIcon::Save)),
        &TfmMain::FileSaveAsCmdExecute);
    run(addCommand("CsvImportCmd", "&Импорт из CSV…",
                   "Импорт из CSV|Добавить в список записи из файла CSV другой программы",
                   QKeySequence(), commandIcon(CommandIcon::Open)),
        &TfmMain::CsvImportExecute);
    run(addCommand("CsvExportCmd", "&Экспорт в CSV…",
                   "Экспорт в CSV|Сохранить список в файл CSV для другой программы", QKeySequence(),
                   commandIcon(CommandIcon::Save)),
        &TfmMain::CsvExportExecute);
    // Printing is offered by the menu but does nothing.
    addCommand("FilePrintCmd", "&Печать", nullptr, QKeySequence(Qt::CTRL | Qt::Key_P),
               commandIcon(CommandIcon::Print));
    run(addCommand("PrinterPrprts", "Настройки принтера", nullptr, QKeySequence(),
                   commandIcon(CommandIcon::PrinterSetup)),
        &TfmMain::PrinterPrprtsExecute);
    run(addCommand("Exit", "В&ыход", nullptr, QKeySequence(Qt::CTRL | Qt::Key_X),
                   commandIcon(CommandIcon::Exit)),
        &TfmMain::ExitExecute);
    run(addCommand("RcrdAdd", "Соз&дать", "Создать новую запись",
                   QKeySequence(Qt::CTRL | Qt::Key_N), commandIcon(CommandIcon::RecordAdd)),
        &TfmMain::RcrdAddExecute);
    run(addCommand("RcrdEdit", "&Редактировать", "Редактировать текущую запись",
                   QKeySequence(Qt::CTRL | Qt::Key_E), commandIcon(CommandIcon::RecordEdit)),
        &TfmMain::RcrdEditExecute);
    run(addCommand("RcrdDelete", "&Удалить", "Удалить текущую запись", QKeySequence(Qt::Key_Delete),
                   commandIcon(CommandIcon::RecordDelete)),
        &TfmMain::RcrdDeleteExecute);
    run(addCommand("SiteEnter", "&Посетить сайт разработчика", "Посетить сайт разработчика",
                   QKeySequence(Qt::CTRL | Qt::Key_A), commandIcon(CommandIcon::Site)),
        &TfmMain::SiteEnterExecute);
    run(addCommand("ShowEula", "&Лицензионное соглашение", "Показать лицензионное соглашение",
                   QKeySequence(), commandIcon(CommandIcon::Licence)),
        &TfmMain::ShowEulaExecute);
    run(addCommand("ShowAbout", "&О программе", "О программе", QKeySequence(),
                   commandIcon(CommandIcon::About)),
        &TfmMain::ShowAboutExecute);
    // The version history is offered (in a hidden item) but does nothing.
    addCommand("ShowVersionHistory", "&История версий", "Показать историю версий программы",
               QKeySequence(), commandIcon(CommandIcon::History));
    run(addCommand("PwdReport", "&Отчёт о паролях",
                   "Отчёт о паролях|Показать слабые, повторяющиеся и истёкшие пароли и записи без "
                   "пароля",
                   QKeySequence(), commandIcon(CommandIcon::PasswordReport)),
        &TfmMain::PwdReportExecute);
    run(addCommand("ProtectCmd", "Усилить &защиту…",
                   "Усилить защиту|Перейти на защищённую проверку пароля и защищённый файл записей",
                   QKeySequence(), commandIcon(CommandIcon::Protect)),
        &TfmMain::ProtectCmdExecute);
    run(addCommand("SettingsCmd", "&Параметры…", "Параметры|Буфер обмена и блокировка программы",
                   QKeySequence(), commandIcon(CommandIcon::Settings)),
        &TfmMain::SettingsExecute);
    connect(addCommand("LockCmd", "За&блокировать", "Заблокировать|Скрыть записи до ввода пароля",
                       QKeySequence(Qt::CTRL | Qt::Key_L), commandIcon(CommandIcon::Lock)),
            &QAction::triggered, this, &TfmMain::lockRequested);
    run(addCommand("ShowPwd", "ShowPwd", "Показ паролей|Показывать пароли в главном окне",
                   QKeySequence(), commandIcon(CommandIcon::ShowPasswords)),
        &TfmMain::ShowPwdExecute);
}

QAction* TfmMain::addMenuItem(QMenu* menu, const char* name, QAction* command, bool visible) {
    // A menu item is its own action (with its own name) that runs the command.
    // Its shortcut is only displayed: the command's own shortcut, on the
    // window, does the work, so the two never compete.
    auto* item = new QAction(menu);
    item->setObjectName(QString::fromLatin1(name));
    item->setShortcutContext(Qt::WidgetShortcut);
    const auto mirror = [item, command] {
        item->setText(command->text());
        item->setIcon(command->icon());
        item->setShortcut(command->shortcut());
        item->setStatusTip(command->statusTip());
        item->setEnabled(command->isEnabled());
    };
    mirror();
    connect(command, &QAction::changed, item, mirror);
    connect(item, &QAction::triggered, command, &QAction::trigger);
    item->setVisible(visible);
    menu->addAction(item);
    return item;
}

void TfmMain::createMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("mmMain"));
    const auto command = [this](const char* name) {
        return findChild<QAction*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
    };

    QMenu* file = bar->addMenu(utf8("Файл"));
    file->setObjectName(QStringLiteral("nFile"));
    addMenuItem(file, "NOpen", command("FileOpenCmd"));
    addMenuItem(file, "NSave", command("FileSaveCmd"));
    addMenuItem(file, "NSaveAs", command("FileSaveAsCmd"));
    file->addSeparator();
    addMenuItem(file, "NCsvImport", command("CsvImportCmd"));
    addMenuItem(file, "NCsvExport", command("CsvExportCmd"));
    file->addSeparator();
    addMenuItem(file, "NPrinterSettings", command("PrinterPrprts"), false);
    addMenuItem(file, "NPrint", command("FilePrintCmd"), false);
    addMenuItem(file, "NProtect", command("ProtectCmd"));
    addMenuItem(file, "NSettingsDlg", command("SettingsCmd"));
    addMenuItem(file, "NLock", command("LockCmd"));
    file->addSeparator();
    addMenuItem(file, "NExit", command("Exit"));

    QMenu* record = bar->addMenu(utf8("Запись"));
    record->setObjectName(QStringLiteral("NRecord"));
    addMenuItem(record, "NCreateNew", command("RcrdAdd"));
    addMenuItem(record, "NEdit", command("RcrdEdit"));
    addMenuItem(record, "NDelete", command("RcrdDelete"));
    record->addSeparator();
    addMenuItem(record, "NPwdReport", command("PwdReport"));

    // The unfinished wizard: a hidden menu-bar entry without sub-items.
    auto* generator = bar->addAction(utf8("&Генератор"));
    generator->setObjectName(QStringLiteral("NGenerator"));
    generator->setVisible(false);
    connect(generator, &QAction::triggered, this, [this] { NGeneratorClick(); });

    QMenu* settings = bar->addMenu(utf8("Настройки"));
    settings->setObjectName(QStringLiteral("NSettings"));
    settings->menuAction()->setVisible(false);
    auto* setPassword = settings->addAction(utf8("Установить пароль"));
    setPassword->setObjectName(QStringLiteral("NSetPwd"));
    setPassword->setVisible(false);
    auto* divider1 = settings->addSeparator();
    divider1->setObjectName(QStringLiteral("N_Divider1"));
    divider1->setVisible(false);
    flatItem_ = settings->addAction(utf8("Плоские кнопки на панели"));
    flatItem_->setObjectName(QStringLiteral("NFlattbMain"));
    flatItem_->setCheckable(true);
    flatItem_->setChecked(true);
    // The handler sets the check mark itself.
    connect(flatItem_, &QAction::triggered, this, [this] { NFlattbMainClick(); });
    settings->addSeparator()->setObjectName(QStringLiteral("NDivider2"));
    settings->addAction(utf8("Шрифт в таблице"))->setObjectName(QStringLiteral("NFont"));

    QMenu* help = bar->addMenu(utf8("Помощь"));
    help->setObjectName(QStringLiteral("nHelp"));
    addMenuItem(help, "NSiteEnter", command("SiteEnter"));
    addMenuItem(help, "ShowVersionHistory1", command("ShowVersionHistory"), false);
    addMenuItem(help, "NEULA", command("ShowEula"));
    addMenuItem(help, "NAbout", command("ShowAbout"));
}

void TfmMain::createToolbar() {
    tbMain_ = addToolBar(utf8("Основная панель"));
    tbMain_->setObjectName(QStringLiteral("tbMain"));
    tbMain_->setMovable(false);
    tbMain_->setFloatable(false);
    tbMain_->setIconSize(QSize(16, 16));
    tbMain_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    tbMain_->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);

    const auto button = [this](const char* buttonName, const char* commandName) {
        QAction* command =
            findChild<QAction*>(QString::fromLatin1(commandName), Qt::FindDirectChildrenOnly);
        tbMain_->addAction(command);
        QWidget* widget = tbMain_->widgetForAction(command);
        widget->setObjectName(QString::fromLatin1(buttonName));
        QString name = command->text();
        name.remove(QLatin1Char('&'));
        widget->setAccessibleName(command->toolTip().isEmpty() ? name : command->toolTip());
    };
    button("btOpen", "FileOpenCmd");
    button("btSave", "FileSaveCmd");
    tbMain_->addSeparator();
    button("btNewRcrd", "RcrdAdd");
    button("btnEditRcrd", "RcrdEdit");
    button("btDeleteRcrd", "RcrdDelete");
    tbMain_->addSeparator();
    button("btShowPwd", "ShowPwd");
}

void TfmMain::createList() {
    model_ = new RecordTableModel(session_, prompts_, this);
    filter_ = new RecordFilterProxy(session_, model_, this);
    marks_ = new ExpiryMarks(session_, filter_, LocalToday, this);
    lvMain_ = new QTableView(this);
    lvMain_->setObjectName(QStringLiteral("lvMain"));
    lvMain_->setAccessibleName(utf8("Записи"));
    lvMain_->setModel(marks_);
    lvMain_->setShowGrid(true);
    lvMain_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvMain_->setSelectionMode(QAbstractItemView::SingleSelection);
    lvMain_->setEditTriggers(QAbstractItemView::SelectedClicked |
                             QAbstractItemView::EditKeyPressed);
    lvMain_->setWordWrap(false);
    lvMain_->setTextElideMode(Qt::ElideRight);
    lvMain_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    // The selection stays visible when the list loses the focus.
    QPalette palette = lvMain_->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    lvMain_->setPalette(palette);

    QHeaderView* rows = lvMain_->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(lvMain_->fontMetrics().height() + 6);

    QHeaderView* header = lvMain_->horizontalHeader();
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    header->setSortIndicatorShown(false);
    header->setMinimumSectionSize(0);
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSectionResizeMode(0, QHeaderView::Fixed);
    connect(header, &QHeaderView::sectionClicked, this,
            [this](int column) { lvMainColumnClick(column); });

    connect(lvMain_, &QAbstractItemView::doubleClicked, this, [this] { RcrdEditExecute(); });
    lvMain_->viewport()->installEventFilter(this);

    setCentralWidget(lvMain_);
    layoutColumns();
}

void TfmMain::createListTools() {
    auto* bar = addToolBar(utf8("Поиск"));
    bar->setObjectName(QStringLiteral("tbSearch"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->toggleViewAction()->setVisible(false);
    search_ = new SearchField(bar);
    search_->setMinimumWidth(180);
    bar->addWidget(search_);
    connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) {
        filter_->setSearchText(text);
        showShownCount();
    });
    connect(search_, &SearchField::leaveRequested, this, [this] {
        lvMain_->setFocus(Qt::OtherFocusReason);
        if (!selectedRecord() && lvMain_->model()->rowCount() > 0) {
            lvMain_->selectRow(0);
        }
    });
    auto* find = new QAction(utf8("Поиск"), this);
    find->setObjectName(QStringLiteral("SearchCmd"));
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    addAction(find);
    connect(find, &QAction::triggered, this, [this] {
        search_->setFocus(Qt::ShortcutFocusReason);
        search_->selectAll();
    });

    listActions_ = new RecordListActions(session_, prompts_, lvMain_);

    shownCount_ = new QLabel(statusBar());
    shownCount_->setObjectName(QStringLiteral("lbShown"));
    statusBar()->addPermanentWidget(shownCount_);
    // The table model's own signals: the filter drops a removed row while the
    // session still holds it, so the total would still count it. These come
    // after the filter has followed the change (it connected first).
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
        connect(model_, signal, this, [this] { showShownCount(); });
    }
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { showShownCount(); });
    showShownCount();

    clipboardCount_ = new QLabel(statusBar());
    clipboardCount_->setObjectName(QStringLiteral("lbClipboard"));
    statusBar()->addPermanentWidget(clipboardCount_);
    clipboardCount_->hide();
    ClipboardGuard& clipboard = ClipboardGuard::instance();
    clipboard.setDelaySource(this,
                             [this] { return LoadClipboardSeconds(session_.settingsFile()); });
    connect(&clipboard, &ClipboardGuard::countdown, this, [this](int seconds) {
        clipboardCount_->setText(utf8("Буфер обмена будет очищен через %1 с").arg(seconds));
        clipboardCount_->setVisible(seconds > 0);
    });
    connect(&clipboard, &ClipboardGuard::problem, this,
            [this](const QString& text) { statusBar()->showMessage(text); });

    expiryNote_ = new QLabel(statusBar());
    expiryNote_->setObjectName(QStringLiteral("lbExpiry"));
    expiryNote_->setToolTip(utf8("Щёлкните, чтобы показать только эти записи"));
    expiryNote_->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    statusBar()->addWidget(expiryNote_);
    expiryNote_->hide();
    connect(expiryNote_, &QLabel::linkActivated, this, [this] {
        filter_->setEndingOnly(!filter_->endingOnly());
        showShownCount();
        showExpiryNote();
    });
}

void TfmMain::clearSearch() {
    search_->clear();
    filter_->setEndingOnly(false);
    expiryNote_->hide();
}

void TfmMain::forgetDrawnTexts() {
    QAbstractItemDelegate* drawn = lvMain_->itemDelegate();
    lvMain_->setItemDelegate(new QStyledItemDelegate(lvMain_));
    if (drawn != nullptr && drawn->parent() == lvMain_) {
        delete drawn;
    }
    const QStyleOptionViewItem blank;
    lvMain_->style()->subElementRect(QStyle::SE_ItemViewItemText, &blank, lvMain_);
}

void TfmMain::showExpiryNote() {
    const ExpiryCount count = CountExpiry(session_.records(), LocalToday());
    if (count.expiring == 0 && count.expired == 0 && !filter_->endingOnly()) {
        expiryNote_->hide();
        return;
    }
    const QString text = utf8("Истекает в ближайшие %1 дней: %2, истекло: %3")
                             .arg(kExpiryWarningDays)
                             .arg(count.expiring)
                             .arg(count.expired);
    const QString shownOnly = filter_->endingOnly()
                                  ? utf8(" (показаны только они; щёлкните, чтобы показать все)")
                                  : QString();
    expiryNote_->setText(QStringLiteral("<a href=\"ending\">%1</a>%2")
                             .arg(text.toHtmlEscaped(), shownOnly.toHtmlEscaped()));
    expiryNote_->show();
}

void TfmMain::SettingsExecute() {
    RunCommand(prompts_, [this] {
        TfmSettings dialog(session_.settingsFile(), prompts_, this);
        if (dialog.exec() == QDialog::Accepted) {
            emit settingsChanged();
        }
    });
}

void TfmMain::showShownCount() {
    shownCount_->setVisible(filter_->filtering());
    shownCount_->setText(
        utf8("Показано %1 из %2").arg(filter_->rowCount()).arg(model_->rowCount()));
}

void TfmMain::layoutColumns() {
    QHeaderView* header = lvMain_->horizontalHeader();
    std::vector<ColumnRule> rules;
    for (int column = 0; column < RecordTableModel::kColumnCount; ++column) {
        ColumnSpec definition = kColumns[static_cast<std::size_t>(column)];
        if (column == kPasswordColumn) {
            definition = {passwordColumn_.autoSize, passwordColumn_.width};
        }
        if (column == 0) {
            definition.width = std::max(definition.width, numberColumnWidth());
        } else if (definition.autoSize) {
            // A header is never cut: its text sets the minimum where it is wider.
            const QString title =
                model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
            const int margin =
                header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
            definition.width = std::max(
                definition.width, header->fontMetrics().horizontalAdvance(title) + 4 * margin);
        }
        rules.push_back({definition.autoSize, definition.width});
    }
    const std::vector<int> widths = ShareColumnWidths(lvMain_->viewport()->width(), rules);
    for (int column = 0; column < RecordTableModel::kColumnCount; ++column) {
        const int width = widths[static_cast<std::size_t>(column)];
        lvMain_->setColumnHidden(column, width == 0);
        if (width > 0) {
            lvMain_->setColumnWidth(column, width);
        }
    }
}

int TfmMain::numberColumnWidth() const {
    // Fixed, but wide enough for record numbers up to 999 999 in the list's
    // font: six of its widest digit plus the cell's text margins and grid line.
    const QFontMetrics metrics = lvMain_->fontMetrics();
    int digit = 0;
    for (char c = '0'; c <= '9'; ++c) {
        digit = std::max(digit, metrics.horizontalAdvance(QLatin1Char(c)));
    }
    const int margin =
        lvMain_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, lvMain_) + 1;
    return 6 * digit + 2 * margin + 1;
}

bool TfmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lvMain_->viewport() && event->type() == QEvent::Resize) {
        layoutColumns();
    }
    // A double-click on a record comes as doubleClicked; one on the empty
    // part of the list runs the Edit command all the same.
    if (watched == lvMain_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            !lvMain_->indexAt(mouse->position().toPoint()).isValid()) {
            RcrdEditExecute();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

std::optional<RecordId> TfmMain::selectedRecord() const {
    return SelectedRecord(*lvMain_);
}

void TfmMain::selectRecord(std::optional<RecordId> id) {
    const QModelIndex index =
        id ? ToViewIndex(lvMain_->model(), model_->indexOf(*id)) : QModelIndex();
    if (!index.isValid()) {
        lvMain_->selectionModel()->clearSelection();
        return;
    }
    lvMain_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                          QItemSelectionModel::Rows);
    lvMain_->scrollTo(index);
}

bool TfmMain::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        FormActivate();
    }
    return QMainWindow::event(event);
}

void TfmMain::FormActivate() {
    if (!session_.loggedIn() && loginDialog_ != nullptr) {
        loginDialog_->show();
        loginDialog_->raise();
        loginDialog_->activateWindow();
        return;
    }
    lookAtDisk();
}

void TfmMain::lookAtDisk() {
    if (!session_.loggedIn()) {
        watch_->watch({});
        return;
    }
    // A modal window (the record editor above all) works on the list as it
    // is: the reload waits until it has closed.
    const bool modalOpen = QApplication::activeModalWidget() != nullptr;
    const std::optional<RecordKey> selected = KeyOfRecord(session_, selectedRecord());
    const DiskCheck check = files_.checkDisk(modalOpen);
    if (check.outcome == DiskCheck::Outcome::Reloaded && selected) {
        selectRecord(FindRecordByKey(session_, *selected));
    }
    if (!check.note.empty()) {
        statusBar()->showMessage(QString::fromStdString(check.note));
    }
    watch_->watch(session_.currentFile());
}

void TfmMain::noteConflictCopies(const std::filesystem::path& file) {
    if (!copiesNamed_.insert(file).second) {
        return;
    }
    const std::string note = ConflictCopiesNote(file, ConflictCopiesOf(file));
    if (!note.empty()) {
        prompts_.inform(note);
    }
}

void TfmMain::closeEvent(QCloseEvent* event) {
    // While a file is being read or written the window stays open.
    if (files_.busy() || !CloseSequence(session_, prompts_, files_, saveGeneratorOptions_)) {
        event->ignore();
        return;
    }
    event->accept();
    // The login dialog may still be on screen: closing this window ends the
    // program all the same.
    if (endProgram_) {
        endProgram_();
    }
}

void TfmMain::FileOpenCmdExecute() {
    RunCommand(prompts_, [this] { files_.FileOpenCmdExecute(); });
}

void TfmMain::FileSaveCmdExecute() {
    RunCommand(prompts_, [this] { files_.FileSaveCmdExecute(); });
}

void TfmMain::FileSaveAsCmdExecute() {
    RunCommand(prompts_, [this] { files_.FileSaveAsCmdExecute(); });
}

void TfmMain::CsvImportExecute() {
    RunCommand(prompts_, [this] {
        if (const auto imported = ImportCsvIntoList(session_, prompts_);
            imported && imported->first) {
            selectRecord(imported->first);
        }
    });
}

void TfmMain::CsvExportExecute() {
    RunCommand(prompts_, [this] {
        if (const auto file = ExportListAsCsv(session_, prompts_)) {
            statusBar()->showMessage(utf8(kCsvExportedNote) +
                                     QString::fromStdString(file->string()));
        }
    });
}

void TfmMain::ProtectCmdExecute() {
    RunCommand(prompts_, [this] { StrengthenProtection(session_, files_, prompts_); });
}

void TfmMain::PrinterPrprtsExecute() {
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("PrinterSetupDialog"));
    dialog.exec(); // the choice is not used
}

void TfmMain::ExitExecute() {
    // The same way out as the close box: the generator options are stored and
    // unsaved changes are asked about; Cancel keeps the program running.
    close();
}

void TfmMain::openEditor(const EditorRequest& request) {
    RunCommand(prompts_, [&] {
        TfmRecordEdit editor(session_, prompts_, request.record, this);
        editor.setWindowTitle(QString::fromStdString(request.caption));
        // A new record is appended: it becomes the selected one, so that Edit
        // goes on with it.
        if (editor.exec() == QDialog::Accepted && !request.record && session_.size() > 0) {
            selectRecord(session_.idAt(session_.size() - 1));
        }
    });
    // A change on disk while the editor was open: read now, or kept for the
    // next write when the editor changed the list.
    lookAtDisk();
}

void TfmMain::RcrdAddExecute() {
    openEditor(PrepareAdd());
}

void TfmMain::RcrdEditExecute() {
    openEditor(PrepareEdit(session_, selectedRecord()));
}

void TfmMain::RcrdDeleteExecute() {
    RunCommand(prompts_, [this] {
        if (DeleteRecord(session_, selectedRecord(), prompts_)) {
            selectRecord(std::nullopt);
        }
    });
}

void TfmMain::SiteEnterExecute() {
    RunCommand(prompts_, [] { OpenSiteAddress(); });
}

void TfmMain::ShowEulaExecute() {
    RunCommand(prompts_, [this] {
        TfmEULA dialog(this);
        dialog.exec();
    });
}

void TfmMain::ShowAboutExecute() {
    RunCommand(prompts_, [this] {
        TfmAbout dialog(this);
        dialog.exec();
    });
}

void TfmMain::NGeneratorClick() {
    RunCommand(prompts_, [this] {
        TfmWizard wizard(this);
        wizard.exec();
    });
}

void TfmMain::ShowPwdExecute() {
    TogglePasswordColumn(passwordColumn_);
    layoutColumns();
}

void TfmMain::PwdReportExecute() {
    RunCommand(prompts_, [this] {
        // A line of the report opens its record as Edit does from the list.
        TfmPasswordReport report(
            session_, passwordColumn_.autoSize,
            [this](RecordId id) {
                selectRecord(id);
                RcrdEditExecute();
            },
            this);
        report.exec();
    });
}

void TfmMain::NFlattbMainClick() {
    toolbarFlat_ = !toolbarFlat_;
    for (QToolButton* button : tbMain_->findChildren<QToolButton*>()) {
        button->setAutoRaise(toolbarFlat_);
    }
    flatItem_->setChecked(toolbarFlat_);
    RunCommand(prompts_, [this] {
        WriteSetting(kProgramSection, kFlatToolbarKey, toolbarFlat_ ? "True" : "False",
                     session_.settingsFile());
    });
}

void TfmMain::lvMainColumnClick(int column) {
    // The selected record stays selected at its new place.
    const std::optional<RecordId> selected = selectedRecord();
    session_.sortBy(column);
    selectRecord(selected);
}

} // namespace vantrel
