#pragma once

#include "session/date_text.h"

#include <QLineEdit>

#include <string>
#include <string_view>

namespace vantrel {

class Prompts;

// The date field: a masked edit for "dd.mm.yy" with a button inside its right
// end. Only digits go into the places; empty places show as "_" while the
// field is being edited. Esc brings back the text the field had when it got
// the focus; Enter and leaving a changed field with an empty required place
// beep, show kInvalidDateInput through the error box, keep the focus and put
// the caret at that place. The button and Alt+Down emit buttonClicked().
//
// QLineEdit::text() is only what is drawn; the field's text is dateText().
class DateEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit DateEdit(Prompts& prompts, QWidget* parent = nullptr);

    // The field's text, a blank for every empty place ("  .  .  " untouched).
    const std::string& dateText() const { return editing_.text; }
    // Puts a text into the field by the fitting rule (FitDateText).
    void setDateText(std::string_view text);

    // Whether the text differs from the one the field had when it got the focus.
    bool changedSinceFocus() const { return editing_.text != textAtFocus_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void buttonClicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    // Replaces the shown text and caret by editing_.
    void render();
    void apply(const DateEditing& editing);
    DateEditing current() const;
    // The selected range [from, to), empty when nothing is selected.
    std::pair<std::size_t, std::size_t> selection() const;

    void copySelection() const;
    void cutSelection();
    void pasteClipboard();
    void eraseBackward();
    void eraseForward();
    // The leaving test: true when the field may be left.
    bool acceptsLeaving();
    void reportEmptyPlace(std::size_t place);

    Prompts& prompts_;
    DateEditing editing_;
    std::string textAtFocus_;
    bool editingNow_ = false;    // blanks show as "_"
    bool keepFocusText_ = false; // the focus comes back after an error
};

// The error the date field raises for an empty required place.
inline constexpr const char* kInvalidDateInput =
    "Invalid input value.  Use escape key to abandon changes";

} // namespace vantrel
