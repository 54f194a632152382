#include "session/date_calendar.h"

namespace vantrel {

using namespace std::chrono;

namespace {

constexpr year kFirstYear{1};
constexpr year kLastYear{9999};

bool inRange(const year_month_day& date) {
    return date.year() >= kFirstYear && date.year() <= kLastYear;
}

// Column of day 1: 0 for Monday ... 6 for Sunday.
int firstColumn(year_month month) {
    return static_cast<int>(weekday(sys_days(month / 1)).iso_encoding()) - 1;
}

// The same day in another month, reduced to that month's last day.
year_month_day withinMonth(year_month month, day wanted) {
    const day lastDay = (month / last).day();
    return month / (wanted > lastDay ? lastDay : wanted);
}

year_month_day moveCell(const year_month_day& current, int rows, int columns) {
    CalendarCell cell = CellOfDate(current);
    cell.row += rows;
    cell.column = columns == 0 ? cell.column : columns < 0 ? 0 : kCalendarColumns - 1;
    return DateAtCell(current.year() / current.month(), cell).value_or(current);
}

} // namespace

CalendarCell CellOfDate(year_month_day date) {
    const int index = firstColumn(date.year() / date.month()) +
                      static_cast<int>(static_cast<unsigned>(date.day())) - 1;
    return {1 + index / kCalendarColumns, index % kCalendarColumns};
}

std::optional<year_month_day> DateAtCell(year_month month, CalendarCell cell) {
    if (cell.row < 1 || cell.row >= kCalendarRows || cell.column < 0 ||
        cell.column >= kCalendarColumns) {
        return std::nullopt;
    }
    const int dayNumber = (cell.row - 1) * kCalendarColumns + cell.column - firstColumn(month) + 1;
    const int lastDay = static_cast<int>(static_cast<unsigned>((month / last).day()));
    if (dayNumber < 1 || dayNumber > lastDay) {
        return std::nullopt;
    }
    return month / day(static_cast<unsigned>(dayNumber));
}

year_month_day StepCalendar(year_month_day current, CalendarStep step, year_month_day today) {
    const year_month shown = current.year() / current.month();
    year_month_day next = current;
    switch (step) {
    case CalendarStep::PreviousYear:
    case CalendarStep::NextYear: {
        const years by{step == CalendarStep::NextYear ? 1 : -1};
        next = withinMonth(shown + by, current.day());
        break;
    }
    case CalendarStep::PreviousMonth:
    case CalendarStep::NextMonth: {
        const months by{step == CalendarStep::NextMonth ? 1 : -1};
        next = withinMonth(shown + by, current.day());
        break;
    }
    case CalendarStep::PreviousDay:
        next = year_month_day(sys_days(current) - days(1));
        break;
    case CalendarStep::NextDay:
        next = year_month_day(sys_days(current) + days(1));
        break;
    case CalendarStep::CellUp:
        next = moveCell(current, -1, 0);
        break;
    case CalendarStep::CellDown:
        next = moveCell(current, 1, 0);
        break;
    case CalendarStep::RowStart:
        next = moveCell(current, 0, -1);
        break;
    case CalendarStep::RowEnd:
        next = moveCell(current, 0, 1);
        break;
    case CalendarStep::Today:
        next = today;
        break;
    }
    return inRange(next) ? next : current;
}

} // namespace vantrel
