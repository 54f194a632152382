// Comma-separated files on disk, and the list of fields an import refused.
#include "base/atomic_file.h"
#include "base/error.h"
#include "formats/csv_records.h"
#include "formats/record_file.h"

namespace vantrel {

std::string ReadCsvFile(const std::filesystem::path& path) {
    std::string text;
    if (const std::error_code ec = ReadWholeFile(path, text, kMaxCsvFileBytes)) {
        throw FileError(formatMessage(kCannotOpenFileText, path.string()), ec);
    }
    return text;
}

void WriteCsvFile(const std::filesystem::path& path, const RecordList& records, CsvLayout layout,
                  int currentYear) {
    const std::error_code ec = ReplaceFileAtomically(
        path,
        [&](const ChunkWriter& write) { ExportCsvRecords(records, layout, currentYear, write); },
        FilePermissions::OwnerOnly);
    if (ec) {
        throw FileError(formatMessage(kCannotCreateFileText, path.string()), ec);
    }
}

std::string UnstorableFieldsText(const std::vector<CsvUnstorable>& fields, std::size_t shown) {
    std::string text;
    for (std::size_t i = 0; i < fields.size() && i < shown; ++i) {
        text += (i > 0 ? "\n" : "");
        text +=
            "строка " + std::to_string(fields[i].line) + ", столбец \"" + fields[i].column + "\"";
    }
    if (fields.size() > shown) {
        text += "\n... и ещё " + std::to_string(fields.size() - shown);
    }
    return text;
}

} // namespace vantrel
