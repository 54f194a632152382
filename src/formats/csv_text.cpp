#include "formats/csv_text.h"

#include "base/error.h"
#include "base/secret.h"

namespace vantrel {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

class CsvReader {
public:
    explicit CsvReader(std::string_view text) : text_(text) {
        if (text_.starts_with(kByteOrderMark)) {
            at_ = kByteOrderMark.size();
        }
    }

    std::vector<CsvRow> rows() {
        std::vector<CsvRow> rows;
        while (at_ < text_.size()) {
            CsvRow row;
            row.line = line_;
            readRow(row.fields);
            if (!(row.fields.size() == 1 && row.fields.front().empty() && !lastWasQuoted_)) {
                rows.push_back(std::move(row));
            }
        }
        return rows;
    }

private:
    // Reads fields up to and including the row's line end (or the text's end).
    void readRow(std::vector<std::string>& fields) {
        for (;;) {
            fields.emplace_back();
            readField(fields.back());
            if (at_ >= text_.size()) {
                return;
            }
            const char c = text_[at_];
            if (c == ',') {
                ++at_;
                continue;
            }
            skipLineEnd();
            return;
        }
    }

    void readField(std::string& field) {
        lastWasQuoted_ = at_ < text_.size() && text_[at_] == '"';
        if (lastWasQuoted_) {
            readQuoted(field);
        }
        // Unquoted text, or what follows a closing quote, up to the field's end.
        while (at_ < text_.size() && !isFieldEnd(text_[at_])) {
            field.push_back(text_[at_++]);
        }
    }

    void readQuoted(std::string& field) {
        const std::size_t startLine = line_;
        ++at_; // the opening quote
        for (;;) {
            if (at_ >= text_.size()) {
                throw Error("CSV: the quoted field that begins on line " +
                            std::to_string(startLine) + " has no closing quote");
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

    static bool isFieldEnd(char c) { return c == ',' || c == '\n' || c == '\r'; }

    // LF, CR LF, or a lone CR.
    void skipLineEnd() {
        if (text_[at_] == '\r') {
            ++at_;
        }
        if (at_ < text_.size() && text_[at_] == '\n') {
            ++at_;
        }
        ++line_;
    }

    std::string_view text_;
    std::size_t at_ = 0;
    std::size_t line_ = 1;
    bool lastWasQuoted_ = false;
};

} // namespace

std::vector<CsvRow> ReadCsv(std::string_view text) {
    return CsvReader(text).rows();
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
