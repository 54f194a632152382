#include "session/date_text.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace vantrel {

using namespace std::chrono;

namespace {

constexpr std::size_t kPlaces[] = {0, 1, 3, 4, 6, 7};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Puts one part of a dotted text into its two places at `at`.
void fitPart(std::string& fitted, std::size_t at, std::string_view part) {
    if (part.size() == 1) {
        fitted[at + 1] = part[0];
    } else if (part.size() >= 2) {
        fitted[at] = part[part.size() - 2];
        fitted[at + 1] = part[part.size() - 1];
    }
}

std::vector<std::string_view> splitAtSeparators(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = text.find(kDateSeparator, start);
        if (dot == std::string_view::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, dot - start));
        start = dot + 1;
    }
}

// The number of a part with its blanks removed; nothing when no digit is left
// or another character is present.
std::optional<int> partNumber(std::string_view part) {
    std::string digits;
    for (char c : part) {
        if (c == ' ') {
            continue;
        }
        if (!isDigit(c)) {
            return std::nullopt;
        }
        digits += c;
    }
    // Leading zeros aside, no part of a calendar date needs more than 4 digits.
    const std::size_t firstNonZero = digits.find_first_not_of('0');
    if (digits.empty() || (firstNonZero != std::string::npos && digits.size() - firstNonZero > 4)) {
        return std::nullopt;
    }
    int value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

} // namespace

bool IsDatePlace(std::size_t position) {
    return position < kDateTextLength && position != 2 && position != 5;
}

bool IsRequiredDatePlace(std::size_t position) {
    return IsDatePlace(position) && position != 0 && position != 3;
}

std::string FitDateText(std::string_view text) {
    std::string fitted(kUntouchedDateText);
    if (text.find(kDateSeparator) == std::string_view::npos) {
        const std::size_t count = std::min(text.size(), std::size(kPlaces));
        for (std::size_t i = 0; i < count; ++i) {
            fitted[kPlaces[i]] = text[i];
        }
        return fitted;
    }
    const std::vector<std::string_view> parts = splitAtSeparators(text);
    for (std::size_t i = 0; i < 3 && i < parts.size(); ++i) {
        fitPart(fitted, i * 3, parts[i]);
    }
    return fitted;
}

std::optional<std::size_t> FirstEmptyRequiredPlace(std::string_view fieldText) {
    for (std::size_t position = 0; position < kDateTextLength; ++position) {
        if (IsRequiredDatePlace(position) &&
            (position >= fieldText.size() || fieldText[position] == ' ')) {
            return position;
        }
    }
    return std::nullopt;
}

std::optional<year_month_day> ReadDateText(std::string_view text, int currentYear) {
    const std::vector<std::string_view> parts = splitAtSeparators(text);
    if (parts.size() != 3) {
        return std::nullopt;
    }
    const std::optional<int> dayNumber = partNumber(parts[0]);
    const std::optional<int> monthNumber = partNumber(parts[1]);
    const std::optional<int> yearNumber = partNumber(parts[2]);
    if (!dayNumber || !monthNumber || !yearNumber) {
        return std::nullopt;
    }
    const int fullYear = ExpandTwoDigitYear(*yearNumber, currentYear);
    if (fullYear < 1 || fullYear > 9999 || *monthNumber > 12 || *dayNumber > 31) {
        return std::nullopt;
    }
    const year_month_day date{year(fullYear), month(static_cast<unsigned>(*monthNumber)),
                              day(static_cast<unsigned>(*dayNumber))};
    if (!date.ok()) {
        return std::nullopt;
    }
    return date;
}

std::string WriteDateText(year_month_day date) {
    return RecordDateText(date);
}

year_month_day DateForPicking(std::string_view fieldText, year_month_day today) {
    return ReadDateText(fieldText, static_cast<int>(today.year())).value_or(today);
}

DateEditing TypeIntoDate(DateEditing editing, std::string_view typed) {
    std::size_t& caret = editing.caret;
    const auto skipSeparators = [&caret] {
        while (caret < kDateTextLength && !IsDatePlace(caret)) {
            ++caret;
        }
    };
    for (char c : typed) {
        if (!isDigit(c)) {
            continue;
        }
        skipSeparators();
        if (caret >= kDateTextLength) {
            break;
        }
        editing.text[caret++] = c;
        skipSeparators();
    }
    return editing;
}

DateEditing BlankDatePlaces(DateEditing editing, std::size_t from, std::size_t to) {
    for (std::size_t position = from; position < to && position < kDateTextLength; ++position) {
        if (IsDatePlace(position)) {
            editing.text[position] = ' ';
        }
    }
    editing.caret = std::min(from, kDateTextLength);
    return editing;
}

DateEditing EraseDateBackward(DateEditing editing) {
    for (std::size_t position = std::min(editing.caret, kDateTextLength); position > 0;) {
        --position;
        if (IsDatePlace(position)) {
            editing.text[position] = ' ';
            editing.caret = position;
            break;
        }
    }
    return editing;
}

DateEditing EraseDateForward(DateEditing editing) {
    for (std::size_t position = editing.caret; position < kDateTextLength; ++position) {
        if (IsDatePlace(position)) {
            editing.text[position] = ' ';
            break;
        }
    }
    return editing;
}

} // namespace vantrel
