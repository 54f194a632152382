#pragma once

#include "formats/record.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// Rules on the record list that the main window and the record editor share.
namespace vantrel {

// The field's text, or the empty text when the record has fewer fields.
const std::string& RecordFieldText(const Record& record, std::size_t field);

// The record number as an integer, when it reads as one: optional leading
// blanks, an optional sign, decimal digits, within the 32-bit signed range.
std::optional<long long> RecordNumberValue(const std::string& number);

// One more than the largest record number that reads as an integer (numbers
// that do not are skipped; the search starts from 0), in decimal.
std::string NextRecordNumber(const RecordList& records);

// Ordinal byte comparison of the sort column's texts: column 0 compares the
// numbers, column c of 1...6 field c; a missing field compares as empty text.
bool RecordLess(const Record& a, const Record& b, int column);

// The rows of `records` in ascending order of the column (stable, so equal
// keys keep their order): the order of std::stable_sort by RecordLess, found
// by comparing eight bytes of the keys at a time.
std::vector<std::size_t> SortedOrder(const RecordList& records, int column);
// Sorts ascending by the column, as SortedOrder.
void SortRecords(RecordList& records, int column);

// The items of `items` in the order of `order` (a permutation of its indices).
template <typename T>
std::vector<T> TakeInOrder(std::vector<T> items, const std::vector<std::size_t>& order) {
    std::vector<T> taken;
    taken.reserve(items.size());
    for (const std::size_t from : order) {
        taken.push_back(std::move(items[from]));
    }
    return taken;
}

// Whether a text can stand as a record number in the record file: a number line
// must stay one line of text (no control character but TAB) and must not be
// read back as a field (no leading TAB).
bool IsStorableRecordNumber(const std::string& number);

// The six editor values as stored fields: an empty note becomes " ".
std::vector<std::string> StoredFields(std::string name, std::string password, std::string resource,
                                      std::string startDate, std::string endDate, std::string note);

} // namespace vantrel
