#include "formats/record_rules.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <numeric>

namespace vantrel {

std::optional<long long> RecordNumberValue(const std::string& number) {
    std::size_t at = number.find_first_not_of(' ');
    if (at == std::string::npos) {
        return std::nullopt;
    }
    const char* first = number.data() + at;
    const char* last = number.data() + number.size();
    if (*first == '+') {
        ++first;
        if (first == last || *first == '-') {
            return std::nullopt;
        }
    }
    long long value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return value;
}

std::string NextRecordNumber(const RecordList& records) {
    long long largest = 0;
    for (const Record& record : records) {
        if (auto value = RecordNumberValue(record.number); value && *value > largest) {
            largest = *value;
        }
    }
    return std::to_string(largest + 1);
}

namespace {

const std::string& sortKey(const Record& record, int column) {
    if (column <= 0) {
        return record.number;
    }
    return RecordFieldText(record, static_cast<std::size_t>(column - 1));
}

} // namespace

const std::string& RecordFieldText(const Record& record, std::size_t field) {
    static const std::string empty;
    return field < record.fields.size() ? record.fields[field] : empty;
}

bool RecordLess(const Record& a, const Record& b, int column) {
    // std::string compares as unsigned bytes through char_traits<char>::compare
    // (memcmp), which is the ordinal 1251 byte order.
    return sortKey(a, column).compare(sortKey(b, column)) < 0;
}

std::vector<std::size_t> SortedOrder(const RecordList& records, int column) {
    std::vector<std::size_t> order(records.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return RecordLess(records[a], records[b], column);
    });
    return order;
}

void SortRecords(RecordList& records, int column) {
    const std::vector<std::size_t> order = SortedOrder(records, column);
    records = TakeInOrder(std::move(records), order);
}

bool IsStorableRecordNumber(const std::string& number) {
    if (!number.empty() && number.front() == '\t') {
        return false;
    }
    return number.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

std::vector<std::string> StoredFields(std::string name, std::string password, std::string resource,
                                      std::string startDate, std::string endDate,
                                      std::string note) {
    if (note.empty()) {
        note.push_back(' ');
    }
    return {std::move(name),      std::move(password), std::move(resource),
            std::move(startDate), std::move(endDate),  std::move(note)};
}

} // namespace vantrel
