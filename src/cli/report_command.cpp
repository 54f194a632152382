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
        std::vector<std::vector<std::string>> rows{{"No.", "Name", "Resource"}};
        if (showPasswords) {
            rows.front().push_back("Password");
        }
        rows.front().push_back("Reason");
        for (const ReportLine& line : lines) {
            const Record& record = records[line.row];
            std::vector<std::string> row{TerminalText(record.number),
                                         TerminalText(RecordFieldText(record, kFieldName)),
                                         TerminalText(RecordFieldText(record, kFieldResource))};
            if (showPasswords) {
                row.push_back(TerminalText(RecordPassword(record)));
            }
            row.push_back(ReportReason(group, line));
            rows.push_back(std::move(row));
        }
        out << FormatTable(rows);
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

void WriteJson(std::ostream& out, const RecordList& records, const PasswordReport& report,
               std::chrono::year_month_day today, bool showPasswords) {
    nlohmann::json groups = nlohmann::json::array();
    for (const ReportGroup group : kReportGroups) {
        nlohmann::json lines = nlohmann::json::array();
        for (const ReportLine& line : report.lines(group)) {
            lines.push_back(LineJson(records[line.row], group, line, showPasswords));
        }
        groups.push_back({{"group", ReportGroupKey(group)},
                          {"title", ReportGroupTitle(group)},
                          {"records", std::move(lines)}});
    }
    const nlohmann::json document = {{"today", IsoDate(today)},
                                     {"weakBelowBits", kReportWeakBelowBits},
                                     {"recordCount", records.size()},
                                     {"found", report.flaggedRecords(records.size())},
                                     {"groups", std::move(groups)}};
    // The texts come from Cp1251ToUtf8 and are valid UTF-8; "replace" only
    // guards the output against a fault there.
    out << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
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
