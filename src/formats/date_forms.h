#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

// Dates in the forms the files hold: read in the forms this and other
// programs write, written in the forms the record file and the comma-separated
// exports expect.
namespace vantrel {

// Expands a year below 100 into the hundred years from currentYear - 60 to
// currentYear + 39; other years are returned as they are. In 2026 "66" is
// 1966 and "65" is 2065.
int ExpandTwoDigitYear(int year, int currentYear);

// Reads a date given as ISO 8601 ("2026-12-07", "2026-12-07T10:00:00Z", the
// time being ignored), as Unix seconds or milliseconds (a whole number of at
// most 11 digits counts as seconds, a longer one as milliseconds), or as
// "dd.mm.yyyy" / "dd.mm.yy" (blanks around the parts ignored; a two-digit
// year is expanded by ExpandTwoDigitYear). No date for anything else, or for a day that is not in
// the calendar of the years 1 ... 9999.
std::optional<std::chrono::year_month_day> ReadCsvDate(std::string_view text, int currentYear);

// "dd.mm.yy": the form the record file stores.
std::string RecordDateText(std::chrono::year_month_day date);
// "dd.mm.yyyy".
std::string FullDateText(std::chrono::year_month_day date);
// "yyyy-mm-ddT00:00:00Z".
std::string IsoDateText(std::chrono::year_month_day date);

} // namespace vantrel
