// The comma-separated import on arbitrary bytes: reading either gives records
// or throws vantrel::Error, never anything worse. Records that were read are
// storable (no line end or control character but TAB in a field) and, written
// in this program's own layout, read back equal. The text reader gives rows
// that, written again, read back equal.
#include "base/error.h"
#include "formats/csv_records.h"
#include "formats/csv_text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool storable(const std::string& text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
            return false;
        }
    }
    return true;
}

void checkRows(std::string_view bytes) {
    std::vector<vantrel::CsvRow> rows;
    try {
        rows = vantrel::ReadCsv(bytes);
    } catch (const vantrel::Error&) {
        return;
    }
    std::string text;
    for (const vantrel::CsvRow& row : rows) {
        text += vantrel::CsvRowText(row.fields);
    }
    const std::vector<vantrel::CsvRow> again = vantrel::ReadCsv(text);
    check(again.size() == rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        check(again[i].fields == rows[i].fields);
    }
}

void checkRecords(std::string_view bytes, bool replace) {
    vantrel::CsvImport imported;
    try {
        imported = vantrel::ImportCsvRecords(bytes, {}, {replace, 2026});
    } catch (const vantrel::Error&) {
        return;
    }
    check(replace || imported.unstorable.empty() || imported.records.empty());
    for (const vantrel::Record& record : imported.records) {
        check(storable(record.number));
        for (const std::string& field : record.fields) {
            check(storable(field));
        }
    }
    const std::string text =
        vantrel::CsvRecordsText(imported.records, vantrel::CsvLayout::Vantrel, 2026);
    const vantrel::CsvImport back = vantrel::ImportCsvRecords(text, {}, {false, 2026});
    check(back.unstorable.empty());
    check(back.records == imported.records);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    checkRows(bytes);
    checkRecords(bytes, false);
    checkRecords(bytes, true);
    return 0;
}
