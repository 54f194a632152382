// report: the password report of a record file, as tables or as JSON.
#include "base/cp1251.h"
#include "base/secret.h"
#include "cli/record_content.h"
#include "cli/terminal_text.h"
#include "health/breach_list.h"
#include "health/password_report.h"
#include "session/expiry.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
#include <numeric>
#include <optional>
#include <ostream>

namespace vantrel::cli {

namespace {

std::string IsoDate(std::chrono::year_month_day date) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return text;
}

// The report holds rows, not records: the records of its lines are found
// again by walking the file, once per group in list order. Reused lines come
// set by set, so their records are held in slices of about `budget` bytes, one
// walk per slice.
using LineVisit = std::function<void(const ReportLine&, const RecordView&)>;

// Lines [first, last) of a group.
struct LineSlice {
    const ReportLines* lines;
    std::size_t first;
    std::size_t last;

    // Implicit: a whole group is a slice.
    LineSlice(const ReportLines& all) : LineSlice(all, 0, all.size()) {}
    LineSlice(const ReportLines& all, std::size_t from, std::size_t to)
        : lines(&all), first(from), last(to) {}
    std::size_t size() const { return last - first; }
    auto begin() const { return lines->begin() + static_cast<std::ptrdiff_t>(first); }
    auto end() const { return lines->begin() + static_cast<std::ptrdiff_t>(last); }
    const ReportLine& operator[](std::size_t place) const { return (*lines)[first + place]; }
    LineSlice part(std::size_t from, std::size_t to) const {
        return {*lines, first + from, first + to};
    }
};

// The places in `lines` sorted by their rows.
std::vector<std::uint32_t> ByRow(LineSlice lines) {
    std::vector<std::uint32_t> order(lines.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [lines](std::uint32_t a, std::uint32_t b) {
        return lines[a].row < lines[b].row;
    });
    return order;
}

// One walk over the records: `visit` gets each line's place in `lines` and its
// record, in list order.
void WalkLines(RecordContent& content, LineSlice lines,
               const std::function<void(std::size_t, const RecordView&)>& visit) {
    const std::vector<std::uint32_t> order = ByRow(lines);
    std::uint32_t row = 0;
    std::size_t next = 0;
    content.forEachRecord([&](const RecordView& record) {
        if (next < order.size() && lines[order[next]].row == row) {
            visit(order[next++], record);
        }
        ++row;
    });
}

// The texts a report line shows: number, name, password and resource.
constexpr std::size_t kShownFields = 3;

std::vector<std::string_view> ShownTexts(const RecordView& record) {
    std::vector<std::string_view> texts{record.number};
    const std::size_t fields = std::min(record.fields.size(), kShownFields);
    texts.insert(texts.end(), record.fields.begin(), record.fields.begin() + fields);
    return texts;
}

// The shown texts of a slice's records in one block, reserved whole so that no
// copy of a password is left behind by growth.
class HeldRecords {
    struct Place {
        std::size_t at = 0;
        std::array<std::size_t, kShownFields + 1> ends{}; // relative to `at`
        std::size_t count = 0;
    };

public:
    // What one record costs beyond its texts.
    static constexpr std::size_t kOverhead = sizeof(Place);

    HeldRecords(std::size_t records, std::size_t bytes) : places_(records) {
        text_.value().reserve(bytes);
    }

    void hold(std::size_t place, const RecordView& record) {
        places_[place].at = text_.value().size();
        for (const std::string_view text : ShownTexts(record)) {
            text_.value() += text;
            places_[place].ends[places_[place].count++] = text_.value().size() - places_[place].at;
        }
    }

    RecordView view(std::size_t place) const {
        const Place& held = places_[place];
        const std::string_view texts = std::string_view(text_.value()).substr(held.at);
        RecordView record{texts.substr(0, held.ends[0]), {}};
        for (std::size_t text = 1; text < held.count; ++text) {
            record.fields.push_back(
                texts.substr(held.ends[text - 1], held.ends[text] - held.ends[text - 1]));
        }
        return record;
    }

private:
    SecretString text_;
    std::vector<Place> places_;
};

// The walks over the records of one group's lines.
class GroupWalk {
public:
    GroupWalk(RecordContent& content, LineSlice lines, std::size_t budget)
        : content_(content), lines_(lines), budget_(budget),
          inListOrder_(std::is_sorted(
              lines.begin(), lines.end(),
              [](const ReportLine& a, const ReportLine& b) { return a.row < b.row; })) {}

    // Every line in list order, in one walk (which also measures the slices
    // for inOrder).
    void inListOrder(const LineVisit& visit) {
        if (!inListOrder_) {
            sizes_.assign(lines_.size(), 0);
        }
        WalkLines(content_, lines_, [&](std::size_t place, const RecordView& record) {
            if (visit) {
                visit(lines_[place], record);
            }
            if (!inListOrder_) {
                std::size_t size = 0;
                for (const std::string_view text : ShownTexts(record)) {
                    size += text.size();
                }
                // A larger record has a slice of its own.
                sizes_[place] = static_cast<std::uint32_t>(
                    std::min<std::size_t>(size, std::numeric_limits<std::uint32_t>::max()));
            }
        });
    }

    // Every line in the group's order: one walk when that is list order,
    // otherwise one walk per slice.
    void inOrder(const LineVisit& visit) {
        if (inListOrder_) {
            inListOrder(visit);
            return;
        }
        if (sizes_.size() != lines_.size()) {
            inListOrder(nullptr);
        }
        for (std::size_t first = 0, last = 0; first < lines_.size(); first = last) {
            std::size_t bytes = sizes_[last++];
            while (last < lines_.size() &&
                   (bytes + sizes_[last]) + (last + 1 - first) * HeldRecords::kOverhead <=
                       budget_) {
                bytes += sizes_[last++];
            }
            const LineSlice slice = lines_.part(first, last);
            HeldRecords held(slice.size(), bytes);
            WalkLines(content_, slice, [&held](std::size_t place, const RecordView& record) {
                held.hold(place, record);
            });
            for (std::size_t place = 0; place < slice.size(); ++place) {
                visit(slice[place], held.view(place));
            }
        }
    }

private:
    RecordContent& content_;
    LineSlice lines_;
    std::size_t budget_;
    bool inListOrder_;
    std::vector<std::uint32_t> sizes_; // of each line's shown texts, once measured
};

// Each group's table is printed line by line after a first walk that
// measures its columns: a group can hold every record of the file.
void WriteTables(std::ostream& out, RecordContent& content, const PasswordReport& report,
                 std::size_t budget, bool showPasswords) {
    bool first = true;
    for (const ReportGroup group : report.shownGroups()) {
        const ReportLines& lines = report.lines(group);
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
        const auto rowOf = [&](const ReportLine& line, const RecordView& record) {
            const ReportFields fields = ReportFieldsOf(record);
            std::vector<std::string> row; // filled by moves: a cell may be as long as the file
            for (const std::string_view text : {record.number, fields.name, fields.resource}) {
                row.push_back(TerminalText(text));
            }
            if (showPasswords) {
                row.push_back(TerminalText(fields.password));
            }
            row.push_back(ReportReason(group, line));
            return row;
        };
        TableLayout layout;
        layout.Measure(header);
        GroupWalk walk(content, lines, budget);
        walk.inListOrder([&](const ReportLine& line, const RecordView& record) {
            layout.Measure(rowOf(line, record));
        });
        layout.WriteRow(out, header);
        walk.inOrder([&](const ReportLine& line, const RecordView& record) {
            layout.WriteRow(out, rowOf(line, record));
        });
    }
}

nlohmann::json LineJson(const RecordView& record, ReportGroup group, const ReportLine& line,
                        bool showPasswords) {
    const ReportFields fields = ReportFieldsOf(record);
    nlohmann::json item = {{"number", Cp1251ToUtf8(record.number)},
                           {"name", Cp1251ToUtf8(fields.name)},
                           {"resource", Cp1251ToUtf8(fields.resource)},
                           {"reason", ReportReason(group, line)}};
    if (showPasswords) {
        item["password"] = Cp1251ToUtf8(fields.password);
    }
    switch (group) {
    case ReportGroup::Weak:
        item["bits"] = line.bits;
        item["verdict"] = StrengthVerdict(line.strength().level);
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
    case ReportGroup::Breached:
        item["timesSeen"] = line.timesSeen;
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
void WriteJson(std::ostream& out, RecordContent& content, const PasswordReport& report,
               std::size_t recordCount, std::size_t budget, std::chrono::year_month_day today,
               bool showPasswords) {
    constexpr std::string_view kRecords = "@records@";
    nlohmann::json groups = nlohmann::json::array();
    for (const ReportGroup group : report.shownGroups()) {
        groups.push_back({{"group", ReportGroupKey(group)},
                          {"title", ReportGroupTitle(group)},
                          {"records", kRecords}});
    }
    const nlohmann::json document = {{"today", IsoDate(today)},
                                     {"weakBelowBits", kReportWeakBelowBits},
                                     {"recordCount", recordCount},
                                     {"found", report.flaggedRecords(recordCount)},
                                     {"groups", std::move(groups)}};
    const std::string skeleton = Dump(document);
    const std::string placeholder = Dump(kRecords);
    constexpr std::string_view kItemIndent = "\n        "; // the records' depth in the document
    std::size_t at = 0;
    for (const ReportGroup group : report.shownGroups()) {
        const std::size_t here = skeleton.find(placeholder, at);
        out << std::string_view(skeleton).substr(at, here - at) << '[';
        const char* separator = "";
        GroupWalk(content, report.lines(group), budget)
            .inOrder([&](const ReportLine& line, const RecordView& record) {
                std::string item = Dump(LineJson(record, group, line, showPasswords));
                for (std::size_t end = item.find('\n'); end != std::string::npos;
                     end = item.find('\n', end + kItemIndent.size())) {
                    item.replace(end, 1, kItemIndent);
                }
                out << separator << kItemIndent << item;
                separator = ",";
            });
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
    // The list is opened first: a missing one stops the report before the
    // password is asked for.
    std::optional<BreachList> breaches;
    if (const auto list = context.args.Value("breaches")) {
        breaches.emplace(*list);
    }
    RecordContent content =
        ReadContent(context, context.args.operands[0], FileKindOption(context.args));
    const auto today = LocalToday();
    PasswordReport report;
    std::size_t recordCount = 0;
    {
        PasswordReportBuilder builder(today, nullptr, breaches ? &*breaches : nullptr);
        content.forEachRecord(
            [&builder](const RecordView& record) { builder.add(ReportFieldsOf(record)); });
        recordCount = builder.recordCount();
        report = builder.finish();
    }
    // The records of reused lines are held at most about half the file at a time.
    const std::size_t budget = std::max<std::size_t>(content.bytes.value().size() / 2, 1 << 16);
    if (format == "json") {
        WriteJson(context.out, content, report, recordCount, budget, today, showPasswords);
    } else {
        WriteTables(context.out, content, report, budget, showPasswords);
    }
    return report.empty() ? kExitSuccess : kExitNo;
}

} // namespace vantrel::cli
