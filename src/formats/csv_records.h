#pragma once

#include "base/atomic_file.h"
#include "formats/csv_layouts.h"
#include "formats/record.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Records to and from the comma-separated exports of this program, of other
// password keepers and of browsers. The layout is known by its header row.
// Texts are UTF-8 in the exports and 1251 in the records.
namespace vantrel {

// A field of an imported row holding a character the record file cannot
// hold (one outside Windows-1251, or a control character).
struct CsvUnstorable {
    std::size_t line = 0; // the row's first line in the text, 1-based
    std::string column;   // the column's header as the text gives it (UTF-8)
    bool operator==(const CsvUnstorable&) const = default;
};

struct CsvImportOptions {
    // Each character the record file cannot hold becomes "?" (the fields are
    // still listed in `unstorable`); otherwise the import returns no records.
    bool replaceUnstorable = false;
    int currentYear = 2026; // for two-digit years
};

struct CsvImport {
    CsvLayout layout = CsvLayout::Vantrel;
    RecordList records;
    std::vector<CsvUnstorable> unstorable;
};

// Reads the records of an export. Text that is not valid UTF-8 is read as
// 1251. A line break inside a field becomes " ¶ ". The end date comes from a
// note's last line "Окончание: dd.mm.yyyy" where the layout has no column for
// it. A title other than the resource and its host, and the columns without
// a field of their own that hold secrets or data (TOTP, login_totp, fields),
// are kept as lines "header: text" at the note's end. Records get numbers after the highest number
// in `existing`, except in this program's own layout, which keeps its numbers. Throws
// vantrel::Error on text that is not comma-separated, an unknown header row or a date that cannot
// be read, naming the line and column.
CsvImport ImportCsvRecords(std::string_view text, const RecordList& existing,
                           const CsvImportOptions& options);

// The largest comma-separated file read (256 MiB), so that a device or an
// endless pipe given as the file ends with an error.
inline constexpr std::size_t kMaxCsvFileBytes = std::size_t{256} << 20;

// Reads a comma-separated file whole (it holds passwords: the caller wipes
// it). Throws vantrel::FileError "Cannot open file %s" with the reason.
std::string ReadCsvFile(const std::filesystem::path& path);

// The fields that ImportCsvRecords found unstorable, for the user (UTF-8, one
// a line: "строка 5, столбец "notes""); after the first `shown` a last line
// says how many more there are.
std::string UnstorableFieldsText(const std::vector<CsvUnstorable>& fields, std::size_t shown = 20);

// Writes the records in the layout: UTF-8 without byte-order mark, every
// field quoted, rows ended by CR LF, the header row first. " ¶ " becomes a
// line break again. Throws vantrel::Error for the firefox layout.
void ExportCsvRecords(const RecordList& records, CsvLayout layout, int currentYear,
                      const ChunkWriter& write);
std::string CsvRecordsText(const RecordList& records, CsvLayout layout, int currentYear);

// Writes the export to `path` as every save does (ReplaceFileAtomically), with
// mode 0600 also over an existing file: it holds every password in clear.
// Throws vantrel::FileError "Cannot create file %s" with the reason, the old
// file intact.
void WriteCsvFile(const std::filesystem::path& path, const RecordList& records, CsvLayout layout,
                  int currentYear);

} // namespace vantrel
