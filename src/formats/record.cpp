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

} // namespace vantrel
