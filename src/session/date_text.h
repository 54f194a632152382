#pragma once

#include "formats/date_forms.h" // ExpandTwoDigitYear, RecordDateText

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The text of a date field: "dd.mm.yy", eight characters, "." at positions 2
// and 5 and a blank for every empty place. Fitting texts into that form,
// reading a date from it, writing a date into it, and the editing steps of the
// field. Only digits are typed into the places; the texts are plain ASCII, so
// they are the same in 1251 and in UTF-8.
namespace vantrel {

inline constexpr std::size_t kDateTextLength = 8;
inline constexpr char kDateSeparator = '.';
// The text of a field nobody has typed into.
inline constexpr std::string_view kUntouchedDateText = "  .  .  ";

// Positions 0, 1, 3, 4, 6 and 7 are places; 2 and 5 are separators.
bool IsDatePlace(std::size_t position);
// Every place except the first one of the day and of the month must hold a
// digit before a changed field may be left.
bool IsRequiredDatePlace(std::size_t position);

// Puts any text into the field's form. The text is split at its "."
// separators into day, month and year; each part fills its two places: a
// one-character part gets a leading blank, a missing part stays blank, a
// longer part keeps its last two characters. A text without any "." fills the
// six places in order from its first characters (a hand-made record file is
// the only source of such a text). "7.12.26" -> " 7.12.26",
// "07.12.2026" -> "07.12.26", "" -> "  .  .  ".
std::string FitDateText(std::string_view text);

// The first required place of a field text that holds a blank, if any.
std::optional<std::size_t> FirstEmptyRequiredPlace(std::string_view fieldText);

// Reads day, month and year in this order, separated by "."; blanks are
// ignored and a two-digit year is expanded. No date when a part has no digit,
// holds anything but digits and blanks, or the three do not make a calendar
// day of the years 1 ... 9999 (31 April, 29 February of a common year, ...).
std::optional<std::chrono::year_month_day> ReadDateText(std::string_view text, int currentYear);

// "dd.mm.yy" with leading zeros: 7 December 2026 -> "07.12.26".
std::string WriteDateText(std::chrono::year_month_day date);

// The date a calendar opened from a field starts at: the field's date, or
// `today` when its text gives none.
std::chrono::year_month_day DateForPicking(std::string_view fieldText,
                                           std::chrono::year_month_day today);

// Editing a field text (always in the fitted form) at a caret position
// 0 ... kDateTextLength.
struct DateEditing {
    std::string text;
    std::size_t caret = 0;

    bool operator==(const DateEditing&) const = default;
};

// Types the digits of `typed` from the caret on, one place each, skipping the
// separators; other characters are passed over. Typing stops at the end of
// the text. The caret ends after the last filled place and past a separator
// that follows it.
DateEditing TypeIntoDate(DateEditing editing, std::string_view typed);
// Blanks the places in [from, to) and puts the caret at `from`.
DateEditing BlankDatePlaces(DateEditing editing, std::size_t from, std::size_t to);
// Backspace: blanks the nearest place before the caret and moves the caret to it.
DateEditing EraseDateBackward(DateEditing editing);
// Delete: blanks the nearest place at or after the caret; the caret stays.
DateEditing EraseDateForward(DateEditing editing);

} // namespace vantrel
