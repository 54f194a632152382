// The password report over the records of arbitrary record-file text: every
// line must name a record of its group, and estimates taken from the cache
// must give the same report as fresh ones. Reused passwords come set by set.
#include "formats/record_file.h"
#include "health/password_report.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

constexpr std::chrono::year_month_day kToday{std::chrono::year(2026), std::chrono::December,
                                             std::chrono::day(8)};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vantrel;
    const RecordList records =
        ParseRecordText(std::string_view(reinterpret_cast<const char*>(data), size));
    StrengthCache cache;
    const PasswordReport report = BuildPasswordReport(records, kToday, &cache);
    const PasswordReport again = BuildPasswordReport(records, kToday, &cache);
    const PasswordReport uncached = BuildPasswordReport(records, kToday);

    for (const ReportGroup group : kReportGroups) {
        const auto& lines = report.lines(group);
        check(lines.size() == again.lines(group).size());
        check(lines.size() == uncached.lines(group).size());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const ReportLine& line = lines[i];
            check(line.row < records.size() && line.row == again.lines(group)[i].row);
            check(line.row == uncached.lines(group)[i].row);
            const std::string& password = RecordPassword(records[line.row]);
            // An empty password goes to its own group alone, apart from being
            // expired as well.
            if (group == ReportGroup::EmptyPassword) {
                check(password.empty());
            } else if (group != ReportGroup::Expired) {
                check(!password.empty());
            }
            if (group == ReportGroup::Weak) {
                check(line.bits < kReportWeakBelowBits);
                check(line.bits == again.lines(group)[i].bits);
                check(line.bits == uncached.lines(group)[i].bits);
            }
            if (group == ReportGroup::Reused) {
                // Sets are numbered from 1 and listed whole, one after another.
                check(line.reuseCount >= 2);
                const ReportLine* previous = i > 0 ? &lines[i - 1] : nullptr;
                const bool sameSet = previous != nullptr && previous->reuseSet == line.reuseSet;
                check(sameSet || line.reuseSet == (previous ? previous->reuseSet + 1 : 1));
                check(!previous || sameSet != (RecordPassword(records[previous->row]) != password));
            }
        }
    }
    return 0;
}
