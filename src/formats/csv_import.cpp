#include "formats/csv_records.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "base/secret.h"
#include "formats/csv_text.h"
#include "formats/date_forms.h"
#include "formats/record_rules.h"

#include <algorithm>

namespace vantrel {

using namespace csv_detail;

namespace {

// UTF-8 to 1251, a character 1251 cannot hold becoming "?" and counted.
std::string toCp1251Marking(std::string_view utf8, bool& refused) {
    try {
        return Utf8ToCp1251(utf8);
    } catch (const Error&) {
    }
    std::string text;
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t length = std::max<std::size_t>(1, Utf8SequenceLength(utf8.substr(at)));
        try {
            std::string one = Utf8ToCp1251(utf8.substr(at, length));
            text += one;
            WipeString(one);
        } catch (const Error&) {
            text.push_back('?');
            refused = true;
        }
        at += length;
    }
    return text;
}

// The one byte without a character in 1251 (met in text read as 1251).
constexpr char kNoCharacter = '\x98';

// What the record file drops at both ends of a field without a loss: other
// control characters are kept to be refused.
bool isBlankOrLineEnd(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The field as the record file can hold it: 1251, without blanks and line
// ends around it (the file would drop them), line breaks as " ¶ ", other
// control characters (but TAB) and bytes without a character "?" and counted.
std::string storable(std::string_view raw, bool utf8, bool& refused) {
    std::string text = utf8 ? toCp1251Marking(raw, refused) : std::string(raw);
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isBlankOrLineEnd(text[first])) {
        ++first;
    }
    while (last > first && isBlankOrLineEnd(text[last - 1])) {
        --last;
    }
    std::string stored;
    for (std::size_t i = first; i < last; ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < last && text[i + 1] == '\n') {
                ++i;
            }
            stored += kStoredLineBreak;
        } else if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == kNoCharacter) {
            stored.push_back('?');
            refused = true;
        } else {
            stored.push_back(c);
        }
    }
    WipeString(text);
    return stored;
}

std::string dateError(const CsvRow& row, std::string_view column, std::string_view text) {
    return "Файл CSV, строка " + std::to_string(row.line) + ", столбец \"" + std::string(column) +
           "\": \"" + std::string(text) + "\" не является датой.";
}

// Splits a trailing "Окончание: date" line off the (stored) note.
std::string takeEndDate(std::string& note, int currentYear) {
    const std::size_t lineStart = [&note] {
        const std::size_t brk = note.rfind(kStoredLineBreak);
        return brk == std::string::npos ? 0 : brk + kStoredLineBreak.size();
    }();
    const std::string_view line = std::string_view(note).substr(lineStart);
    if (!line.starts_with(EndDateMark())) {
        return {};
    }
    const auto date = ReadCsvDate(line.substr(EndDateMark().size()), currentYear);
    if (!date) {
        return {};
    }
    note.resize(lineStart == 0 ? 0 : lineStart - kStoredLineBreak.size());
    return RecordDateText(*date);
}

// A row of the text, wiped when it goes.
struct WipedRow {
    CsvRow row;
    ~WipedRow() {
        for (std::string& field : row.fields) {
            WipeString(field);
        }
    }
};

// An import under way: its records are wiped unless it is handed over.
struct WipedImport {
    CsvImport import;
    void wipeRecords() {
        for (Record& record : import.records) {
            WipeRecord(record);
        }
        import.records.clear();
    }
    ~WipedImport() { wipeRecords(); }
};

// The stored texts of one row's columns, by their role.
struct RowFields {
    std::string number, name, password, resource, title, note, start, end, ignored;
    std::string kept; // lines for the note, in the stored form

    void keep(std::string_view header, std::string_view value) {
        if (!value.empty()) {
            kept += kept.empty() ? "" : kStoredLineBreak;
            kept += header;
            kept += ": ";
            kept += value;
        }
    }
    // Moved into the record, a short text keeps its bytes here.
    ~RowFields() {
        for (std::string* text :
             {&number, &name, &password, &resource, &title, &note, &start, &end, &ignored, &kept}) {
            WipeString(*text);
        }
    }

    std::string& of(Role role) {
        switch (role) {
        case Role::Number:
            return number;
        case Role::Name:
            return name;
        case Role::Password:
            return password;
        case Role::Resource:
            return resource;
        case Role::Title:
            return title;
        case Role::Note:
            return note;
        case Role::Start:
        case Role::StartIso:
        case Role::StartMillis:
            return start;
        case Role::End:
            return end;
        case Role::Keep:
        case Role::None:
            break;
        }
        return ignored;
    }
};

bool isDateRole(Role role) {
    return role == Role::Start || role == Role::StartIso || role == Role::StartMillis ||
           role == Role::End;
}

// A date column's text as the record stores it: empty, or "dd.mm.yy".
std::string storedDate(const std::string& value, const CsvRow& row, const Column& column,
                       int currentYear) {
    if (IsBlankDate(value)) {
        return {};
    }
    const auto date = ReadCsvDate(value, currentYear);
    if (!date) {
        throw Error(dateError(row, column.header, Cp1251ToUtf8(value)));
    }
    return RecordDateText(*date);
}

long long numberAfter(const RecordList& existing) {
    return std::stoll(NextRecordNumber(existing));
}

} // namespace

CsvImport ImportCsvRecords(std::string_view text, const RecordList& existing,
                           const CsvImportOptions& options) {
    const bool utf8 = IsValidUtf8(text);
    // Rows are read one at a time: only the records stay, so that a large
    // export needs little more than its text and its records.
    CsvReader reader(text);
    WipedRow headerRow;
    if (!reader.next(headerRow.row)) {
        throw Error("Файл CSV пуст: в нём нет строки заголовков.");
    }
    const std::vector<std::string>& header = headerRow.row.fields;
    const CsvLayout layout = RecogniseCsvLayout(header);
    const LayoutInfo& info = LayoutInfoOf(layout);
    const std::vector<std::size_t> at = *ColumnsIn(info, header);
    long long next = numberAfter(existing);

    WipedImport result;
    result.import.layout = layout;
    // Every row has a line end but perhaps the last: room for them all at once,
    // so that the list never stands twice in memory while it grows.
    result.import.records.reserve(
        static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    WipedRow current;
    while (reader.next(current.row)) {
        const CsvRow& row = current.row;
        RowFields taken;
        std::string_view titleHeader;
        bool hasEndColumn = false;
        for (std::size_t c = 0; c < info.columns.size(); ++c) {
            const Column& column = info.columns[c];
            if (column.role == Role::None) {
                continue;
            }
            const std::string_view raw =
                at[c] < row.fields.size() ? std::string_view(row.fields[at[c]]) : "";
            bool refused = false;
            std::string value = storable(raw, utf8, refused);
            if (refused) {
                result.import.unstorable.push_back({row.line, std::string(column.header)});
            }
            if (isDateRole(column.role)) {
                value = storedDate(value, row, column, options.currentYear);
                hasEndColumn = hasEndColumn || column.role == Role::End;
            }
            if (column.role == Role::Keep) {
                taken.keep(column.header, value);
            } else if (column.role == Role::Title) {
                titleHeader = column.header;
            }
            taken.of(column.role) = std::move(value);
        }
        if (!hasEndColumn) {
            taken.end = takeEndDate(taken.note, options.currentYear);
        }
        if (taken.resource.empty()) {
            taken.resource = std::move(taken.title);
        } else if (taken.title != taken.resource && taken.title != HostOf(taken.resource)) {
            // A title of its own, which the export would not give back.
            taken.keep(titleHeader, taken.title);
        }
        if (!taken.kept.empty()) {
            taken.note += taken.note.empty() ? "" : kStoredLineBreak;
            taken.note += taken.kept;
        }
        if (taken.number.empty()) {
            taken.number = std::to_string(next++);
        }
        if (!result.import.unstorable.empty() && !options.replaceUnstorable) {
            continue; // refused: only the list of such fields is still wanted
        }
        result.import.records.push_back(
            {std::move(taken.number),
             StoredFields(std::move(taken.name), std::move(taken.password),
                          std::move(taken.resource), std::move(taken.start), std::move(taken.end),
                          std::move(taken.note))});
    }
    if (!result.import.unstorable.empty() && !options.replaceUnstorable) {
        result.wipeRecords();
    }
    return std::move(result.import);
}

} // namespace vantrel
