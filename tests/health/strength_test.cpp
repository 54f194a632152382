#include "health/strength.h"

#include "base/cp1251.h"
#include "cipher/random.h"
#include "generator/password_generator.h"
#include "health/russian_words.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace vantrel {
namespace {

std::string Generated(std::int32_t length, std::uint32_t seed) {
    GeneratorOptions options;
    options.BigChar = options.SmallChar = options.Digit = options.Sign = true;
    SetRandomSeed(seed);
    return GeneratePassword(options, length, length).value();
}

TEST(StrengthTest, KnownPasswordsGetTheirVerdicts) {
    struct Case {
        std::string password;
        StrengthLevel lowest;
        StrengthLevel highest;
    };
    const Case cases[] = {
        {"", StrengthLevel::VeryWeak, StrengthLevel::VeryWeak},
        {"qwerty", StrengthLevel::VeryWeak, StrengthLevel::VeryWeak},
        {"password1", StrengthLevel::VeryWeak, StrengthLevel::VeryWeak},
        {"zzzzzzzzzzzz", StrengthLevel::VeryWeak, StrengthLevel::VeryWeak},
        {"Ivanov1985", StrengthLevel::VeryWeak, StrengthLevel::VeryWeak},
        {Generated(8, 7), StrengthLevel::Weak, StrengthLevel::Good},
        {Generated(12, 7), StrengthLevel::Good, StrengthLevel::Excellent},
        {Generated(12, 2026), StrengthLevel::Good, StrengthLevel::Excellent},
    };
    for (const Case& c : cases) {
        const Strength strength = EstimateStrength(c.password);
        EXPECT_GE(strength.level, c.lowest) << c.password << ": " << strength.bits;
        EXPECT_LE(strength.level, c.highest) << c.password << ": " << strength.bits;
        EXPECT_EQ(strength.level, LevelOfBits(strength.bits));
    }
    EXPECT_EQ(EstimateStrength("").bits, 0);
    EXPECT_EQ(StrengthVerdict(EstimateStrength("qwerty").level), "Очень слабый");
    EXPECT_EQ(StrengthVerdict(StrengthLevel::Excellent), "Отличный");
}

TEST(StrengthTest, RussianPasswordsAreWeakWhateverTheLayout) {
    // Words, a keyboard row, their capitals and the Latin layout's spelling.
    for (const char* password : {"пароль", "ПАРОЛЬ", "Пароль1", "йцукен", "ЙЦУКЕН", "привет123",
                                 "любовь2000", "солнце", "Котенок!", "zxcvbnЯЧСМИТЬ"}) {
        const Strength strength = EstimateStrength(password);
        EXPECT_LT(strength.bits, kWeakFromBits) << password;
    }
    // A word of the dictionary costs about its place in it; a common password
    // less; capitals and other letters more.
    EXPECT_LT(EstimateStrength("пароль").bits, EstimateStrength("конверт").bits);
    EXPECT_LT(EstimateStrength("конверт").bits, EstimateStrength("кОнВеРт").bits);
    EXPECT_LT(EstimateStrength("конверт").bits, EstimateStrength("конверт7#Q").bits);
    // Each Cyrillic letter is one character, not the two bytes of its UTF-8.
    const Strength random = EstimateStrength("ъыщжэю");
    EXPECT_GT(random.bits, kWeakFromBits);
    EXPECT_LT(random.bits, 45);
    // The record's own words still count, in Cyrillic too.
    const std::vector<std::string> name{"Кузнецов"};
    EXPECT_LT(EstimateStrength("Кузнецов", name).bits, EstimateStrength("Кузнецов").bits);
}

TEST(StrengthTest, RussianWordList) {
    std::istringstream list("146270\nкот/A\nЁлка/B\nпёс\nabc\nда\nстол-книга\n");
    const RussianWords words(&list);
    const auto find = [&words](const char* word) { return words.find(Utf8ToCp1251(word)); };
    EXPECT_GT(find("кот").guesses, find("пароль").guesses);
    EXPECT_EQ(find("елка").guesses, find("кот").guesses); // ё is kept as е
    EXPECT_GT(find("пес").guesses, 0u);
    for (const char* none : {"abc", "да", "стол-книга", "ёлка", "кит"}) {
        EXPECT_EQ(find(none).guesses, 0u) << none;
    }
    EXPECT_TRUE(find("па").longer);
    EXPECT_FALSE(find("пароль").longer);
    EXPECT_FALSE(find("жы").longer);
    EXPECT_EQ(OnLatinLayout(Utf8ToCp1251("Пароль, ёж!")), "Gfhjkm, `;!");
    ASSERT_TRUE(std::filesystem::exists(kRussianWordListPath)) << "hunspell-ru is not installed";
    EXPECT_GT(RussianWords::Installed().size(), 100000u);
}

TEST(StrengthTest, NulAndOddBytesAreEstimatedNotCut) {
    // A NUL must not end the password for the estimator.
    const std::string withNul = std::string("a\0", 2) + Generated(11, 5);
    EXPECT_GT(EstimateStrength(withNul).bits, EstimateStrength("a").bits + 20);
    // 0x98 has no character in 1251; its text still gets an estimate.
    EXPECT_GT(EstimateStrength(Cp1251ToUtf8("\x98\x98x7#Kq")).bits, 0);
}

TEST(StrengthTest, UserWordsLowerTheEstimate) {
    std::vector<std::string> words;
    AppendUserWords("Kowalczyk", words);
    AppendUserWords("mail.brzeszczot.pl", words);
    EXPECT_EQ(words,
              (std::vector<std::string>{"Kowalczyk", "mail.brzeszczot.pl", "mail", "brzeszczot"}));
    std::vector<std::string> cyrillic;
    AppendUserWords("Иванов И.И., 1985", cyrillic);
    EXPECT_EQ(cyrillic, (std::vector<std::string>{"Иванов И.И., 1985", "Иванов", "1985"}));
    EXPECT_LT(EstimateStrength("Brzeszczot1", words).bits,
              EstimateStrength("Brzeszczot1").bits - 10);

    // Leaving out the words that cannot match changes no estimate, whatever
    // the case, leet characters or place of the word.
    const std::string passwords[] = {
        "kowalczyk", "KOWALCZYK", "k0w4lczyk!",  "xx$kowa1czykyy",     "Brz3szcz0t2", "ma1l!mail",
        "kowal",     "zzzz",      "br-zeszczot", "mail.brzeszczot.pl", "Ж" + words[0]};
    for (const std::string& password : passwords) {
        EXPECT_EQ(EstimateStrength(password, MaskUnusableWords(password, words)).bits,
                  EstimateStrength(password, words).bits)
            << password;
    }
    EXPECT_EQ(MaskUnusableWords("zzzz", words), std::vector<std::string>{});
    EXPECT_EQ(MaskUnusableWords("M@IL99", words), (std::vector<std::string>{"", "", "mail"}));
}

} // namespace
} // namespace vantrel
