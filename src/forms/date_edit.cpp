#include "forms/date_edit.h"

#include "forms/icons.h"
#include "forms/qt_text.h"
#include "session/prompts.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>
#include <QToolButton>

#include <functional>

namespace vantrel {

namespace {

// Window switches and pop-ups (the calendar, a message box) take the focus
// away without the user leaving the field.
bool userMovedFocus(Qt::FocusReason reason) {
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

// Eats the mouse click that moved the focus out of a field that may not be
// left, so a button pressed at that moment does not act. It lives until the
// event loop comes round again; the click is delivered before that.
class PendingClickFilter : public QObject {
public:
    explicit PendingClickFilter(QObject* field) : field_(field) {
        qApp->installEventFilter(this);
        QTimer::singleShot(0, this, [this] {
            qApp->removeEventFilter(this);
            deleteLater();
        });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            return watched != field_;
        default:
            return false;
        }
    }

private:
    QObject* field_;
};

} // namespace

DateEdit::DateEdit(Prompts& prompts, QWidget* parent)
    : QLineEdit(parent), prompts_(prompts), editing_{std::string(kUntouchedDateText), 0},
      textAtFocus_(kUntouchedDateText) {
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setAcceptDrops(false);
    QAction* button = addAction(commandIcon(CommandIcon::Calendar), QLineEdit::TrailingPosition);
    connect(button, &QAction::triggered, this, &DateEdit::buttonClicked);
    if (auto* tool = findChild<QToolButton*>()) {
        tool->setAccessibleName(QStringLiteral("Выбор даты"));
    }
    render();
}

void DateEdit::setDateText(std::string_view text) {
    editing_ = {FitDateText(text), 0};
    render();
}

QSize DateEdit::sizeHint() const {
    QStyleOptionFrame option;
    initStyleOption(&option);
    // Eight characters with some air, plus the button (21 pixels at 8 points).
    const int textWidth = fontMetrics().horizontalAdvance(QStringLiteral("00.00.000"));
    const QSize base = QLineEdit::sizeHint();
    const QSize content(textWidth + base.height() + 8, base.height());
    return style()
        ->sizeFromContents(QStyle::CT_LineEdit, &option, content, this)
        .expandedTo(QSize(0, base.height()));
}

QSize DateEdit::minimumSizeHint() const {
    return sizeHint();
}

void DateEdit::render() {
    QString shown = fromCp1251(editing_.text);
    if (editingNow_) {
        for (qsizetype i = 0; i < shown.size(); ++i) {
            if (IsDatePlace(static_cast<std::size_t>(i)) && shown[i] == QLatin1Char(' ')) {
                shown[i] = QLatin1Char('_');
            }
        }
    }
    setText(shown);
    setCursorPosition(static_cast<int>(editing_.caret));
}

void DateEdit::apply(const DateEditing& editing) {
    editing_ = editing;
    render();
}

DateEditing DateEdit::current() const {
    return {editing_.text, static_cast<std::size_t>(cursorPosition())};
}

std::pair<std::size_t, std::size_t> DateEdit::selection() const {
    if (!hasSelectedText()) {
        return {0, 0};
    }
    const auto from = static_cast<std::size_t>(selectionStart());
    return {from, from + static_cast<std::size_t>(selectedText().size())};
}

void DateEdit::copySelection() const {
    const auto [from, to] = selection();
    if (from < to) {
        QApplication::clipboard()->setText(fromCp1251(editing_.text.substr(from, to - from)));
    }
}

void DateEdit::cutSelection() {
    const auto [from, to] = selection();
    if (from < to) {
        copySelection();
        apply(BlankDatePlaces(current(), from, to));
    }
}

void DateEdit::pasteClipboard() {
    const QString clip = QApplication::clipboard()->text();
    if (clip.isEmpty()) {
        return;
    }
    const std::string typed = clip.toStdString();
    if (typed.find(kDateSeparator) != std::string::npos) {
        // A whole date: it goes into the field by the fitting rule.
        apply({FitDateText(typed), kDateTextLength});
        return;
    }
    DateEditing editing = current();
    if (const auto [from, to] = selection(); from < to) {
        editing = BlankDatePlaces(editing, from, to);
    }
    apply(TypeIntoDate(editing, typed));
}

void DateEdit::eraseBackward() {
    const auto [from, to] = selection();
    apply(from < to ? BlankDatePlaces(current(), from, to) : EraseDateBackward(current()));
}

void DateEdit::eraseForward() {
    const auto [from, to] = selection();
    apply(from < to ? BlankDatePlaces(current(), from, to) : EraseDateForward(current()));
}

bool DateEdit::acceptsLeaving() {
    if (!changedSinceFocus()) {
        return true;
    }
    const std::optional<std::size_t> empty = FirstEmptyRequiredPlace(editing_.text);
    if (!empty) {
        return true;
    }
    reportEmptyPlace(*empty);
    return false;
}

void DateEdit::reportEmptyPlace(std::size_t place) {
    QApplication::beep();
    prompts_.showError(kInvalidDateInput);
    if (!hasFocus()) {
        keepFocusText_ = true;
        setFocus(Qt::OtherFocusReason);
    }
    editing_.caret = place;
    render();
}

void DateEdit::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (key == Qt::Key_Down && modifiers == Qt::AltModifier) {
        emit buttonClicked();
        return;
    }
    if (key == Qt::Key_Escape && modifiers == Qt::NoModifier) {
        if (changedSinceFocus()) {
            apply({textAtFocus_, 0});
        } else {
            event->ignore();
        }
        return;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && modifiers == Qt::NoModifier) {
        if (acceptsLeaving()) {
            event->ignore();
        }
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
    } else if (event->matches(QKeySequence::Cut)) {
        cutSelection();
    } else if (event->matches(QKeySequence::Paste)) {
        pasteClipboard();
    } else if (key == Qt::Key_Backspace && modifiers == Qt::NoModifier) {
        eraseBackward();
    } else if (event->matches(QKeySequence::Delete)) {
        eraseForward();
    } else if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)) {
        // No undo history: Esc is the way back.
    } else if (!event->text().isEmpty() && event->text().at(0).isPrint() &&
               !(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        const auto [from, to] = selection();
        DateEditing editing = from < to ? BlankDatePlaces(current(), from, to) : current();
        const QChar typed = event->text().at(0);
        if (typed.isDigit() && typed.unicode() < 0x80) {
            apply(TypeIntoDate(editing, std::string(1, static_cast<char>(typed.unicode()))));
        }
    } else {
        // Movement, selection and everything the field does not know. A
        // key that would still change the text is undone at once.
        const QString shown = text();
        const int caret = cursorPosition();
        QLineEdit::keyPressEvent(event);
        if (text() != shown) {
            editing_.caret = static_cast<std::size_t>(caret);
            render();
        }
    }
}

void DateEdit::focusInEvent(QFocusEvent* event) {
    if (userMovedFocus(event->reason())) {
        if (!keepFocusText_) {
            textAtFocus_ = editing_.text;
        }
        keepFocusText_ = false;
    }
    editingNow_ = true;
    editing_.caret = static_cast<std::size_t>(cursorPosition());
    render();
    QLineEdit::focusInEvent(event);
}

void DateEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // Whatever takes the focus (also a message box about another field), the
    // field shows its stored text while it is not being edited.
    editingNow_ = false;
    editing_.caret = static_cast<std::size_t>(cursorPosition());
    render();
    if (!userMovedFocus(event->reason()) || !changedSinceFocus()) {
        return;
    }
    if (const std::optional<std::size_t> empty = FirstEmptyRequiredPlace(editing_.text)) {
        // The message waits until the focus change is over; the click that
        // caused it must not act meanwhile.
        new PendingClickFilter(this);
        const std::size_t place = *empty;
        QTimer::singleShot(0, this, [this, place] { reportEmptyPlace(place); });
    }
}

void DateEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    for (QAction* action : menu->actions()) {
        const QString name = action->objectName();
        std::function<void()> handler;
        if (name == QLatin1String("edit-undo") || name == QLatin1String("edit-redo")) {
            action->setVisible(false);
        } else if (name == QLatin1String("edit-copy")) {
            handler = [this] { copySelection(); };
        } else if (name == QLatin1String("edit-cut")) {
            handler = [this] { cutSelection(); };
        } else if (name == QLatin1String("edit-paste")) {
            handler = [this] { pasteClipboard(); };
        } else if (name == QLatin1String("edit-delete")) {
            handler = [this] { eraseForward(); };
        }
        if (handler) {
            // The line edit's own handlers would change the text behind the mask.
            action->disconnect();
            connect(action, &QAction::triggered, this, handler);
        }
    }
    QPointer<QMenu> guard(menu);
    menu->exec(event->globalPos());
    delete guard.data();
}

void DateEdit::inputMethodEvent(QInputMethodEvent* event) {
    event->ignore();
}

} // namespace vantrel
