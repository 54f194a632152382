#include "formats/csv_text.h"

#include "base/error.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantrel {
namespace {

using Rows = std::vector<std::vector<std::string>>;

Rows fieldsOf(const std::vector<CsvRow>& rows) {
    Rows fields;
    for (const CsvRow& row : rows) {
        fields.push_back(row.fields);
    }
    return fields;
}

struct ReadCase {
    const char* what;
    std::string text;
    Rows rows;
};

TEST(ReadCsv, SplitsRowsAndFields) {
    const ReadCase cases[] = {
        {"empty text", "", {}},
        {"plain fields", "a,b,c\r\n", {{"a", "b", "c"}}},
        {"LF row ends", "a,b\nc,d\n", {{"a", "b"}, {"c", "d"}}},
        {"CR LF row ends", "a,b\r\nc,d\r\n", {{"a", "b"}, {"c", "d"}}},
        {"last row without line end", "a,b\r\nc,d", {{"a", "b"}, {"c", "d"}}},
        {"empty fields", ",a,,\n", {{"", "a", "", ""}}},
        {"quoted comma", "\"a,b\",c\n", {{"a,b", "c"}}},
        {"doubled quote", "\"say \"\"hi\"\"\",x\n", {{"say \"hi\"", "x"}}},
        {"LF inside quotes", "\"one\ntwo\",x\n", {{"one\ntwo", "x"}}},
        {"CR LF inside quotes", "\"one\r\ntwo\"\r\n", {{"one\r\ntwo"}}},
        {"quoted empty field", "\"\",\"\"\n", {{"", ""}}},
        {"byte-order mark",
         "\xEF\xBB\xBF"
         "a,b\n",
         {{"a", "b"}}},
        {"blank lines skipped", "a\n\n\r\nb\n", {{"a"}, {"b"}}},
        {"a lone quoted empty row kept", "\"\"\n", {{""}}},
        {"quote inside unquoted field", "ab\"c,d\n", {{"ab\"c", "d"}}},
        {"text after closing quote", "\"ab\"c,d\n", {{"abc", "d"}}},
        {"high bytes pass through", "\xD0\x9F\xE0,\xFF\n", {{"\xD0\x9F\xE0", "\xFF"}}},
    };
    for (const ReadCase& c : cases) {
        EXPECT_EQ(fieldsOf(ReadCsv(c.text)), c.rows) << c.what;
    }
}

TEST(ReadCsv, RowsKnowTheirLines) {
    const std::vector<CsvRow> rows = ReadCsv("h\n\"a\nb\"\n\nc\n");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].line, 1u);
    EXPECT_EQ(rows[1].line, 2u);
    EXPECT_EQ(rows[2].line, 5u);
}

TEST(ReadCsv, UnterminatedQuoteNamesItsLine) {
    const struct {
        std::string text;
        std::string line;
    } cases[] = {{"\"abc", "строка 1"}, {"a,b\nc,\"d\ne\n", "строка 2"}, {"x\n\"", "строка 2"}};
    for (const auto& c : cases) {
        try {
            ReadCsv(c.text);
            ADD_FAILURE() << "no error for " << c.text;
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.line), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("закрывающей кавычки"), std::string::npos);
        }
    }
}

TEST(CsvRowText, QuotesEveryFieldAndEndsWithCrLf) {
    const struct {
        std::vector<std::string> fields;
        std::string text;
    } cases[] = {
        {{}, "\r\n"},
        {{""}, "\"\"\r\n"},
        {{"a", "b"}, "\"a\",\"b\"\r\n"},
        {{"a,b", "say \"hi\""}, "\"a,b\",\"say \"\"hi\"\"\"\r\n"},
        {{"one\ntwo"}, "\"one\ntwo\"\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CsvRowText(c.fields), c.text);
    }
}

TEST(CsvRowText, ReadsBackAsWritten) {
    const Rows rows = {{"", "a,b", "\"", "x\r\ny"}, {"\xC0\xC1", " lead", "trail "}};
    std::string text;
    for (const auto& row : rows) {
        WriteCsvRow([&text](std::string_view piece) { text += piece; }, row);
    }
    EXPECT_EQ(fieldsOf(ReadCsv(text)), rows);
}

} // namespace
} // namespace vantrel
