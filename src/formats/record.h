#pragma once

#include <string>
#include <vector>

namespace vantrel {

// One account record: a number (text) and its fields, in this order: name,
// password, resource, start date, end date, note. All texts are 1251 bytes.
// Records made by the program have six fields; records read from a file have
// as many as the file gives them.
struct Record {
    std::string number;
    std::vector<std::string> fields;

    bool operator==(const Record&) const = default;
};

enum RecordField : int {
    kFieldName = 0,
    kFieldPassword = 1,
    kFieldResource = 2,
    kFieldStartDate = 3,
    kFieldEndDate = 4,
    kFieldNote = 5,
    kFieldCount = 6,
};

// The ordered records; their order is the order of the record file.
using RecordList = std::vector<Record>;

// Overwrites every text of the record with zero bytes, the password and the
// note first, and leaves each one empty. Their memory stays with the record
// (the field count too), so that freeing it afterwards gives back only zeros.
void WipeRecord(Record& record);

// Moves the records to the end of `to`, in order, and wipes what is left of
// them in `from` (a moved short string keeps its bytes in place), which ends
// empty.
void MoveRecordsWiping(RecordList& from, RecordList& to);

} // namespace vantrel
