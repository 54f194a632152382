#pragma once

#include "base/atomic_file.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Comma-separated text as the password exports of browsers and other keepers
// write it: fields separated by ",", a field in double quotes may hold commas,
// line breaks and doubled quotes. The bytes are passed through as they are;
// the text's encoding is the caller's business.
namespace vantrel {

struct CsvRow {
    std::vector<std::string> fields;
    std::size_t line = 0; // the line the row begins on, 1-based
};

// Reads the rows of a text one at a time, by the rules of ReadCsv, so that a
// caller need not hold every row at once. The text must outlive the reader.
class CsvReader {
public:
    explicit CsvReader(std::string_view text);
    // The next row into `row` (its fields replaced); false at the text's end.
    bool next(CsvRow& row);

private:
    void readRow(std::vector<std::string>& fields);
    void readField(std::string& field);
    void readQuoted(std::string& field);
    void skipLineEnd();

    std::string_view text_;
    std::size_t at_ = 0;
    std::size_t line_ = 1;
    bool lastWasQuoted_ = false;
};

// Splits the text into rows. A UTF-8 byte-order mark at the start is skipped;
// rows end with CR LF or LF (the last one may have no line end); blank lines
// are skipped. A quote inside an unquoted field and text after a closing
// quote are kept as they stand. A quote that is never closed throws
// vantrel::Error naming the line where the field began.
std::vector<CsvRow> ReadCsv(std::string_view text);

// One row with every field in quotes (a quote doubled), ended by CR LF.
std::string CsvRowText(const std::vector<std::string>& fields);
void WriteCsvRow(const ChunkWriter& write, const std::vector<std::string>& fields);

} // namespace vantrel
