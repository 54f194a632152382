#pragma once

#include "formats/record.h"
#include "health/strength.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The password report over a record list: which records have a weak password,
// share a password with other records, have expired or have no password, and
// (given a list of breached passwords) whose password is known from a breach.
namespace vantrel {

class BreachList;

// A password whose estimate is below this counts as weak: the levels
// "Очень слабый" and "Слабый".
inline constexpr double kReportWeakBelowBits = kMediumFromBits;

enum class ReportGroup { Weak, Reused, Expired, EmptyPassword, Breached };
// The groups of every report; Breached only comes with a breach list
// (PasswordReport::shownGroups).
inline constexpr std::array<ReportGroup, 4> kReportGroups = {
    ReportGroup::Weak, ReportGroup::Reused, ReportGroup::Expired, ReportGroup::EmptyPassword};
inline constexpr std::size_t kReportGroupCount = 5;

// "Слабые", "Повторяющиеся", "Истёкшие", "Пустой пароль",
// "Скомпрометированные" (UTF-8).
std::string_view ReportGroupTitle(ReportGroup group);
// "weak", "reused", "expired", "empty", "breached": the group's name for
// scripts.
std::string_view ReportGroupKey(ReportGroup group);

// Kept small: a report over a huge file can have a line for every record.
struct ReportLine {
    std::uint32_t row = 0; // the record's place in the list
    // Reused: the number of the set of equal passwords (1, 2, ... in list
    // order of their first record) and its size. Expired: the end date.
    // Weak: the estimate in bits. Breached: the times the breach list saw
    // the password (at most 2^32 - 1).
    std::uint32_t reuseSet = 0;
    std::uint32_t reuseCount = 0;
    std::chrono::year_month_day endDate;
    double bits = 0;
    std::uint32_t timesSeen = 0;

    Strength strength() const { return {bits, LevelOfBits(bits)}; }
};

// A deque: it grows without copying what it holds.
using ReportLines = std::deque<ReportLine>;

struct PasswordReport {
    // One list per group, in ReportGroup order. Weak, expired, empty and
    // breached lines follow the list order; reused lines come set by set, so
    // every record sharing a password is listed next to the others.
    std::array<ReportLines, kReportGroupCount> groups;
    // Built with a breach list: the Breached group is part of the report.
    bool breachesChecked = false;

    // kReportGroups, and Breached when the breaches were checked.
    std::vector<ReportGroup> shownGroups() const;

    const ReportLines& lines(ReportGroup group) const {
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
// passwords (with equal name and resource words) are estimated once, or twice
// when the second record is far from the first; the estimates run on all the
// machine's cores. With a cache, estimates found in it are taken from it and
// the new ones are added. With a breach list, every distinct password is
// looked up in it once (BreachListError when the list is damaged).
PasswordReport BuildPasswordReport(const RecordList& records, std::chrono::year_month_day today,
                                   StrengthCache* cache = nullptr,
                                   const BreachList* breaches = nullptr);

// The fields of a record that the report reads (1251 bytes).
struct ReportFields {
    std::string_view name;
    std::string_view password;
    std::string_view resource;
    std::string_view endDate;
};

// A missing field reads as empty text. For Record and RecordView.
template <typename AnyRecord> ReportFields ReportFieldsOf(const AnyRecord& record) {
    const auto field = [&record](std::size_t index) {
        return index < record.fields.size() ? std::string_view(record.fields[index])
                                            : std::string_view();
    };
    return {field(kFieldName), field(kFieldPassword), field(kFieldResource), field(kFieldEndDate)};
}

// BuildPasswordReport fed one record at a time, for lists too large to hold:
// it keeps no record and no password beyond a batch of estimates, only a
// keyed hash of every distinct password and a few bytes per record.
class PasswordReportBuilder {
public:
    explicit PasswordReportBuilder(std::chrono::year_month_day today,
                                   StrengthCache* cache = nullptr,
                                   const BreachList* breaches = nullptr);
    ~PasswordReportBuilder();
    PasswordReportBuilder(const PasswordReportBuilder&) = delete;
    PasswordReportBuilder& operator=(const PasswordReportBuilder&) = delete;

    // The next record of the list. Throws vantrel::Error past 2^32 - 2 records.
    void add(const ReportFields& record);
    std::size_t recordCount() const;
    // The report over the records added so far; the builder is spent.
    PasswordReport finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Why the line is in its group, for the user (UTF-8): "Очень слабый, 2 бит",
// "Один пароль у записей: 3 (набор 1)", "Срок истёк 07.12.2026",
// "Встречается в утечках: 12 раз".
std::string ReportReason(ReportGroup group, const ReportLine& line);

// The password of a record, the empty text when the record has no such field.
const std::string& RecordPassword(const Record& record);

} // namespace vantrel
