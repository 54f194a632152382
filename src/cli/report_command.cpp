// report: the password report of a record file, as tables or as JSON.
#include "base/cp1251.h"
#include "cli/commands.h"
#include "cli/terminal_text.h"
#include "formats/record_rules.h"
#include "health/password_report.h"
#include "session/expiry.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <ostream>

namespace vantrel::cli {

namespace {

std::string IsoDate(std::chrono::year_month_day date) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return text;
}

// Each group's table is printed line by line after a first walk that
// measures its columns: a group can hold every record of the file.
void WriteTables(std::ostream& out, const RecordList& records, const PasswordReport& report,
                 bool showPasswords) {
    bool first = true;
    for (const ReportGroup group : kReportGroups) {
        const std::vector<ReportLine>& lines = report.lines(group);
        out << (first ? "" : "\n") << ReportGroupTitle(group) << ": " << lines.size() << "\n";
        first = false;
        if (lines.empty()) {
            continue;
        }
        std::vector<std::string> header{"No.", "Name", "Resource"};
        if (showPasswords) {
            header.push_back("Password");
        }
        header.push_back("Reason");
        const auto rowOf = [&](const ReportLine& line) {
            const Record& record = records[line.row];
            std::vector<std::string> row; // filled by moves: a cell may be as long as the file
            for (const std::string* text : {&record.number, &RecordFieldText(record, kFieldName),
                                            &RecordFieldText(record, kFieldResource)}) {
                row.push_back(TerminalText(*text));
            }
            if (showPasswords) {
                row.push_back(TerminalText(RecordPassword(record)));
            }
            row.push_back(ReportReason(group, line));
            return row;
        };
        TableLayout layout;
        layout.Measure(header);
        for (const ReportLine& line : lines) {
            layout.Measure(rowOf(line));
        }
        layout.WriteRow(out, header);
        for (const ReportLine& line : lines) {
            layout.WriteRow(out, rowOf(line));
        }
    }
}

nlohmann::json LineJson(const Record& record, ReportGroup group, const ReportLine& line,
                        bool showPasswords) {
    nlohmann::json item = {{"number", Cp1251ToUtf8(record.number)},
                           {"name", Cp1251ToUtf8(RecordFieldText(record, kFieldName))},
                           {"resource", Cp1251ToUtf8(RecordFieldText(record, kFieldResource))},
                           {"reason", ReportReason(group, line)}};
    if (showPasswords) {
        item["password"] = Cp1251ToUtf8(RecordPassword(record));
    }
    switch (group) {
    case ReportGroup::Weak:
        item["bits"] = line.strength.bits;
        item["verdict"] = StrengthVerdict(line.strength.level);
        break;
    case ReportGroup::Reused:
        item["set"] = line.reuseSet;
        item["setSize"] = line.reuseCount;
        break;
    case ReportGroup::Expired:
        item["endDate"] = IsoDate(line.endDate);
        break;
    case ReportGroup::EmptyPassword:
        break;
    }
    return item;
}

// The texts come from Cp1251ToUtf8 and are valid UTF-8; "replace" only
// guards the output against a fault there.
std::string Dump(const nlohmann::json& value) {
    return value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

// The document is dumped with a placeholder for the records of each group,
// which are then written one by one in its place, indented as the whole
// document would indent them: a group can hold every record of the file.
void WriteJson(std::ostream& out, const RecordList& records, const PasswordReport& report,
               std::chrono::year_month_day today, bool showPasswords) {
    constexpr std::string_view kRecords = "@records@";
    nlohmann::json groups = nlohmann::json::array();
    for (const ReportGroup group : kReportGroups) {
        groups.push_back({{"group", ReportGroupKey(group)},
                          {"title", ReportGroupTitle(group)},
                          {"records", kRecords}});
    }
    const nlohmann::json document = {{"today", IsoDate(today)},
                                     {"weakBelowBits", kReportWeakBelowBits},
                                     {"recordCount", records.size()},
                                     {"found", report.flaggedRecords(records.size())},
                                     {"groups", std::move(groups)}};
    const std::string skeleton = Dump(document);
    const std::string placeholder = Dump(kRecords);
    constexpr std::string_view kItemIndent = "\n        "; // the records' depth in the document
    std::size_t at = 0;
    for (const ReportGroup group : kReportGroups) {
        const std::size_t here = skeleton.find(placeholder, at);
        out << std::string_view(skeleton).substr(at, here - at) << '[';
        const char* separator = "";
        for (const ReportLine& line : report.lines(group)) {
            std::string item = Dump(LineJson(records[line.row], group, line, showPasswords));
            for (std::size_t end = item.find('\n'); end != std::string::npos;
                 end = item.find('\n', end + kItemIndent.size())) {
                item.replace(end, 1, kItemIndent);
            }
            out << separator << kItemIndent << item;
            separator = ",";
        }
        out << (report.lines(group).empty() ? "]" : "\n      ]");
        at = here + placeholder.size();
    }
    out << std::string_view(skeleton).substr(at) << "\n";
}

} // namespace

int ReportCommand(const CommandContext& context) {
    const std::string format = context.args.Value("format").value_or("table");
    if (format != "table" && format != "json") {
        throw UsageError("--format must be 'table' or 'json', not '" + EscapeControls(format) +
                         "'");
    }
    const bool showPasswords = context.args.Flag("show-passwords");
    const RecordList records =
        LoadRecords(context, context.args.operands[0], context.args.Flag("plain"));
    const auto today = LocalToday();
    const PasswordReport report = BuildPasswordReport(records, today);
    if (format == "json") {
        WriteJson(context.out, records, report, today, showPasswords);
    } else {
        WriteTables(context.out, records, report, showPasswords);
    }
    return report.empty() ? kExitSuccess : kExitNo;
}

} // namespace vantrel::cli
