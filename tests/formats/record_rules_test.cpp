#include "formats/record_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace vantrel {
namespace {

Record rec(std::string number, std::vector<std::string> fields = {}) {
    return Record{std::move(number), std::move(fields)};
}

std::vector<std::string> numbersOf(const RecordList& records) {
    std::vector<std::string> numbers;
    for (const Record& r : records) {
        numbers.push_back(r.number);
    }
    return numbers;
}

TEST(NextRecordNumber, LargestIntegerPlusOneSkippingOthers) {
    EXPECT_EQ(NextRecordNumber({}), "1");
    EXPECT_EQ(NextRecordNumber({rec("1"), rec("2"), rec("5")}), "6");
    EXPECT_EQ(NextRecordNumber({rec("1"), rec("2"), rec("7")}), "8");
    EXPECT_EQ(NextRecordNumber({rec("a"), rec("3")}), "4");
    EXPECT_EQ(NextRecordNumber({rec("x"), rec(""), rec("2.5")}), "1");
    EXPECT_EQ(NextRecordNumber({rec("-7")}), "1") << "the search starts from 0";
    EXPECT_EQ(NextRecordNumber({rec(" 9"), rec("+4")}), "10");
    EXPECT_EQ(NextRecordNumber({rec("9 "), rec("99999999999"), rec("3")}), "4");
    EXPECT_EQ(NextRecordNumber({rec("2147483647")}), "2147483648");
}

TEST(RecordNumberValue, ReadsOnlyWholeDecimalIntegers) {
    EXPECT_EQ(RecordNumberValue("12"), 12);
    EXPECT_EQ(RecordNumberValue("-3"), -3);
    EXPECT_FALSE(RecordNumberValue("").has_value());
    EXPECT_FALSE(RecordNumberValue("   ").has_value());
    EXPECT_FALSE(RecordNumberValue("+").has_value());
    EXPECT_FALSE(RecordNumberValue("+-1").has_value());
    EXPECT_FALSE(RecordNumberValue("1x").has_value());
    EXPECT_FALSE(RecordNumberValue("2147483648").has_value());
}

TEST(SortRecords, NumbersSortAsText) {
    RecordList records = {rec("2"), rec("10"), rec("1")};
    SortRecords(records, 0);
    EXPECT_EQ(numbersOf(records), (std::vector<std::string>{"1", "10", "2"}));
}

TEST(SortRecords, OrdinalBytesCapitalsThenSmallThenCyrillic) {
    // "Борис" and "анна" in 1251: Cyrillic bytes are above 0x7F.
    RecordList records = {rec("1", {"\xE0\xED\xED\xE0"}), rec("2", {"bob"}),
                          rec("3", {"\xC1\xEE\xF0\xE8\xF1"}), rec("4", {"Zed"}),
                          rec("5", {"Adam"})};
    SortRecords(records, 1);
    EXPECT_EQ(numbersOf(records), (std::vector<std::string>{"5", "4", "2", "3", "1"}));
    RecordList again = records;
    SortRecords(again, 1);
    EXPECT_EQ(again, records) << "ascending again, no toggle";
}

TEST(SortRecords, MissingFieldsCompareAsEmptyAndPrefixesFirst) {
    RecordList records = {rec("1", {"n", "pw", "host"}), rec("2", {"n"}),
                          rec("3", {"n", "pw", "ho"})};
    SortRecords(records, 3);
    EXPECT_EQ(numbersOf(records), (std::vector<std::string>{"2", "3", "1"}));
    SortRecords(records, 6);
    EXPECT_EQ(numbersOf(records), (std::vector<std::string>{"2", "3", "1"})) << "stable";
}

// Texts that meet every step of the chunked comparison: long shared
// beginnings, ends inside and at the edge of a chunk, NUL and high bytes,
// equal texts and missing fields. The order must be stable_sort's by
// RecordLess, equal keys in their old order.
TEST(SortRecords, SameOrderAsAStableByteComparison) {
    const std::string shared = "\xC8\xE2\xE0\xED\xEE\xE2 \xC8\xE2\xE0\xED mail.example.com/";
    const std::string tails[] = {
        "",      "a",       std::string("\0", 1), std::string("a\0", 2), "\xFF",
        "\x80z", "abcdefg", "abcdefgh",           "abcdefgh\x01",        "Z"};
    RecordList records;
    for (int i = 0; i < 400; ++i) {
        const std::string& tail = tails[(i * 7) % std::size(tails)];
        const std::string prefix = shared.substr(0, static_cast<std::size_t>((i * 13) % 41));
        std::vector<std::string> fields = {prefix + tail};
        if (i % 9 == 0) {
            fields.clear(); // a missing field is empty text
        }
        records.push_back(rec(std::to_string(i), std::move(fields)));
    }
    for (int column : {0, 1, 2}) {
        RecordList expected = records;
        std::stable_sort(
            expected.begin(), expected.end(),
            [column](const Record& a, const Record& b) { return RecordLess(a, b, column); });
        RecordList sorted = records;
        SortRecords(sorted, column);
        EXPECT_EQ(numbersOf(sorted), numbersOf(expected)) << "column " << column;
    }
    RecordList none;
    SortRecords(none, 1);
    EXPECT_TRUE(none.empty());
}

TEST(StoredFields, EmptyNoteBecomesOneSpace) {
    EXPECT_EQ(StoredFields("n", "p", "r", "  .  .  ", "  .  .  ", ""),
              (std::vector<std::string>{"n", "p", "r", "  .  .  ", "  .  .  ", " "}));
    EXPECT_EQ(StoredFields("", "", "", "", "", "note").back(), "note");
}

} // namespace
} // namespace vantrel
