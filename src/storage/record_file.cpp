#include "storage/record_file.h"

namespace vantrel {

std::string FormatRecordText(const RecordList& records) {
    std::size_t size = 0;
    for (const Record& record : records) {
        size += record.number.size() + 2;
        for (const std::string& field : record.fields) {
            size += field.size() + 3;
        }
    }
    std::string text;
    text.reserve(size);
    for (const Record& record : records) {
        text += record.number;
        text += "\r\n";
        for (const std::string& field : record.fields) {
            text += '\t';
            text += field;
            text += "\r\n";
        }
    }
    return text;
}

} // namespace vantrel
