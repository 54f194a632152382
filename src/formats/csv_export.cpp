#include "formats/csv_records.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "base/secret.h"
#include "formats/csv_text.h"
#include "formats/date_forms.h"
#include "formats/record_rules.h"

namespace vantrel {

using namespace csv_detail;

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
    if (TrimBlanks(text).empty()) {
        text.clear();
    }
    return text;
}

std::string withScheme(std::string resource) {
    if (!resource.empty() && SchemeEnd(resource) == 0) {
        resource.insert(0, "https://");
    }
    return resource;
}

// The note with the end date as its last line, for layouts without a column
// for it.
std::string noteWithEndDate(std::string note, std::string_view storedEnd, int currentYear) {
    if (IsBlankDate(storedEnd)) {
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
            row.push_back(std::string(HostOf(field(kFieldResource))));
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
        throw Error("В формате CSV " + std::string(CsvLayoutName(layout)) +
                    " записи можно только читать.");
    }
    const LayoutInfo& info = LayoutInfoOf(layout);
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
                     [&text](std::string_view piece) { AppendSecret(text, piece); });
    return text;
}

} // namespace vantrel
