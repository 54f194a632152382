#include "formats/csv_records.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "base/secret.h"
#include "formats/csv_text.h"
#include "formats/date_forms.h"
#include "formats/record_rules.h"

#include <algorithm>
#include <array>

namespace vantrel {
namespace {

// What a column means to a record.
enum class Role {
    None,
    Number,
    Name,
    Password,
    Resource,
    Title, // the resource's host on export; the resource on import when there is no URL
    Note,
    Start,
    End,
    StartIso,    // the start date, written as ISO 8601
    StartMillis, // the start date, read as milliseconds
    Keep         // no field of its own: kept as a line "header: text" of the note
};

struct Column {
    std::string_view header;
    Role role;
};

struct LayoutInfo {
    CsvLayout layout;
    std::string_view name;
    std::vector<Column> columns;
};

// In the order they are tried: a layout whose headers include another's first.
const std::array<LayoutInfo, 5>& layouts() {
    static const std::array<LayoutInfo, 5> all = {{
        {CsvLayout::KeePassXc,
         "keepassxc",
         {{"Group", Role::None},
          {"Title", Role::Title},
          {"Username", Role::Name},
          {"Password", Role::Password},
          {"URL", Role::Resource},
          {"Notes", Role::Note},
          {"TOTP", Role::Keep},
          {"Icon", Role::None},
          {"Last Modified", Role::None},
          {"Created", Role::StartIso}}},
        {CsvLayout::Bitwarden,
         "bitwarden",
         {{"folder", Role::None},
          {"favorite", Role::None},
          {"type", Role::None},
          {"name", Role::Title},
          {"notes", Role::Note},
          {"fields", Role::Keep},
          {"reprompt", Role::None},
          {"login_uri", Role::Resource},
          {"login_username", Role::Name},
          {"login_password", Role::Password},
          {"login_totp", Role::Keep}}},
        {CsvLayout::Firefox,
         "firefox",
         {{"url", Role::Resource},
          {"username", Role::Name},
          {"password", Role::Password},
          {"httpRealm", Role::None},
          {"formActionOrigin", Role::None},
          {"guid", Role::None},
          {"timeCreated", Role::StartMillis},
          {"timeLastUsed", Role::None},
          {"timePasswordChanged", Role::None}}},
        {CsvLayout::Vantrel,
         "vantrel",
         {{"number", Role::Number},
          {"name", Role::Name},
          {"password", Role::Password},
          {"resource", Role::Resource},
          {"start", Role::Start},
          {"end", Role::End},
          {"note", Role::Note}}},
        {CsvLayout::Chrome,
         "chrome",
         {{"name", Role::Title},
          {"url", Role::Resource},
          {"username", Role::Name},
          {"password", Role::Password},
          {"note", Role::Note}}},
    }};
    return all;
}

const LayoutInfo& infoOf(CsvLayout layout) {
    for (const LayoutInfo& info : layouts()) {
        if (info.layout == layout) {
            return info;
        }
    }
    throw Error("CSV: unknown layout");
}

std::string asciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// The column of each of the layout's headers in the header row, if all are there.
std::optional<std::vector<std::size_t>> columnsIn(const LayoutInfo& info,
                                                  const std::vector<std::string>& header) {
    std::vector<std::string> folded;
    for (const std::string& h : header) {
        folded.push_back(asciiLower(trimBlanks(h)));
    }
    std::vector<std::size_t> at;
    for (const Column& column : info.columns) {
        const auto found = std::find(folded.begin(), folded.end(), asciiLower(column.header));
        if (found == folded.end()) {
            return std::nullopt;
        }
        at.push_back(static_cast<std::size_t>(found - folded.begin()));
    }
    return at;
}

std::string headerLine(const LayoutInfo& info) {
    std::string line;
    for (const Column& column : info.columns) {
        line += line.empty() ? "" : ",";
        line += column.header;
    }
    return line;
}

// Length of the UTF-8 sequence at the start of `text`, or 0 when it is not a
// valid one (overlong forms, surrogates and values above U+10FFFF included).
std::size_t utf8Length(std::string_view text) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

bool isUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8Length(text.substr(at));
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

// UTF-8 to 1251, a character 1251 cannot hold becoming "?" and counted.
std::string toCp1251Marking(std::string_view utf8, bool& refused) {
    try {
        return Utf8ToCp1251(utf8);
    } catch (const Error&) {
    }
    std::string text;
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t length = std::max<std::size_t>(1, utf8Length(utf8.substr(at)));
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

constexpr std::string_view kStoredLineBreak = " \xB6 "; // " ¶ " in 1251
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

const std::string& endDateMark() {
    static const std::string mark = Utf8ToCp1251("Окончание: ");
    return mark;
}

std::string dateError(const CsvRow& row, std::string_view column, std::string_view text) {
    return "CSV: line " + std::to_string(row.line) + ", column \"" + std::string(column) +
           "\": \"" + std::string(text) + "\" is not a date";
}

bool isBlankDate(std::string_view text) {
    return text.find_first_not_of(" .") == std::string_view::npos;
}

// Splits a trailing "Окончание: date" line off the (stored) note.
std::string takeEndDate(std::string& note, int currentYear) {
    const std::size_t lineStart = [&note] {
        const std::size_t brk = note.rfind(kStoredLineBreak);
        return brk == std::string::npos ? 0 : brk + kStoredLineBreak.size();
    }();
    const std::string_view line = std::string_view(note).substr(lineStart);
    if (!line.starts_with(endDateMark())) {
        return {};
    }
    const auto date = ReadCsvDate(line.substr(endDateMark().size()), currentYear);
    if (!date) {
        return {};
    }
    note.resize(lineStart == 0 ? 0 : lineStart - kStoredLineBreak.size());
    return RecordDateText(*date);
}

// Whether the resource begins with a scheme and "//" ("https://...").
std::size_t schemeEnd(std::string_view resource) {
    const std::size_t mark = resource.find("://");
    if (mark == std::string_view::npos || mark == 0) {
        return 0;
    }
    for (std::size_t i = 0; i < mark; ++i) {
        const char c = resource[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        if (!letter && !(i > 0 && other)) {
            return 0;
        }
    }
    return mark + 3;
}

// The host of a resource ("https://user@mail.example.com:8443/in" ->
// "mail.example.com:8443"), or the resource itself when there is none.
std::string_view hostOf(std::string_view resource) {
    std::string_view host = resource.substr(schemeEnd(resource));
    host = host.substr(0, host.find_first_of("/?#"));
    if (const std::size_t at = host.rfind('@'); at != std::string_view::npos) {
        host.remove_prefix(at + 1);
    }
    return host.empty() ? resource : host;
}

// The rows of a text, wiped when they go.
struct WipedRows {
    std::vector<CsvRow> rows;
    ~WipedRows() {
        for (CsvRow& row : rows) {
            for (std::string& field : row.fields) {
                WipeString(field);
            }
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
    ~RowFields() { WipeString(password); }

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
    if (isBlankDate(value)) {
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

std::string_view CsvLayoutName(CsvLayout layout) {
    return infoOf(layout).name;
}

std::optional<CsvLayout> CsvLayoutFromName(std::string_view name) {
    for (const LayoutInfo& info : layouts()) {
        if (asciiLower(name) == info.name) {
            return info.layout;
        }
    }
    return std::nullopt;
}

bool CanWriteCsvLayout(CsvLayout layout) {
    return layout != CsvLayout::Firefox;
}

CsvLayout RecogniseCsvLayout(const std::vector<std::string>& header) {
    for (const LayoutInfo& info : layouts()) {
        if (columnsIn(info, header)) {
            return info.layout;
        }
    }
    std::string expected;
    for (const LayoutInfo& info : layouts()) {
        expected += "\n  " + std::string(info.name) + ": " + headerLine(info);
    }
    throw Error("CSV: the header row fits no known layout; expected one of:" + expected);
}

CsvImport ImportCsvRecords(std::string_view text, const RecordList& existing,
                           const CsvImportOptions& options) {
    const bool utf8 = isUtf8(text);
    WipedRows rows{ReadCsv(text)};
    if (rows.rows.empty()) {
        throw Error("CSV: the text has no header row");
    }
    const std::vector<std::string>& header = rows.rows.front().fields;
    const CsvLayout layout = RecogniseCsvLayout(header);
    const LayoutInfo& info = infoOf(layout);
    const std::vector<std::size_t> at = *columnsIn(info, header);
    long long next = numberAfter(existing);

    WipedImport result;
    result.import.layout = layout;
    for (std::size_t r = 1; r < rows.rows.size(); ++r) {
        const CsvRow& row = rows.rows[r];
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
        } else if (taken.title != taken.resource && taken.title != hostOf(taken.resource)) {
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

namespace {

// The stored text in UTF-8 for an export: " ¶ " back to a line break, the
// stored blank of an empty note to nothing.
std::string exported(std::string_view stored) {
    std::string text;
    for (std::size_t at = 0;;) {
        const std::size_t brk = stored.find(kStoredLineBreak, at);
        text += Cp1251ToUtf8(stored.substr(at, brk - at));
        if (brk == std::string_view::npos) {
            break;
        }
        text.push_back('\n');
        at = brk + kStoredLineBreak.size();
    }
    if (trimBlanks(text).empty()) {
        text.clear();
    }
    return text;
}

std::string withScheme(std::string resource) {
    if (!resource.empty() && schemeEnd(resource) == 0) {
        resource.insert(0, "https://");
    }
    return resource;
}

// The note with the end date as its last line, for layouts without a column
// for it.
std::string noteWithEndDate(std::string note, std::string_view storedEnd, int currentYear) {
    if (isBlankDate(storedEnd)) {
        return note;
    }
    const auto date = ReadCsvDate(storedEnd, currentYear);
    if (!note.empty()) {
        note.push_back('\n');
    }
    note += "Окончание: " + (date ? FullDateText(*date) : Cp1251ToUtf8(storedEnd));
    return note;
}

std::vector<std::string> exportRow(const Record& record, const LayoutInfo& info, int currentYear) {
    const auto field = [&record](std::size_t f) { return exported(RecordFieldText(record, f)); };
    const std::string& storedStart = RecordFieldText(record, kFieldStartDate);
    const std::string& storedEnd = RecordFieldText(record, kFieldEndDate);
    const bool hasEndColumn = info.layout == CsvLayout::Vantrel;
    std::vector<std::string> row;
    for (const Column& column : info.columns) {
        switch (column.role) {
        case Role::Number:
            row.push_back(Cp1251ToUtf8(record.number));
            break;
        case Role::Name:
            row.push_back(field(kFieldName));
            break;
        case Role::Password:
            row.push_back(field(kFieldPassword));
            break;
        case Role::Resource:
            row.push_back(info.layout == CsvLayout::Chrome ? withScheme(field(kFieldResource))
                                                           : field(kFieldResource));
            break;
        case Role::Title:
            row.push_back(std::string(hostOf(field(kFieldResource))));
            break;
        case Role::Note:
            row.push_back(hasEndColumn
                              ? field(kFieldNote)
                              : noteWithEndDate(field(kFieldNote), storedEnd, currentYear));
            break;
        case Role::Start:
            row.push_back(field(kFieldStartDate));
            break;
        case Role::End:
            row.push_back(field(kFieldEndDate));
            break;
        case Role::StartIso: {
            const auto date = ReadCsvDate(storedStart, currentYear);
            row.push_back(date ? IsoDateText(*date) : std::string());
            break;
        }
        case Role::StartMillis:
        case Role::Keep:
        case Role::None:
            row.push_back(column.header == "type" ? "login" : "");
            break;
        }
    }
    return row;
}

} // namespace

void ExportCsvRecords(const RecordList& records, CsvLayout layout, int currentYear,
                      const ChunkWriter& write) {
    if (!CanWriteCsvLayout(layout)) {
        throw Error("CSV: records cannot be written in the " + std::string(CsvLayoutName(layout)) +
                    " layout");
    }
    const LayoutInfo& info = infoOf(layout);
    std::vector<std::string> header;
    for (const Column& column : info.columns) {
        header.emplace_back(column.header);
    }
    WriteCsvRow(write, header);
    for (const Record& record : records) {
        std::vector<std::string> row = exportRow(record, info, currentYear);
        WriteCsvRow(write, row);
        for (std::string& field : row) {
            WipeString(field);
        }
    }
}

std::string CsvRecordsText(const RecordList& records, CsvLayout layout, int currentYear) {
    std::string text;
    ExportCsvRecords(records, layout, currentYear,
                     [&text](std::string_view piece) { text += piece; });
    return text;
}

} // namespace vantrel
