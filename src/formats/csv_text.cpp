#include "formats/csv_text.h"

#include "base/error.h"
#include "base/secret.h"

namespace vantrel {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isFieldEnd(char c) {
    return c == ',' || c == '\n' || c == '\r';
}

} // namespace

CsvReader::CsvReader(std::string_view text) : text_(text) {
    if (text_.starts_with(kByteOrderMark)) {
        at_ = kByteOrderMark.size();
    }
}

bool CsvReader::next(CsvRow& row) {
    while (at_ < text_.size()) {
        for (std::string& field : row.fields) {
            WipeString(field);
        }
        row.fields.clear();
        row.line = line_;
        readRow(row.fields);
        // A blank line is no row.
        if (!(row.fields.size() == 1 && row.fields.front().empty() && !lastWasQuoted_)) {
            return true;
        }
    }
    return false;
}

// Reads fields up to and including the row's line end (or the text's end).
void CsvReader::readRow(std::vector<std::string>& fields) {
    for (;;) {
        fields.emplace_back();
        readField(fields.back());
        if (at_ >= text_.size()) {
            return;
        }
        if (text_[at_] == ',') {
            ++at_;
            continue;
        }
        skipLineEnd();
        return;
    }
}

void CsvReader::readField(std::string& field) {
    lastWasQuoted_ = at_ < text_.size() && text_[at_] == '"';
    if (lastWasQuoted_) {
        readQuoted(field);
    }
    // Unquoted text, or what follows a closing quote, up to the field's end.
    while (at_ < text_.size() && !isFieldEnd(text_[at_])) {
        field.push_back(text_[at_++]);
    }
}

void CsvReader::readQuoted(std::string& field) {
    const std::size_t startLine = line_;
    ++at_; // the opening quote
    for (;;) {
        if (at_ >= text_.size()) {
            throw Error("Файл CSV, строка " + std::to_string(startLine) +
                        ": у поля в кавычках нет закрывающей кавычки.");
        }
        const char c = text_[at_++];
        if (c == '"') {
            if (at_ < text_.size() && text_[at_] == '"') {
                field.push_back('"');
                ++at_;
                continue;
            }
            return;
        }
        if (c == '\n') {
            ++line_;
        }
        field.push_back(c);
    }
}

// LF, CR LF, or a lone CR.
void CsvReader::skipLineEnd() {
    if (text_[at_] == '\r') {
        ++at_;
    }
    if (at_ < text_.size() && text_[at_] == '\n') {
        ++at_;
    }
    ++line_;
}

std::vector<CsvRow> ReadCsv(std::string_view text) {
    std::vector<CsvRow> rows;
    CsvReader reader(text);
    for (CsvRow row; reader.next(row);) {
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string CsvRowText(const std::vector<std::string>& fields) {
    std::string text;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            text.push_back(',');
        }
        text.push_back('"');
        for (const char c : fields[i]) {
            if (c == '"') {
                text.push_back('"');
            }
            text.push_back(c);
        }
        text.push_back('"');
    }
    text += "\r\n";
    return text;
}

void WriteCsvRow(const ChunkWriter& write, const std::vector<std::string>& fields) {
    std::string text = CsvRowText(fields);
    write(text);
    WipeString(text);
}

} // namespace vantrel
