#include "formats/record.h"

#include "base/secret.h"

#include <cstddef>

namespace vantrel {

void WipeRecord(Record& record) {
    // The secrets first.
    for (const RecordField field : {kFieldPassword, kFieldNote}) {
        if (static_cast<std::size_t>(field) < record.fields.size()) {
            WipeString(record.fields[static_cast<std::size_t>(field)]);
        }
    }
    for (std::string& field : record.fields) {
        WipeString(field);
    }
    WipeString(record.number);
}

void MoveRecordsWiping(RecordList& from, RecordList& to) {
    to.reserve(to.size() + from.size());
    for (Record& record : from) {
        to.push_back(std::move(record));
        WipeRecord(record);
    }
    from.clear();
}

} // namespace vantrel
