#include "health/password_report.h"

#include "base/cp1251.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vantrel {
namespace {

using namespace std::chrono;

constexpr year_month_day kToday{year(2026), December, day(8)};

Record rec(std::string number, std::string password, std::string endDate = "  .  .  ") {
    return {std::move(number),
            {"name", std::move(password), "site", "  .  .  ", std::move(endDate), " "}};
}

std::vector<std::size_t> Rows(const PasswordReport& report, ReportGroup group) {
    std::vector<std::size_t> rows;
    for (const ReportLine& line : report.lines(group)) {
        rows.push_back(line.row);
    }
    return rows;
}

using Rows_ = std::vector<std::size_t>;

TEST(PasswordReportTest, GroupsRecordsByTheirFaults) {
    const std::string strong = "hJ7(kL2=pQ9@";
    const RecordList records = {
        rec("1", strong),                          // reused with 3
        rec("2", "abc"),                           // weak
        rec("3", strong, "07.12.26"),              // reused, expired yesterday
        rec("4", "abc "),                          // weak; never the same as "abc"
        rec("5", "", "08.12.26"),                  // empty; ends today, not expired
        rec("6", "Xq7#mK2&zP9w", "01.01.20"),      // expired
        rec("7", "abc"),                           // weak, reused with 2
        {"8", {}},                                 // no fields: no password
        rec("9", Utf8ToCp1251("пароль") + "\x98"), // a byte without a character
    };
    const PasswordReport report = BuildPasswordReport(records, kToday);
    EXPECT_EQ(Rows(report, ReportGroup::Weak), (Rows_{1, 3, 6}));
    // Sets in the order of their first record, each listed together.
    EXPECT_EQ(Rows(report, ReportGroup::Reused), (Rows_{0, 2, 1, 6}));
    EXPECT_EQ(Rows(report, ReportGroup::Expired), (Rows_{2, 5}));
    EXPECT_EQ(Rows(report, ReportGroup::EmptyPassword), (Rows_{4, 7}));
    EXPECT_FALSE(report.empty());
    EXPECT_EQ(report.flaggedRecords(records.size()), 8u) << "all but the ninth, each once";

    const ReportLine& reused = report.lines(ReportGroup::Reused)[2];
    EXPECT_EQ(ReportReason(ReportGroup::Reused, reused), "Один пароль у записей: 2 (набор 2)");
    EXPECT_EQ(ReportReason(ReportGroup::Expired, report.lines(ReportGroup::Expired)[0]),
              "Срок истёк 07.12.2026");
    const ReportLine& weak = report.lines(ReportGroup::Weak)[0];
    EXPECT_EQ(weak.strength().level, StrengthLevel::VeryWeak);
    EXPECT_EQ(ReportReason(ReportGroup::Weak, weak),
              "Очень слабый, " + std::to_string(int(weak.bits)) + " бит");
}

TEST(PasswordReportTest, CachedEstimatesGiveTheSameReport) {
    RecordList records = {rec("1", "qwerty"), rec("2", "hJ7(kL2=pQ9@"), rec("3", "qwerty")};
    StrengthCache cache;
    BuildPasswordReport(records, kToday, &cache);
    EXPECT_EQ(cache.size(), 2u);
    // A changed password is estimated anew, not taken from the cache.
    records[1].fields[kFieldPassword] = "abc";
    const PasswordReport report = BuildPasswordReport(records, kToday, &cache);
    EXPECT_EQ(Rows(report, ReportGroup::Weak), (Rows_{0, 1, 2}));
    EXPECT_EQ(cache.size(), 3u);
}

TEST(PasswordReportTest, ANameInThePasswordMakesItWeak) {
    RecordList records = {rec("1", "Brzeszczot1"), rec("2", "Brzeszczot1")};
    records[0].fields[kFieldResource] = "brzeszczot.pl";
    const PasswordReport report = BuildPasswordReport(records, kToday);
    EXPECT_EQ(Rows(report, ReportGroup::Weak), (Rows_{0}));
}

// Thousands of passwords over several batches of estimates: every set is found,
// and the estimate kept for a reused password is never taken for a record
// whose resource can match in it.
TEST(PasswordReportTest, ManyPasswordsOverSeveralBatches) {
    constexpr std::size_t kDistinct = 5000;
    RecordList records = {rec("a", "Brzeszczot1"), rec("b", "Brzeszczot1")};
    for (std::size_t i = 0; i < 2 * kDistinct; ++i) {
        records.push_back(rec("n", "Vx" + std::to_string(i % kDistinct) + "$q"));
    }
    const std::size_t named = records.size();
    records.push_back(rec("c", "Brzeszczot1"));
    records.back().fields[kFieldResource] = "brzeszczot.pl";
    records.push_back(rec("d", "Brzeszczot1"));

    const PasswordReport report = BuildPasswordReport(records, kToday);
    const Rows_ weak = Rows(report, ReportGroup::Weak);
    for (const std::size_t row : {std::size_t{0}, std::size_t{1}, named + 1}) {
        EXPECT_EQ(std::count(weak.begin(), weak.end(), row), 0) << row;
    }
    EXPECT_EQ(std::count(weak.begin(), weak.end(), named), 1);

    const ReportLines& reused = report.lines(ReportGroup::Reused);
    ASSERT_EQ(reused.size(), 4 + 2 * kDistinct);
    EXPECT_EQ(Rows(report, ReportGroup::Reused).at(2), named);
    EXPECT_EQ(reused[3].reuseCount, 4u);
    for (std::size_t i = 0; i < kDistinct; ++i) {
        const ReportLine& first = reused[4 + 2 * i];
        const ReportLine& second = reused[5 + 2 * i];
        ASSERT_EQ(first.row, 2 + i);
        ASSERT_EQ(second.row, 2 + kDistinct + i);
        ASSERT_EQ(second.reuseSet, i + 2);
        ASSERT_EQ(second.reuseCount, 2u);
    }
}

TEST(PasswordReportTest, EmptyListAndManyEqualPasswords) {
    EXPECT_TRUE(BuildPasswordReport({}, kToday).empty());

    const RecordList same(100000, rec("1", "Xq7#mK2&zP9w"));
    const PasswordReport report = BuildPasswordReport(same, kToday);
    ASSERT_EQ(report.lines(ReportGroup::Reused).size(), same.size());
    EXPECT_EQ(report.lines(ReportGroup::Reused).back().reuseCount, same.size());
    EXPECT_EQ(report.lines(ReportGroup::Reused).back().reuseSet, 1u);
    EXPECT_TRUE(report.lines(ReportGroup::Weak).empty());
}

} // namespace
} // namespace vantrel
