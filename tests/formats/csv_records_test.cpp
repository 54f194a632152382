#include "formats/csv_records.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "formats/csv_text.h"
#include "formats/date_forms.h"
#include "support/sanitizer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace vantrel {
namespace {

using std::chrono::day;
using std::chrono::month;
using std::chrono::year;
using std::chrono::year_month_day;

constexpr int kYear = 2026;

std::string cp(std::string_view utf8) {
    return Utf8ToCp1251(utf8);
}

Record rec(std::string number, std::string_view name, std::string_view password,
           std::string_view resource, std::string start, std::string end, std::string_view note) {
    return {std::move(number),
            {cp(name), cp(password), cp(resource), std::move(start), std::move(end), cp(note)}};
}

CsvImport import(std::string_view text, const RecordList& existing = {}, bool replace = false) {
    return ImportCsvRecords(text, existing, {replace, kYear});
}

std::string errorOf(std::string_view text) {
    try {
        import(text);
    } catch (const Error& e) {
        return e.what();
    }
    return "no error";
}

// ---- dates ----

TEST(ReadCsvDate, ReadsEveryForm) {
    const struct {
        std::string_view text;
        std::optional<year_month_day> date;
    } cases[] = {
        {"2026-12-07", year(2026) / 12 / 7},
        {"2024-02-29T10:15:00Z", year(2024) / 2 / 29},
        {"2024-02-29 10:15", year(2024) / 2 / 29},
        {"1765065600", year(2025) / 12 / 7},
        {"1765065600000", year(2025) / 12 / 7},
        {"0", year(1970) / 1 / 1},
        {"07.12.2026", year(2026) / 12 / 7},
        {"7.12.2026", year(2026) / 12 / 7},
        {" 7.12.26", year(2026) / 12 / 7},
        {"01.01.66", year(1966) / 1 / 1},
        {"01.01.65", year(2065) / 1 / 1},
        {"", std::nullopt},
        {"  .  .  ", std::nullopt},
        {"2023-02-29", std::nullopt},
        {"31.04.2026", std::nullopt},
        {"2026-13-01", std::nullopt},
        {"07.12.202", std::nullopt},
        {"7/12/2026", std::nullopt},
        {"2026-12-07X", std::nullopt},
        {"soon", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadCsvDate(c.text, kYear), c.date) << c.text;
    }
}

TEST(CsvDateTexts, WriteEachForm) {
    const year_month_day date = year(2026) / 3 / 7;
    EXPECT_EQ(RecordDateText(date), "07.03.26");
    EXPECT_EQ(FullDateText(date), "07.03.2026");
    EXPECT_EQ(IsoDateText(date), "2026-03-07T00:00:00Z");
}

// ---- layouts ----

TEST(RecogniseCsvLayout, KnowsEachHeaderRowCaseAndBlanksIgnored) {
    const struct {
        std::string header;
        CsvLayout layout;
    } cases[] = {
        {"number,name,password,resource,start,end,note", CsvLayout::Vantrel},
        {"\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\","
         "\"Last Modified\",\"Created\"",
         CsvLayout::KeePassXc},
        {"folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,"
         "login_password,login_totp",
         CsvLayout::Bitwarden},
        {"name,url,username,password,note", CsvLayout::Chrome},
        {"url,username,password,httpRealm,formActionOrigin,guid,timeCreated,timeLastUsed,"
         "timePasswordChanged",
         CsvLayout::Firefox},
        {" NAME , Url,USERNAME,password ,Note", CsvLayout::Chrome},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RecogniseCsvLayout(ReadCsv(c.header).front().fields), c.layout) << c.header;
    }
}

TEST(RecogniseCsvLayout, UnknownHeaderNamesTheExpectedOnes) {
    try {
        RecogniseCsvLayout({"login", "secret"});
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find("name,url,username,password,note"), std::string::npos) << text;
        EXPECT_NE(text.find("number,name,password,resource,start,end,note"), std::string::npos);
        EXPECT_NE(text.find("firefox"), std::string::npos);
    }
}

TEST(CsvLayoutName, NamesReadBack) {
    for (CsvLayout layout : {CsvLayout::Vantrel, CsvLayout::KeePassXc, CsvLayout::Bitwarden,
                             CsvLayout::Chrome, CsvLayout::Firefox}) {
        EXPECT_EQ(CsvLayoutFromName(CsvLayoutName(layout)), layout);
    }
    EXPECT_EQ(CsvLayoutFromName("KeePassXC"), CsvLayout::KeePassXc);
    EXPECT_FALSE(CsvLayoutFromName("opera").has_value());
}

// ---- import of each layout ----

struct SampleCase {
    const char* what;
    std::string text;
    CsvLayout layout;
    RecordList records;
};

TEST(ImportCsvRecords, ReadsASampleOfEachLayout) {
    const RecordList existing = {{"4", {}}, {"x", {}}};
    const SampleCase cases[] = {
        {"vantrel keeps its numbers",
         "number,name,password,resource,start,end,note\r\n"
         "\"17\",\"Иван\",\"пароль,1\",\"mail.ru\",\"07.12.2026\",\"31.12.27\","
         "\"строка\nвторая\"\r\n",
         CsvLayout::Vantrel,
         {rec("17", "Иван", "пароль,1", "mail.ru", "07.12.26", "31.12.27", "строка ¶ вторая")}},
        {"keepassxc",
         "\xEF\xBB\xBF\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\","
         "\"Icon\",\"Last Modified\",\"Created\"\n"
         "\"Root\",\"Почта\",\"иван\",\"p\"\"w\",\"https://mail.example.com/in\","
         "\"Заметка, с запятой\nОкончание: "
         "01.02.2027\",\"otpauth://x\",\"0\",\"2026-01-01T00:00:00Z\","
         "\"2025-11-05T08:00:00Z\"\n",
         CsvLayout::KeePassXc,
         {rec("5", "иван", "p\"w", "https://mail.example.com/in", "05.11.25", "01.02.27",
              "Заметка, с запятой ¶ TOTP: otpauth://x ¶ Title: Почта")}},
        {"bitwarden, title standing for a missing URL",
         "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,"
         "login_password,login_totp\n"
         ",,login,Банк,,,0,,клиент,\"a,b\",\n"
         ",1,login,Site,\"Окончание: 3.4.2030\",,0,site.org,u,p,\n",
         CsvLayout::Bitwarden,
         {rec("5", "клиент", "a,b", "Банк", "", "", " "),
          rec("6", "u", "p", "site.org", "", "03.04.30", "name: Site")}},
        {"chrome",
         "name,url,username,password,note\r\n"
         "example.com,https://example.com/,Пётр,\"x\r\ny\",\"раз\r\nдва\"\r\n",
         CsvLayout::Chrome,
         {rec("5", "Пётр", "x ¶ y", "https://example.com/", "", "", "раз ¶ два")}},
        {"firefox, columns in another order",
         "guid,url,username,password,httpRealm,formActionOrigin,timeCreated,timeLastUsed,"
         "timePasswordChanged\n"
         "{1},https://ya.ru,Анна,\"с,кв\",,https://ya.ru,1765065600000,1,1\n",
         CsvLayout::Firefox,
         {rec("5", "Анна", "с,кв", "https://ya.ru", "07.12.25", "", " ")}},
    };
    for (const SampleCase& c : cases) {
        const CsvImport result = import(c.text, existing);
        EXPECT_EQ(result.layout, c.layout) << c.what;
        EXPECT_EQ(result.records, c.records) << c.what;
        EXPECT_TRUE(result.unstorable.empty()) << c.what;
    }
}

TEST(ImportCsvRecords, TextThatIsNotUtf8IsReadAs1251) {
    const std::string text = "name,url,username,password,note\n" + cp("site,site,Иван,пароль,") +
                             "\"" + cp("Окончание: 05.06.2027") + "\"\n";
    EXPECT_EQ(import(text).records,
              (RecordList{rec("1", "Иван", "пароль", "site", "", "05.06.27", " ")}));
}

TEST(ImportCsvRecords, ByteWithoutCharacterIn1251IsUnstorable) {
    const std::string text = "name,url,username,password,note\nsite,site,u,p\x98,\n";
    EXPECT_EQ(import(text).unstorable, (std::vector<CsvUnstorable>{{2, "password"}}));
    EXPECT_EQ(import(text, {}, true).records,
              (RecordList{rec("1", "u", "p?", "site", "", "", " ")}));
}

TEST(ImportCsvRecords, BlanksAroundFieldsGoAsTheRecordFileDropsThem) {
    EXPECT_EQ(import("name,url,username,password,note\n u , u ,\" n\t\",p ,\"\n\"\n").records,
              (RecordList{rec("1", "n", "p", "u", "", "", " ")}));
}

// ---- characters the record file cannot hold ----

TEST(ImportCsvRecords, UnstorableCharactersRefuseTheImport) {
    const std::string text = "name,url,username,password,note\n"
                             "site,site,ok,пароль,fine\n"
                             "site,site,user,pass😀,\"note ✓\"\n"
                             "site,site,\"ctl\x01\",p,\n";
    const CsvImport refused = import(text);
    EXPECT_TRUE(refused.records.empty()) << "nothing to store when refused";
    const std::vector<CsvUnstorable> expected = {{3, "password"}, {3, "note"}, {4, "username"}};
    EXPECT_EQ(refused.unstorable, expected);

    const CsvImport replaced = import(text, {}, true);
    EXPECT_EQ(replaced.unstorable, expected);
    EXPECT_EQ(replaced.records, (RecordList{rec("1", "ok", "пароль", "site", "", "", "fine"),
                                            rec("2", "user", "pass?", "site", "", "", "note ?"),
                                            rec("3", "ctl?", "p", "site", "", "", " ")}));
}

// ---- a large export ----

// The resident memory's peak since the call, as the kernel counts it.
class PeakMemory {
public:
    PeakMemory() {
        std::ofstream("/proc/self/clear_refs") << "5"; // resets the peak to the present size
        start_ = read("VmHWM:");
    }
    std::size_t growth() const { return read("VmHWM:") - start_; }

private:
    static std::size_t read(const std::string& key) {
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);) {
            if (line.starts_with(key)) {
                return std::stoull(line.substr(key.size())) * 1024;
            }
        }
        return 0;
    }
    std::size_t start_ = 0;
};

// An export of 100 000 rows as another keeper writes it: the import needs
// little more than the text and the records it makes, about three times the
// text in all.
TEST(ImportCsvRecords, LargeExportNeedsAboutThreeTimesItsSize) {
#if VANTREL_ADDRESS_SANITIZER
    GTEST_SKIP() << "the sanitizer's allocator keeps freed memory";
#endif
    std::string text = "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\","
                       "\"Icon\",\"Last Modified\",\"Created\"\r\n";
    for (int i = 0; i < 100000; ++i) {
        const std::string n = std::to_string(100000 + i);
        text += "\"Root\",\"Example site " + n + "\",\"someone" + n + "@example.com\",\"Xq7#" + n +
                "kLm9pQ2r\",\"https://www." + n +
                ".example.com/account/login\",\"Рабочая учётная "
                "запись, пароль сменить до конца года\",\"\",\"0\",\"2026-01-01T00:00:00Z\","
                "\"2025-05-06T10:00:00Z\"\r\n";
    }
    const PeakMemory peak;
    const CsvImport imported = import(text);
    ASSERT_EQ(imported.records.size(), 100000u);
    const double times =
        1.0 + static_cast<double>(peak.growth()) / static_cast<double>(text.size());
    RecordProperty("memory_per_input_byte", std::to_string(times));
    EXPECT_LT(times, 3.3) << text.size() << " bytes of text, " << peak.growth()
                          << " bytes more at the peak";
}

// ---- bad input ----

TEST(ImportCsvRecords, BadInputIsNamed) {
    const struct {
        std::string text;
        std::string part;
    } cases[] = {
        {"", "нет строки заголовков"},
        {"a,b\n1,2\n", "Ожидается одна из строк"},
        {"name,url,username,password,note\n\"x,y\n", "закрывающей кавычки"},
        {"number,name,password,resource,start,end,note\n1,a,b,c,someday,,\n",
         "строка 2, столбец \"start\": \"someday\" не является датой"},
        {"\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\","
         "\"Last Modified\",\"Created\"\nx\ny,,,,,,,,,2026-02-30\n",
         "строка 3, столбец \"Created\""},
    };
    for (const auto& c : cases) {
        const std::string error = errorOf(c.text);
        EXPECT_NE(error.find(c.part), std::string::npos) << error << " for " << c.text;
    }
}

// ---- export ----

const RecordList kRecords = {
    rec("3", "Иван", "пароль,\"1\"", "mail.example.com", "07.12.26", "31.12.27", "строка ¶ вторая"),
    rec("8", "user", "p", "https://bank.ru/login", "", "", " "),
    rec("9", "anna", "q", "", " 1.02.26", "", "no date end"),
};

TEST(ExportCsvRecords, WritesEachLayout) {
    const struct {
        CsvLayout layout;
        std::string firstRows;
    } cases[] = {
        {CsvLayout::Vantrel,
         "\"number\",\"name\",\"password\",\"resource\",\"start\",\"end\",\"note\"\r\n"
         "\"3\",\"Иван\",\"пароль,\"\"1\"\"\",\"mail.example.com\",\"07.12.26\",\"31.12.27\","
         "\"строка\nвторая\"\r\n"},
        {CsvLayout::KeePassXc,
         "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\","
         "\"Last Modified\",\"Created\"\r\n"
         "\"\",\"mail.example.com\",\"Иван\",\"пароль,\"\"1\"\"\",\"mail.example.com\","
         "\"строка\nвторая\nОкончание: 31.12.2027\",\"\",\"\",\"\",\"2026-12-07T00:00:00Z\"\r\n"},
        {CsvLayout::Bitwarden,
         "\"folder\",\"favorite\",\"type\",\"name\",\"notes\",\"fields\",\"reprompt\","
         "\"login_uri\",\"login_username\",\"login_password\",\"login_totp\"\r\n"
         "\"\",\"\",\"login\",\"mail.example.com\",\"строка\nвторая\nОкончание: 31.12.2027\","
         "\"\",\"\",\"mail.example.com\",\"Иван\",\"пароль,\"\"1\"\"\",\"\"\r\n"},
        {CsvLayout::Chrome,
         "\"name\",\"url\",\"username\",\"password\",\"note\"\r\n"
         "\"mail.example.com\",\"https://mail.example.com\",\"Иван\",\"пароль,\"\"1\"\"\","
         "\"строка\nвторая\nОкончание: 31.12.2027\"\r\n"
         "\"bank.ru\",\"https://bank.ru/login\",\"user\",\"p\",\"\"\r\n"},
    };
    for (const auto& c : cases) {
        const std::string text = CsvRecordsText(kRecords, c.layout, kYear);
        EXPECT_TRUE(text.starts_with(c.firstRows)) << CsvLayoutName(c.layout) << "\n" << text;
    }
}

TEST(ExportCsvRecords, FirefoxIsReadOnly) {
    EXPECT_FALSE(CanWriteCsvLayout(CsvLayout::Firefox));
    EXPECT_THROW(CsvRecordsText(kRecords, CsvLayout::Firefox, kYear), Error);
}

TEST(ExportCsvRecords, TitleIsTheHost) {
    const struct {
        std::string_view resource;
        std::string_view title;
    } cases[] = {
        {"https://user@mail.example.com:8443/in?x#y", "mail.example.com:8443"},
        {"ftp://files.example.org", "files.example.org"},
        {"example.com/path", "example.com"},
        {"Банк", "Банк"},
        {"", ""},
    };
    for (const auto& c : cases) {
        const std::string text =
            CsvRecordsText({rec("1", "n", "p", c.resource, "", "", " ")}, CsvLayout::Chrome, kYear);
        EXPECT_EQ(ReadCsv(text).at(1).fields.at(0), c.title) << c.resource;
    }
}

// What a layout cannot hold changes on the way: numbers are given anew and
// the start date is lost where there is no column for it.
TEST(ExportCsvRecords, EachWritableLayoutReadsBack) {
    const RecordList existing = {{"2", {}}};
    const struct {
        CsvLayout layout;
        bool keepsNumbers;
        bool keepsStart;
    } cases[] = {
        {CsvLayout::Vantrel, true, true},
        {CsvLayout::KeePassXc, false, true},
        {CsvLayout::Bitwarden, false, false},
        {CsvLayout::Chrome, false, false},
    };
    for (const auto& c : cases) {
        RecordList expected = kRecords;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            if (!c.keepsNumbers) {
                expected[i].number = std::to_string(3 + i);
            }
            if (!c.keepsStart) {
                expected[i].fields[kFieldStartDate].clear();
            } else if (c.layout != CsvLayout::Vantrel && !expected[i].fields[3].empty()) {
                expected[i].fields[kFieldStartDate] = "01.02.26"; // normalised
            }
            if (c.layout == CsvLayout::Chrome && i == 0) {
                expected[i].fields[kFieldResource] = "https://mail.example.com";
            }
        }
        expected[0].fields[kFieldStartDate] = c.keepsStart ? "07.12.26" : "";
        if (c.layout == CsvLayout::Vantrel) {
            expected[2].fields[kFieldStartDate] = "01.02.26";
        }
        const CsvImport back = import(CsvRecordsText(kRecords, c.layout, kYear), existing);
        EXPECT_EQ(back.layout, c.layout);
        EXPECT_EQ(back.records, expected) << CsvLayoutName(c.layout);
    }
}

} // namespace
} // namespace vantrel
