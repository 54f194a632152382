#include "session/record_search.h"

#include "base/cp1251.h"
#include "formats/settings_file.h"
#include "session/clipboard_settings.h"
#include "session/resource_address.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

Record utf8Record(const char* number, const char* name, const char* password, const char* resource,
                  const char* note) {
    return {Utf8ToCp1251(number),
            {Utf8ToCp1251(name), Utf8ToCp1251(password), Utf8ToCp1251(resource), "01.01.26",
             "31.12.26", Utf8ToCp1251(note)}};
}

TEST(RecordSearch, CaseOfLatinAndCyrillicIsIgnoredAndPasswordsAreNotSearched) {
    const Record record =
        utf8Record("А-17", "Ёжик Petrov", "ТайныйПароль", "почта.рф", "Ключ от ЩИТА");
    struct Case {
        const char* text;
        bool matches;
    };
    const Case cases[] = {
        {"", true},        {"ёЖИК", true},      {"ЁЖИК", true},   {"PETROV", true},
        {"а-1", true},     {"ПОЧТА.РФ", true},  {"щит", true},    {"ключ от щ", true},
        {"ежик", false},   {"тайный", false},   {"31.12", false}, {"Petrova", false},
        {"\u4e00", false}, {"ёж\u4e00", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RecordSearch(c.text).matches(record), c.matches) << c.text;
    }
    EXPECT_TRUE(RecordSearch("").empty());
    EXPECT_FALSE(RecordSearch("\u4e00").empty()) << "a text outside 1251 filters everything out";
    // Records read from a file may lack fields.
    EXPECT_FALSE(RecordSearch("x").matches(Record{"1", {}}));
    EXPECT_TRUE(RecordSearch("ю").matches(Record{"1", {"", "", "", "", "", Utf8ToCp1251("Ю")}}));
}

TEST(ResourceAddress, WebAddressesAndHostNames) {
    struct Case {
        const char* resource;
        const char* address; // nullptr: none
    };
    const Case cases[] = {
        {"https://mail.example.org/inbox", "https://mail.example.org/inbox"},
        {"  example.com  ", "https://example.com"},
        {"www.example.com:8080/login?x=1", "https://www.example.com:8080/login?x=1"},
        {"почта.рф", "https://почта.рф"},
        {"bank-online.co.uk", "https://bank-online.co.uk"},
        {"http://", nullptr},
        {"user@example.com", nullptr},
        {"почта", nullptr},
        {"my bank.com", nullptr},
        {"example.c", nullptr},
        {"192.168.0.1", nullptr},
        {"-bad.com", nullptr},
        {"example.com:80a", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        const auto address = ResourceAddress(Utf8ToCp1251(c.resource));
        if (c.address == nullptr) {
            EXPECT_FALSE(address) << c.resource;
        } else {
            EXPECT_EQ(address.value_or("(none)"), Utf8ToCp1251(c.address)) << c.resource;
        }
    }
}

TEST(ClipboardSeconds, StoredValuesByteExactlyAndBadOnesFallBack) {
    TempFolder dir;
    const auto file = dir / "VTR.ini";
    const std::string others = "[GeneratorSetting]\r\nBigChar=True\r\n[VTRSettings]\r\n"
                               "FlattbMain=False\r\n";
    struct Case {
        const char* stored;
        int seconds;
        bool problem;
    };
    const Case cases[] = {
        {"45", 45, false},         {" 0 ", 0, false}, {"+7", 7, false},  {"86400", 86400, false},
        {"86401", 30, true},       {"-1", 30, true},  {"abc", 30, true}, {"1.5", 30, true},
        {"99999999999", 30, true}, {"", 30, true},
    };
    for (const Case& c : cases) {
        const std::string bytes = others + "clipboardseconds=" + c.stored + "\r\n";
        WriteBytes(file, bytes);
        const ClipboardDelay delay = LoadClipboardSeconds(file);
        EXPECT_EQ(delay.seconds, c.seconds) << c.stored;
        EXPECT_EQ(!delay.problem.empty(), c.problem) << c.stored;
        EXPECT_EQ(ReadBytes(file), bytes) << "the file is left alone";
    }
    // A missing key is written with the default; a stored value keeps its line.
    WriteBytes(file, others);
    EXPECT_EQ(LoadClipboardSeconds(file).seconds, 30);
    EXPECT_EQ(ReadBytes(file), others + "ClipboardSeconds=30\r\n");
    SaveClipboardSeconds(0, file);
    EXPECT_EQ(ReadBytes(file), others + "ClipboardSeconds=0\r\n");
    EXPECT_EQ(LoadClipboardSeconds(file).seconds, 0);

    // An unwritable place still gives the default, without a problem to show.
    const ClipboardDelay fallback = LoadClipboardSeconds(SettingsFilePath(file));
    EXPECT_EQ(fallback.seconds, 30);
    EXPECT_TRUE(fallback.problem.empty());
}

} // namespace
} // namespace vantrel
