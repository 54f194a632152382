#include "health/breach_list.h"

#include "base/cp1251.h"
#include "health/password_report.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

using test::TempFolder;
using test::WriteBytes;

// SHA-1 of the UTF-8 form, as the downloadable lists hold it.
constexpr const char* kPasswordHash = "5BAA61E4C9B93F3F0682250B6CF8331B7EE68FD8"; // "password"
constexpr const char* kCyrillicHash = "5670B4358AE287FE8E74C2FF6F6293F905409077"; // "пароль"

std::string Line(std::string hash, std::string count, const char* end = "\r\n") {
    return hash + ":" + count + end;
}

class BreachListTest : public ::testing::Test {
protected:
    std::uint64_t Seen(const std::string& bytes, const std::string& hash) {
        WriteBytes(folder_.path() / "list.txt", bytes);
        return BreachList(folder_.path() / "list.txt").timesSeenHash(hash);
    }
    BreachListError::Problem Problem(const std::string& bytes, const std::string& hash) {
        try {
            Seen(bytes, hash);
        } catch (const BreachListError& error) {
            return error.problem();
        }
        ADD_FAILURE() << "no error for " << hash;
        return BreachListError::Problem::CannotOpen;
    }

    TempFolder folder_;
};

TEST_F(BreachListTest, HashIsSha1OfTheUtf8Form) {
    EXPECT_EQ(BreachHashOfPassword("password"), kPasswordHash);
    EXPECT_EQ(BreachHashOfPassword(Utf8ToCp1251("пароль")), kCyrillicHash);
}

TEST_F(BreachListTest, BinarySearchFindsEveryLineAndNothingElse) {
    // Hashes 01.., 03.., ..., 3F.. (odd first bytes) with their place as count.
    std::vector<std::string> hashes;
    std::string list;
    for (int i = 1; i < 64; i += 2) {
        char first[3];
        std::snprintf(first, sizeof first, "%02X", i);
        hashes.push_back(first + std::string(38, 'A'));
        // Mixed line ends, the last line without one.
        list += Line(hashes.back(), std::to_string(i * 1000),
                     i == 63 ? "" : (i % 3 == 0 ? "\n" : "\r\n"));
    }
    for (std::size_t i = 0; i < hashes.size(); ++i) {
        EXPECT_EQ(Seen(list, hashes[i]), (2 * i + 1) * 1000) << "line " << i;
    }
    EXPECT_EQ(Seen(list, "00" + std::string(38, 'F')), 0u) << "before the first";
    EXPECT_EQ(Seen(list, "02" + std::string(38, '0')), 0u) << "between lines";
    EXPECT_EQ(Seen(list, "1A" + std::string(38, 'A')), 0u) << "between lines";
    EXPECT_EQ(Seen(list, "FF" + std::string(38, 'F')), 0u) << "after the last";
    EXPECT_EQ(Seen(Line(kPasswordHash, "9"), kPasswordHash), 9u) << "a single line";

    WriteBytes(folder_.path() / "list.txt", Line(kCyrillicHash, "3") + Line(kPasswordHash, "7"));
    const BreachList breaches(folder_.path() / "list.txt");
    EXPECT_EQ(breaches.timesSeen(Utf8ToCp1251("пароль")), 3u);
    EXPECT_EQ(breaches.timesSeen("Password"), 0u);
}

TEST_F(BreachListTest, DamagedListsGiveErrorsNotAnswers) {
    using P = BreachListError::Problem;
    const std::string a = "1" + std::string(39, '0');
    const std::string b = "5" + std::string(39, '0');
    const std::string c = "9" + std::string(39, '0');
    const std::string sorted = Line(a, "1") + Line(b, "2") + Line(c, "3");
    // Lines out of order that the search meets (it cannot see the others).
    const std::string f = "F" + std::string(39, '0');
    EXPECT_EQ(Problem(Line(a, "1") + Line(f, "1") + Line(b, "1") + Line(c, "1") + Line(f, "2"),
                      "3" + a.substr(1)),
              P::Unsorted);
    EXPECT_EQ(Problem(Line(c, "1") + Line(b, "2") + Line(a, "3"), a), P::Unsorted);
    EXPECT_EQ(Problem(Line(a, "1") + Line(b, "1") + Line(b, "1"), "F" + a.substr(1)), P::Unsorted)
        << "a hash twice";
    EXPECT_EQ(Problem(Line(a, "1") + Line("5" + std::string(39, 'a'), "2") + Line(c, "3"), c),
              P::Malformed)
        << "lower-case hex";
    EXPECT_EQ(Problem(Line(a, "1") + Line(b.substr(1), "2") + Line(c, "3"), b), P::Malformed);
    EXPECT_EQ(Problem(Line(a, "1") + Line(b, "") + Line(c, "3"), b), P::Malformed);
    EXPECT_EQ(Problem(Line(a, "1") + Line(b, "2x") + Line(c, "3"), b), P::Malformed);
    EXPECT_EQ(Problem(Line(a, "99999999999999999999") + Line(b, "1"), a), P::Malformed);
    EXPECT_EQ(Problem(Line(a, "1") + "\r\n" + Line(c, "3"), b), P::Malformed) << "empty line";
    EXPECT_EQ(Problem(std::string(100000, 'x'), a), P::Malformed) << "no line ends";
    EXPECT_EQ(Problem("", a), P::Empty);
    EXPECT_EQ(Seen(sorted, b), 2u);

    try {
        BreachList(folder_.path() / "missing.txt");
        ADD_FAILURE();
    } catch (const BreachListError& error) {
        EXPECT_EQ(error.problem(), P::CannotOpen);
        EXPECT_NE(std::string(error.what()).find("missing.txt"), std::string::npos);
        EXPECT_NE(error.russianText().find("Не удаётся открыть список утечек"), std::string::npos);
    }
}

TEST_F(BreachListTest, ReportGroupsTheBreachedPasswordsWithTheirCounts) {
    WriteBytes(folder_.path() / "list.txt", Line(kCyrillicHash, "3") + Line(kPasswordHash, "22"));
    const BreachList breaches(folder_.path() / "list.txt");
    const auto record = [](std::string password) {
        return Record{"1", {"name", std::move(password), "site", "", "", " "}};
    };
    const RecordList records = {record("password"), record("Hv7#qLm2$wZp9!"),
                                record(Utf8ToCp1251("пароль")), record(""), record("password")};
    const auto today = std::chrono::year_month_day{std::chrono::year(2026), std::chrono::December,
                                                   std::chrono::day(8)};
    const PasswordReport report = BuildPasswordReport(records, today, nullptr, &breaches);
    ASSERT_EQ(report.shownGroups().back(), ReportGroup::Breached);
    const ReportLines& lines = report.lines(ReportGroup::Breached);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].row, 0u);
    EXPECT_EQ(lines[1].row, 2u);
    EXPECT_EQ(lines[2].row, 4u);
    EXPECT_EQ(ReportReason(ReportGroup::Breached, lines[0]), "Встречается в утечках: 22 раза");
    EXPECT_EQ(ReportReason(ReportGroup::Breached, lines[1]), "Встречается в утечках: 3 раза");

    const PasswordReport unchecked = BuildPasswordReport(records, today);
    EXPECT_EQ(unchecked.shownGroups().size(), kReportGroups.size());
    EXPECT_TRUE(unchecked.lines(ReportGroup::Breached).empty());
}

} // namespace
} // namespace vantrel
