#pragma once

#include <chrono>
#include <optional>

// The rules of the calendar dialog: where the days of a month stand in its
// 7 x 7 grid and how each step of the user moves the current date. Dates run
// from 1 January 1 to 31 December 9999.
namespace vantrel {

// Row 0 of the grid holds the weekday names; rows 1 ... 6 hold the days.
// Column 0 is Monday, column 6 Sunday.
inline constexpr int kCalendarColumns = 7;
inline constexpr int kCalendarRows = 7;

struct CalendarCell {
    int row = 0;
    int column = 0;

    bool operator==(const CalendarCell&) const = default;
};

// The cell of a (valid) date in the grid of its month: day 1 stands in row 1
// in its weekday's column, the other days follow in reading order.
CalendarCell CellOfDate(std::chrono::year_month_day date);

// The date shown in a cell of the month's grid; nothing for the weekday row,
// the empty cells before day 1 and after the last day, and cells off the grid.
std::optional<std::chrono::year_month_day> DateAtCell(std::chrono::year_month month,
                                                      CalendarCell cell);

enum class CalendarStep {
    PreviousYear, // same day and month; 29 February becomes 28 February
    NextYear,
    PreviousMonth, // same day, reduced to the last day of a shorter month
    NextMonth,
    PreviousDay, // into the neighbouring month at the month's ends
    NextDay,
    CellUp, // the day in the cell moved to, within the displayed month
    CellDown,
    RowStart,
    RowEnd,
    Today,
};

// The current date after one step. A step that would leave the years
// 1 ... 9999 or land on an empty cell leaves the date as it is.
std::chrono::year_month_day StepCalendar(std::chrono::year_month_day current, CalendarStep step,
                                         std::chrono::year_month_day today);

} // namespace vantrel
