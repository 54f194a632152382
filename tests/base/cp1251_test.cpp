#include "base/cp1251.h"
#include "base/error.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(Cp1251, ConvertsEveryByteBothWays) {
    // Every byte but 0x98 (which has no character) survives the way out to
    // UTF-8 and back.
    for (int byte = 0; byte < 256; ++byte) {
        if (byte == 0x98) {
            continue;
        }
        const std::string one(1, static_cast<char>(byte));
        EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(one)), one) << "byte " << byte;
    }
}

TEST(Cp1251, KnownCharactersHaveTheirCodes) {
    EXPECT_EQ(Utf8ToCp1251("АЯаяЁё№€"), "\xC0\xDF\xE0\xFF\xA8\xB8\xB9\x88");
    EXPECT_EQ(Cp1251ToUtf8("\xCF\xE0\xF0\xEE\xEB\xFC"), "Пароль");
    EXPECT_EQ(Utf8ToCp1251("Latin 0-9 \t~"), "Latin 0-9 \t~");
    EXPECT_EQ(Utf8ToCp1251(std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(Utf8ToCp1251(""), "");
}

TEST(Cp1251, ByteWithoutCharacterBecomesReplacementCharacter) {
    EXPECT_EQ(Cp1251ToUtf8("a\x98z"), "a\xEF\xBF\xBDz");
}

TEST(Cp1251, RefusesCharactersTheCodePageCannotHold) {
    // Characters outside the code page, including the tag characters that the
    // system converter would drop without a word, are never replaced.
    for (const char* text : {"ab中", "€ä", "😀", "x\xF3\xA0\x80\x81y", "\xEF\xBF\xBD"}) {
        EXPECT_THROW(Utf8ToCp1251(text), Error) << text;
    }
}

TEST(Cp1251, ErrorNamesTheCharacterAndItsPosition) {
    try {
        Utf8ToCp1251("Пар中ль");
        FAIL() << "no error";
    } catch (const Error& error) {
        const std::string text = error.what();
        EXPECT_EQ(text, "Символ \"中\" (U+4E2D) в позиции 4 нельзя сохранить в кодировке "
                        "Windows-1251");
    }
}

TEST(Cp1251, RefusesInvalidUtf8) {
    const char* invalid[] = {
        "\x80",             // continuation byte without a lead
        "\xC3",             // cut short
        "\xC0\xAF",         // overlong "/"
        "\xE0\x80\xAF",     // overlong, three bytes
        "\xED\xA0\x80",     // surrogate
        "\xF4\x90\x80\x80", // above U+10FFFF
        "\xFF",
        "ab\xD0", // cut short at the end
    };
    for (const char* text : invalid) {
        EXPECT_THROW(Utf8ToCp1251(text), Error) << text;
    }
    try {
        Utf8ToCp1251("аб\x80");
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), "Текст не в кодировке UTF-8: байт 0x80 в позиции 3");
    }
}

TEST(Cp1251, FoldsLatinAndEveryCyrillicCapital) {
    const std::string upper = Utf8ToCp1251("ABCXYZАБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯЁЂЃЄЇІЎЈЉЊЋЌЏҐЅ");
    const std::string lower = Utf8ToCp1251("abcxyzабвгдежзийклмнопрстуфхцчшщъыьэюяёђѓєїіўјљњћќџґѕ");
    EXPECT_EQ(FoldCase1251(upper), lower);
    EXPECT_EQ(FoldCase1251(lower), lower);
    EXPECT_TRUE(EqualsIgnoreCase1251(upper, lower));
}

TEST(Cp1251, FoldingLeavesEverythingElseAlone) {
    // Only the letters with a case partner in the code page fold; every other
    // byte (digits, signs, µ, №, the 0x98 hole) stays as it is.
    const std::string upper =
        Utf8ToCp1251("ABCDEFGHIJKLMNOPQRSTUVWXYZАБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"
                     "ЁЂЃЄЇІЎЈЉЊЋЌЏҐЅ");
    int folded = 0;
    for (int byte = 0; byte < 256; ++byte) {
        const char c = static_cast<char>(byte);
        if (upper.find(c) != std::string::npos) {
            EXPECT_NE(FoldCase1251(c), c) << byte;
            ++folded;
        } else {
            EXPECT_EQ(FoldCase1251(c), c) << byte;
        }
    }
    EXPECT_EQ(folded, 26 + 32 + 15);
}

TEST(Cp1251, CaseInsensitiveComparison) {
    EXPECT_TRUE(EqualsIgnoreCase1251(Utf8ToCp1251("MinPwd"), Utf8ToCp1251("minPWD")));
    EXPECT_TRUE(EqualsIgnoreCase1251(Utf8ToCp1251("Пользователь"), Utf8ToCp1251("пОЛЬЗОВАТЕЛЬ")));
    EXPECT_FALSE(EqualsIgnoreCase1251(Utf8ToCp1251("Ёж"), Utf8ToCp1251("Еж")));
    EXPECT_FALSE(EqualsIgnoreCase1251("abc", "abcd"));
    EXPECT_FALSE(EqualsIgnoreCase1251("[", "{")); // 0x5B and 0x7B differ by 0x20 too
    EXPECT_TRUE(EqualsIgnoreCase1251("", ""));
}

} // namespace
} // namespace vantrel
