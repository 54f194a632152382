#include "formats/date_forms.h"

#include <cstdio>
#include <vector>

namespace vantrel {
namespace {

using std::chrono::day;
using std::chrono::month;
using std::chrono::year;
using std::chrono::year_month_day;

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

// A non-empty run of at most 18 decimal digits.
std::optional<long long> wholeNumber(std::string_view text) {
    if (text.empty() || text.size() > 18) {
        return std::nullopt;
    }
    long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<year_month_day> calendarDay(long long y, long long m, long long d) {
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31) {
        return std::nullopt;
    }
    const year_month_day date{year(static_cast<int>(y)), month(static_cast<unsigned>(m)),
                              day(static_cast<unsigned>(d))};
    if (!date.ok()) {
        return std::nullopt;
    }
    return date;
}

std::optional<year_month_day> readIso(std::string_view text) {
    if (text.size() < 10 || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    if (text.size() > 10 && text[10] != 'T' && text[10] != ' ') {
        return std::nullopt;
    }
    const auto y = wholeNumber(text.substr(0, 4));
    const auto m = wholeNumber(text.substr(5, 2));
    const auto d = wholeNumber(text.substr(8, 2));
    if (!y || !m || !d) {
        return std::nullopt;
    }
    return calendarDay(*y, *m, *d);
}

std::optional<year_month_day> readUnixTime(long long value, std::size_t digits) {
    const long long seconds = digits > 11 ? value / 1000 : value;
    const std::chrono::sys_days days{std::chrono::floor<std::chrono::days>(
        std::chrono::sys_seconds{std::chrono::seconds{seconds}})};
    const year_month_day date{days};
    if (!date.ok() || static_cast<int>(date.year()) > 9999) {
        return std::nullopt;
    }
    return date;
}

std::optional<year_month_day> readDotted(std::string_view text, int currentYear) {
    std::vector<std::string_view> parts;
    for (std::size_t at = 0;;) {
        const std::size_t dot = text.find('.', at);
        parts.push_back(trimBlanks(text.substr(at, dot - at)));
        if (dot == std::string_view::npos) {
            break;
        }
        at = dot + 1;
    }
    if (parts.size() != 3 || parts[0].size() > 2 || parts[1].size() > 2 ||
        (parts[2].size() != 2 && parts[2].size() != 4)) {
        return std::nullopt;
    }
    const auto d = wholeNumber(parts[0]);
    const auto m = wholeNumber(parts[1]);
    auto y = wholeNumber(parts[2]);
    if (!d || !m || !y) {
        return std::nullopt;
    }
    if (parts[2].size() == 2) {
        *y = ExpandTwoDigitYear(static_cast<int>(*y), currentYear);
    }
    return calendarDay(*y, *m, *d);
}

std::string printed(const char* pattern, unsigned a, unsigned b, int c) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, pattern, a, b, c);
    return buffer;
}

} // namespace

int ExpandTwoDigitYear(int value, int currentYear) {
    if (value >= 100) {
        return value;
    }
    const int first = currentYear - 60;
    value += first / 100 * 100;
    if (value < first) {
        value += 100;
    }
    return value;
}

std::optional<year_month_day> ReadCsvDate(std::string_view text, int currentYear) {
    text = trimBlanks(text);
    if (const auto number = wholeNumber(text)) {
        return readUnixTime(*number, text.size());
    }
    if (text.find('-') != std::string_view::npos) {
        return readIso(text);
    }
    return readDotted(text, currentYear);
}

std::string RecordDateText(year_month_day date) {
    return printed("%02u.%02u.%02d", static_cast<unsigned>(date.day()),
                   static_cast<unsigned>(date.month()), static_cast<int>(date.year()) % 100);
}

std::string FullDateText(year_month_day date) {
    return printed("%02u.%02u.%04d", static_cast<unsigned>(date.day()),
                   static_cast<unsigned>(date.month()), static_cast<int>(date.year()));
}

std::string IsoDateText(year_month_day date) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02uT00:00:00Z", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return buffer;
}

} // namespace vantrel
