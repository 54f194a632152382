#include "formats/record_rules.h"

#include <gtest/gtest.h>

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

TEST(StoredFields, EmptyNoteBecomesOneSpace) {
    EXPECT_EQ(StoredFields("n", "p", "r", "  .  .  ", "  .  .  ", ""),
              (std::vector<std::string>{"n", "p", "r", "  .  .  ", "  .  .  ", " "}));
    EXPECT_EQ(StoredFields("", "", "", "", "", "note").back(), "note");
}

} // namespace
} // namespace vantrel
