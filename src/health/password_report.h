#pragma once

#include "formats/record.h"
#include "health/strength.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The password report over a record list: which records have a weak password,
// share a password with other records, have expired or have no password.
namespace vantrel {

// A password whose estimate is below this counts as weak: the levels
// "Очень слабый" and "Слабый".
inline constexpr double kReportWeakBelowBits = kMediumFromBits;

enum class ReportGroup { Weak, Reused, Expired, EmptyPassword };
inline constexpr std::array<ReportGroup, 4> kReportGroups = {
    ReportGroup::Weak, ReportGroup::Reused, ReportGroup::Expired, ReportGroup::EmptyPassword};

// "Слабые", "Повторяющиеся", "Истёкшие", "Пустой пароль" (UTF-8).
std::string_view ReportGroupTitle(ReportGroup group);
// "weak", "reused", "expired", "empty": the group's name for scripts.
std::string_view ReportGroupKey(ReportGroup group);

struct ReportLine {
    std::size_t row = 0; // the record's place in the list
    // Weak: the estimate. Reused: the number of the set of equal passwords
    // (1, 2, ... in list order of their first record) and its size.
    // Expired: the end date.
    Strength strength;
    std::size_t reuseSet = 0;
    std::size_t reuseCount = 0;
    std::chrono::year_month_day endDate;
};

struct PasswordReport {
    // One list per group, in kReportGroups order. Weak, expired and empty
    // lines follow the list order; reused lines come set by set, so every
    // record sharing a password is listed next to the others.
    std::array<std::vector<ReportLine>, kReportGroups.size()> groups;

    const std::vector<ReportLine>& lines(ReportGroup group) const {
        return groups[static_cast<std::size_t>(group)];
    }
    bool empty() const;
    // The number of records in at least one group, out of `recordCount`.
    std::size_t flaggedRecords(std::size_t recordCount) const;
};

// Estimates kept from one build of the report to the next, so that a window
// building it again after an edit estimates only what changed. Its keys are
// the report's own business.
using StrengthCache = std::unordered_map<std::string, Strength>;

// Builds the report on `today` (expiry as RecordExpiry judges it). Passwords
// are compared byte for byte, never trimmed: "abc" and "abc " differ. An empty
// password goes to EmptyPassword alone, neither weak nor reused. Equal
// passwords (with equal name and resource words) are estimated once; the
// estimates run on all the machine's cores. With a cache, estimates found in
// it are taken from it and the new ones are added.
PasswordReport BuildPasswordReport(const RecordList& records, std::chrono::year_month_day today,
                                   StrengthCache* cache = nullptr);

// Why the line is in its group, for the user (UTF-8): "Очень слабый, 2 бит",
// "Один пароль у 3 записей (набор 1)", "Срок истёк 07.12.2026".
std::string ReportReason(ReportGroup group, const ReportLine& line);

// The password of a record, the empty text when the record has no such field.
const std::string& RecordPassword(const Record& record);

} // namespace vantrel
