#pragma once

#include "storage/record.h"

#include <cstddef>
#include <optional>
#include <string>

// Rules on the record list that the main window and the record editor share.
namespace vantrel {

// The record number as an integer, when it reads as one: optional leading
// blanks, an optional sign, decimal digits, within the 32-bit signed range.
std::optional<long long> RecordNumberValue(const std::string& number);

// One more than the largest record number that reads as an integer (numbers
// that do not are skipped; the search starts from 0), in decimal.
std::string NextRecordNumber(const RecordList& records);

// Ordinal byte comparison of the sort column's texts: column 0 compares the
// numbers, column c of 1...6 field c; a missing field compares as empty text.
bool RecordLess(const Record& a, const Record& b, int column);

// Sorts ascending by the column (stable, so equal keys keep their order).
void SortRecords(RecordList& records, int column);

// The six editor values as stored fields: an empty note becomes " ".
std::vector<std::string> StoredFields(std::string name, std::string password,
                                      std::string resource, std::string startDate,
                                      std::string endDate, std::string note);

} // namespace vantrel
