#include "forms/calendar_dialog.h"

#include "forms/date_edit.h"
#include "session/date_text.h"

#include <QDate>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace vantrel {

using namespace std::chrono;

namespace {

// The client area the dialog is drawn for; a larger font makes it grow.
constexpr QSize kDialogSize(222, 154);
constexpr int kTitleLineHeight = 22;
constexpr int kButtonLineHeight = 21;

year_month_day today() {
    return toCalendarDate(QDate::currentDate());
}

// Qt names letter keys outside Latin by the capital letter's code: "Е", which
// the Russian layout has on the key of the Latin T.
constexpr int kCyrillicIeKey = 0x0415;

// The step of a key pressed in the grid, if it has one.
std::optional<CalendarStep> stepForKey(const QKeyEvent& event) {
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    const bool keypad = modifiers & Qt::KeypadModifier;
    const Qt::KeyboardModifiers plain = modifiers & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    const bool control = plain == Qt::ControlModifier;
    if (plain != Qt::NoModifier && !control) {
        return std::nullopt;
    }
    switch (event.key()) {
    case Qt::Key_PageUp:
        return control ? CalendarStep::PreviousYear : CalendarStep::PreviousMonth;
    case Qt::Key_PageDown:
        return control ? CalendarStep::NextYear : CalendarStep::NextMonth;
    default:
        break;
    }
    if (control) {
        return std::nullopt;
    }
    switch (event.key()) {
    case Qt::Key_Left:
        return CalendarStep::PreviousDay;
    case Qt::Key_Right:
        return CalendarStep::NextDay;
    case Qt::Key_Minus:
        return keypad ? std::optional(CalendarStep::PreviousDay) : std::nullopt;
    case Qt::Key_Plus:
        return keypad ? std::optional(CalendarStep::NextDay) : std::nullopt;
    case Qt::Key_Up:
        return CalendarStep::CellUp;
    case Qt::Key_Down:
        return CalendarStep::CellDown;
    case Qt::Key_Home:
        return CalendarStep::RowStart;
    case Qt::Key_End:
        return CalendarStep::RowEnd;
    case Qt::Key_T:
    case kCyrillicIeKey: // the same key under the Russian layout
        return CalendarStep::Today;
    default:
        return std::nullopt;
    }
}

} // namespace

std::chrono::year_month_day toCalendarDate(const QDate& date) {
    return year(date.year()) / month(static_cast<unsigned>(date.month())) /
           day(static_cast<unsigned>(date.day()));
}

QString calendarTitle(year_month shown) {
    QString name =
        QLocale().standaloneMonthName(static_cast<int>(static_cast<unsigned>(shown.month())));
    // Some languages write stand-alone month names in lower case; a title starts upper case.
    if (!name.isEmpty()) {
        name[0] = name[0].toUpper();
    }
    return name + QStringLiteral(", ") +
           QStringLiteral("%1").arg(static_cast<int>(shown.year()), 4, 10, QLatin1Char('0'));
}

QPoint calendarPosition(const QRect& field, const QSize& dialog, const QRect& screen) {
    int x = field.x() + field.width() - dialog.width();
    if (x < screen.left()) {
        x = field.left();
    }
    const int below = field.y() + field.height();
    int y = below;
    if (y + dialog.height() > screen.y() + screen.height()) {
        y = field.top() - dialog.height();
        if (y < screen.top()) {
            y = below;
        }
    }
    return {x, y};
}

// ---- CalendarGrid ----

CalendarGrid::CalendarGrid(QWidget* parent) : QWidget(parent), date_(today()) {
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Календарь"));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setAutoFillBackground(true);
}

void CalendarGrid::setDate(year_month_day date) {
    date_ = date;
    update();
}

QSize CalendarGrid::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    int cellWidth = metrics.horizontalAdvance(QStringLiteral("88")) + 10;
    for (int weekday = 1; weekday <= 7; ++weekday) {
        cellWidth = std::max(
            cellWidth,
            metrics.horizontalAdvance(QLocale().dayName(weekday, QLocale::ShortFormat)) + 6);
    }
    const int cellHeight = metrics.height() + 2;
    const QSize least(kDialogSize.width(),
                      kDialogSize.height() - kTitleLineHeight - kButtonLineHeight);
    return QSize(cellWidth * kCalendarColumns, cellHeight * kCalendarRows).expandedTo(least);
}

QRect CalendarGrid::cellRect(CalendarCell cell) const {
    // Columns and rows share the grid equally; the rounding goes cell by cell.
    const int left = width() * cell.column / kCalendarColumns;
    const int right = width() * (cell.column + 1) / kCalendarColumns;
    const int top = height() * cell.row / kCalendarRows;
    const int bottom = height() * (cell.row + 1) / kCalendarRows;
    return QRect(left, top, right - left, bottom - top);
}

CalendarCell CalendarGrid::cellAt(QPoint point) const {
    if (width() <= 0 || height() <= 0) {
        return {-1, -1};
    }
    return {point.y() * kCalendarRows / height(), point.x() * kCalendarColumns / width()};
}

void CalendarGrid::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor text = palette().color(QPalette::Text);
    const QColor sunday(Qt::red);
    const year_month shown = date_.year() / date_.month();
    const CalendarCell selected = CellOfDate(date_);
    for (int column = 0; column < kCalendarColumns; ++column) {
        const bool isSunday = column == kCalendarColumns - 1;
        painter.setPen(isSunday ? sunday : text);
        painter.drawText(cellRect({0, column}), Qt::AlignCenter,
                         QLocale().dayName(column + 1, QLocale::ShortFormat));
        for (int row = 1; row < kCalendarRows; ++row) {
            const std::optional<year_month_day> date = DateAtCell(shown, {row, column});
            if (!date) {
                continue;
            }
            const QRect rect = cellRect({row, column});
            if (CalendarCell{row, column} == selected) {
                painter.fillRect(rect, palette().color(QPalette::Highlight));
                painter.setPen(palette().color(QPalette::HighlightedText));
            } else {
                painter.setPen(isSunday ? sunday : text);
            }
            painter.drawText(rect, Qt::AlignCenter,
                             QString::number(static_cast<unsigned>(date->day())));
        }
    }
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Text), 1, Qt::DotLine));
        painter.drawRect(cellRect(selected).adjusted(0, 0, -1, -1));
    }
}

bool CalendarGrid::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (plain && key->key() == Qt::Key_Backtab) {
            emit stepRequested(CalendarStep::PreviousMonth);
            return true;
        }
        if (plain && key->key() == Qt::Key_Tab) {
            emit stepRequested(key->modifiers() & Qt::ShiftModifier ? CalendarStep::PreviousMonth
                                                                    : CalendarStep::NextMonth);
            return true;
        }
    }
    return QWidget::event(event);
}

void CalendarGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (const auto date =
            DateAtCell(date_.year() / date_.month(), cellAt(event->position().toPoint()))) {
        emit dayClicked(*date);
    }
}

void CalendarGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (const auto date =
            DateAtCell(date_.year() / date_.month(), cellAt(event->position().toPoint()))) {
        emit dayDoubleClicked(*date);
    }
}

void CalendarGrid::keyPressEvent(QKeyEvent* event) {
    if (const std::optional<CalendarStep> step = stepForKey(*event)) {
        emit stepRequested(*step);
        return;
    }
    event->ignore(); // Enter and Esc belong to the dialog
}

// ---- CalendarDialog ----

CalendarDialog::CalendarDialog(year_month_day date, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("fmCalendar"));
    setWindowTitle(QStringLiteral("Выбор даты"));

    auto* titleLine = new QFrame(this);
    titleLine->setFrameShape(QFrame::Panel);
    titleLine->setFrameShadow(QFrame::Sunken);
    titleLine->setMinimumHeight(kTitleLineHeight);
    title_ = new QLabel(titleLine);
    title_->setObjectName(QStringLiteral("lbTitle"));
    title_->setAlignment(Qt::AlignCenter);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    QPalette titleColours = title_->palette();
    titleColours.setColor(QPalette::WindowText, Qt::blue);
    title_->setPalette(titleColours);
    title_->installEventFilter(this);

    auto* titleLayout = new QHBoxLayout(titleLine);
    titleLayout->setContentsMargins(1, 1, 1, 1);
    titleLayout->setSpacing(0);
    titleLayout->addWidget(arrowButton("btPrevYear", QStringLiteral("Предыдущий год"),
                                       QStyle::SP_MediaSeekBackward, CalendarStep::PreviousYear));
    titleLayout->addWidget(arrowButton("btPrevMonth", QStringLiteral("Предыдущий месяц"),
                                       QStyle::SP_ArrowLeft, CalendarStep::PreviousMonth));
    titleLayout->addWidget(title_, 1);
    titleLayout->addWidget(arrowButton("btNextMonth", QStringLiteral("Следующий месяц"),
                                       QStyle::SP_ArrowRight, CalendarStep::NextMonth));
    titleLayout->addWidget(arrowButton("btNextYear", QStringLiteral("Следующий год"),
                                       QStyle::SP_MediaSeekForward, CalendarStep::NextYear));

    grid_ = new CalendarGrid(this);
    grid_->setObjectName(QStringLiteral("calendar"));
    connect(grid_, &CalendarGrid::dayClicked, this, &CalendarDialog::setDate);
    connect(grid_, &CalendarGrid::dayDoubleClicked, this, [this](year_month_day date) {
        setDate(date);
        accept();
    });
    connect(grid_, &CalendarGrid::stepRequested, this, &CalendarDialog::step);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("btOk"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("btCancel"));
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(0);
    buttons->addWidget(ok, 1);
    buttons->addWidget(cancel, 1);
    for (QPushButton* button : {ok, cancel}) {
        button->setMinimumHeight(kButtonLineHeight);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(titleLine);
    layout->addWidget(grid_, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setDate(date);
    grid_->setFocus();
}

QToolButton* CalendarDialog::arrowButton(const char* name, const QString& tip, int standardIcon,
                                         CalendarStep what) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(standardIcon)));
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    button->setAutoRaise(true);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QToolButton::clicked, this, [this, what] { step(what); });
    return button;
}

year_month_day CalendarDialog::date() const {
    return grid_->date();
}

void CalendarDialog::setDate(year_month_day date) {
    grid_->setDate(date);
    title_->setText(calendarTitle(date.year() / date.month()));
}

void CalendarDialog::step(CalendarStep what) {
    setDate(StepCalendar(date(), what, today()));
}

void CalendarDialog::placeAt(const QRect& field, const QRect& screen) {
    field_ = field;
    screen_ = screen;
    adjustSize();
    move(calendarPosition(field_, frameGeometry().size(), screen_));
}

void CalendarDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The window frame is known only once the window is on the screen.
    if (field_.isValid()) {
        QTimer::singleShot(
            0, this, [this] { move(calendarPosition(field_, frameGeometry().size(), screen_)); });
    }
}

bool CalendarDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == title_ && event->type() == QEvent::MouseButtonDblClick) {
        step(CalendarStep::Today);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool pickDate(DateEdit& field) {
    CalendarDialog dialog(DateForPicking(field.dateText(), today()), &field);
    dialog.placeAt(QRect(field.mapToGlobal(QPoint(0, 0)), field.size()),
                   field.screen()->availableGeometry());
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (accepted) {
        field.setDateText(WriteDateText(dialog.date()));
    }
    if (field.isEnabled() && field.isVisible() && field.focusPolicy() != Qt::NoFocus) {
        field.setFocus(Qt::OtherFocusReason);
    }
    return accepted;
}

} // namespace vantrel
