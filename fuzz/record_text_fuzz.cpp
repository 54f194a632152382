// ParseRecordText on arbitrary bytes: every list it yields must obey the text
// layout's rules and survive a format/parse round trip unchanged, and the
// list-free normalisation must give the same text. A text that can be a record
// file holds a record, and stays one when written back. Handed over in pieces
// (their sizes taken from the bytes), the text gives the same records.
#include "formats/record_file.h"
#include "formats/record_stream.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool holdsLineEnd(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const vantrel::RecordList records = vantrel::ParseRecordText(bytes);

    for (const vantrel::Record& record : records) {
        check(!holdsLineEnd(record.number));
        check(record.number.empty() || record.number.front() != '\t');
        for (const std::string& field : record.fields) {
            check(!holdsLineEnd(field));
            check(field.empty() || (static_cast<unsigned char>(field.front()) > 0x20 &&
                                    static_cast<unsigned char>(field.back()) > 0x20));
        }
    }

    const std::string text = vantrel::FormatRecordText(records);
    check(vantrel::ParseRecordText(text) == records);
    std::string normal; // records written as they are read, without the list
    vantrel::ForEachRecordInText(bytes, [&normal](const vantrel::RecordView& view) {
        vantrel::AppendRecordText(normal, view);
    });
    check(normal == text);
    vantrel::RecordList pieced;
    {
        vantrel::RecordTextSplitter splitter(
            [&pieced](const vantrel::RecordView& view) { vantrel::AppendRecord(pieced, view); });
        for (std::size_t at = 0; at < size;) {
            const std::size_t n = std::min<std::size_t>(1 + data[at] % 16, size - at);
            splitter.add(bytes.substr(at, n));
            at += n;
        }
        splitter.finish();
    }
    check(pieced == records);
    if (vantrel::CanBeRecordText(bytes)) {
        check(!records.empty());
        check(vantrel::CanBeRecordText(text));
    }
    return 0;
}
