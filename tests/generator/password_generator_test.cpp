#include "generator/password_generator.h"

#include "cipher/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace vantrel {
namespace {

GeneratorOptions AllSets(bool right = false, bool repeats = false) {
    GeneratorOptions options;
    options.BigChar = options.SmallChar = options.Digit = options.Sign = true;
    options.Right = right;
    options.Double = repeats;
    return options;
}

bool HasRepeats(const std::string& text) {
    return std::set<char>(text.begin(), text.end()).size() != text.size();
}

bool OnlyFrom(const std::string& text, std::string_view allowed) {
    return std::all_of(text.begin(), text.end(),
                       [&](char c) { return allowed.find(c) != std::string_view::npos; });
}

// The seed after `steps` draws from `seed`.
std::uint32_t SeedAfter(std::uint32_t seed, int steps) {
    SetRandomSeed(seed);
    for (int i = 0; i < steps; ++i) {
        RandomBelow(1);
    }
    return RandomSeed();
}

TEST(CharacterPool, SizesAndOrder) {
    EXPECT_EQ(CharacterPool(AllSets()).size(), 74u);
    EXPECT_EQ(DistinctCount(CharacterPool(AllSets())), 73u);
    EXPECT_EQ(CharacterPool(AllSets(true)).size(), 94u);
    EXPECT_EQ(DistinctCount(CharacterPool(AllSets(true))), 91u);

    GeneratorOptions extraOnly;
    extraOnly.Right = true;
    EXPECT_EQ(CharacterPool(extraOnly), kExtraCharacters);
    EXPECT_EQ(DistinctCount(kExtraCharacters), 20u);
    EXPECT_EQ(kExtraCharacters.size(), 20u);
    EXPECT_EQ(kSigns.size(), 18u);
    EXPECT_EQ(DistinctCount(kSigns), 17u);

    EXPECT_EQ(CharacterPool(AllSets(true)),
              std::string(kCapitalLetters) + std::string(kSmallLetters) + std::string(kDigits) +
                  std::string(kSigns) + std::string(kExtraCharacters));
    GeneratorOptions digitsAndSigns;
    digitsAndSigns.Sign = digitsAndSigns.Digit = true;
    EXPECT_EQ(CharacterPool(digitsAndSigns), "23456789#%&()=@{[]}+#;-~.,");
    EXPECT_EQ(CharacterPool(GeneratorOptions{}), "");
}

// Each pool written out here, not taken from the header, and one draw of 12
// characters from seed 20261208 made by an independent implementation: a pool
// with two characters swapped changes every string drawn for a seed.
TEST(CharacterPool, EachSetAloneIsPinnedWithOneSeededDraw) {
    struct Case {
        bool GeneratorOptions::*flag;
        std::string pool;
        std::string draw;
    };
    const Case cases[] = {
        {&GeneratorOptions::BigChar, "ABCDEFGHJKLMNPQRSTUVWXYZ", "MRWSQYUKHCZB"},
        {&GeneratorOptions::SmallChar, "abcdefghijkmnpqrstuvwxyz", "mrwsqyujhczb"},
        {&GeneratorOptions::Digit, "23456789", "578769854292"},
        {&GeneratorOptions::Sign, "#%&()=@{[]}+#;-~.,", "[+~#}.;{=%,#"},
        {&GeneratorOptions::Right, "OIolgq01\\/:*?\"<>|`_$", "/?|\"*_>10o$O"},
    };
    for (const Case& c : cases) {
        GeneratorOptions options;
        options.*c.flag = true;
        options.Double = true;
        EXPECT_EQ(CharacterPool(options), c.pool);
        SetRandomSeed(20261208);
        EXPECT_EQ(GeneratePassword(options, 12, 12), c.draw) << c.pool;
    }
}

TEST(CharacterPool, LookAlikesOnlyWithRight) {
    for (char c : std::string("IOlo01")) {
        EXPECT_EQ(CharacterPool(AllSets(false)).find(c), std::string::npos) << c;
        EXPECT_NE(CharacterPool(AllSets(true)).find(c), std::string::npos) << c;
    }
    SetRandomSeed(99);
    for (int i = 0; i < 300; ++i) {
        const auto text = GeneratePassword(AllSets(false, true), 20, 40);
        ASSERT_TRUE(text.has_value());
        EXPECT_EQ(text->find_first_of("IOlo01"), std::string::npos) << *text;
    }
}

TEST(GeneratePassword, EmptyPoolReportsWithoutDrawing) {
    SetRandomSeed(4242);
    GeneratorOptions none;
    none.Double = true;
    none.MinPwd = 5;
    EXPECT_EQ(GeneratePassword(none, 5, 10), std::nullopt);
    EXPECT_EQ(RandomSeed(), 4242u);
    EXPECT_EQ(kEmptyPoolMessage, "Необходимо выбрать хотя бы один набор символов");
}

TEST(GeneratePassword, ExtraCharactersAloneAreUsedWithoutMessage) {
    GeneratorOptions extraOnly;
    extraOnly.Right = true;
    SetRandomSeed(5);
    const auto text = GeneratePassword(extraOnly, 20, 20);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(std::set<char>(text->begin(), text->end()),
              std::set<char>(kExtraCharacters.begin(), kExtraCharacters.end()));
}

TEST(GeneratePassword, NoRepeatsWhenDoubleIsOff) {
    SetRandomSeed(1);
    for (int i = 0; i < 200; ++i) {
        const auto text = GeneratePassword(AllSets(true), 30, 91);
        ASSERT_TRUE(text.has_value());
        EXPECT_FALSE(HasRepeats(*text)) << *text;
    }
    // The sign set alone, at its full distinct size: every sign once, "#" too.
    GeneratorOptions signs;
    signs.Sign = true;
    for (int i = 0; i < 50; ++i) {
        const auto text = GeneratePassword(signs, 17, 17);
        ASSERT_TRUE(text.has_value());
        EXPECT_EQ(text->size(), 17u);
        EXPECT_FALSE(HasRepeats(*text)) << *text;
        EXPECT_TRUE(OnlyFrom(*text, kSigns));
    }
}

TEST(GeneratePassword, RepeatsOccurWhenDoubleIsOn) {
    GeneratorOptions digits;
    digits.Digit = digits.Double = true;
    SetRandomSeed(3);
    const auto text = GeneratePassword(digits, 50, 50);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->size(), 50u);
    EXPECT_TRUE(HasRepeats(*text));
    EXPECT_TRUE(OnlyFrom(*text, kDigits));
}

TEST(DrawString, EveryLengthOfTheRangeOccursAndNoOther) {
    SetRandomSeed(2024);
    std::set<std::size_t> lengths;
    for (int i = 0; i < 500; ++i) {
        lengths.insert(DrawString(6, 10, CharacterPool(AllSets()), false).size());
    }
    EXPECT_EQ(lengths, (std::set<std::size_t>{6, 7, 8, 9, 10}));
}

TEST(DrawString, SingleCharacterFromThePool) {
    const std::string pool = CharacterPool(AllSets(true));
    SetRandomSeed(17);
    for (int i = 0; i < 100; ++i) {
        const std::string text = DrawString(1, 1, pool, false);
        ASSERT_EQ(text.size(), 1u);
        EXPECT_NE(pool.find(text[0]), std::string::npos);
    }
}

TEST(DrawString, SameSeedSameString) {
    const std::string pool = CharacterPool(AllSets(true));
    SetRandomSeed(777);
    const std::string first = DrawString(8, 16, pool, false);
    SetRandomSeed(777);
    EXPECT_EQ(DrawString(8, 16, pool, false), first);
    SetRandomSeed(778);
    EXPECT_NE(DrawString(8, 16, pool, false), first);
}

TEST(DrawString, LengthIsDrawnFirstAndOnlyWhenMinBelowMax) {
    const std::string pool = CharacterPool(AllSets(false, true));
    // Repeats allowed: one draw per character, plus one for the length.
    SetRandomSeed(31337);
    const std::string fixed = DrawString(12, 12, pool, true);
    ASSERT_EQ(fixed.size(), 12u);
    EXPECT_EQ(RandomSeed(), SeedAfter(31337, 12));

    SetRandomSeed(31337);
    const std::string ranged = DrawString(5, 20, pool, true);
    EXPECT_EQ(RandomSeed(), SeedAfter(31337, 1 + static_cast<int>(ranged.size())));

    // Reference order: the length draw, then pool[RandomBelow(n)] position by position.
    SetRandomSeed(31337);
    const std::size_t length = 5 + RandomBelow(16);
    std::string expected;
    while (expected.size() < length) {
        expected.push_back(pool[RandomBelow(static_cast<std::uint32_t>(pool.size()))]);
    }
    EXPECT_EQ(ranged, expected);
}

TEST(DrawString, DiscardedDrawsStillConsumeTheGenerator) {
    // Pool "aa b": without repeats the second "a" is always discarded.
    SetRandomSeed(8);
    const std::string text = DrawString(2, 2, "aab", false);
    EXPECT_EQ(std::set<char>(text.begin(), text.end()), (std::set<char>{'a', 'b'}));
    const std::uint32_t after = RandomSeed();
    // Replay: count the attempts a correct drawing needs.
    SetRandomSeed(8);
    std::string placed;
    int attempts = 0;
    while (placed.size() < 2) {
        const char c = "aab"[RandomBelow(3)];
        ++attempts;
        if (placed.find(c) == std::string::npos) {
            placed.push_back(c);
        }
    }
    EXPECT_EQ(placed, text);
    EXPECT_EQ(after, SeedAfter(8, attempts));
}

TEST(DrawString, LengthBeyondDistinctCharactersIsCapped) {
    for (std::uint32_t seed : {0u, 1u, 99u, 123456u}) {
        SetRandomSeed(seed);
        const std::string text = DrawString(9, 12, kDigits, false);
        std::string sorted = text;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, "23456789") << seed;

        // The length draw still came first: the first digit is the second draw.
        SetRandomSeed(seed);
        RandomBelow(4);
        EXPECT_EQ(text[0], kDigits[RandomBelow(8)]) << seed;
    }
    SetRandomSeed(5);
    EXPECT_EQ(DrawString(100, 100, CharacterPool(AllSets(true)), false).size(), 91u);
    EXPECT_EQ(DrawString(100, 100, CharacterPool(AllSets(true)), true).size(), 100u);
}

TEST(DrawString, DegenerateArguments) {
    SetRandomSeed(10);
    EXPECT_EQ(DrawString(0, 0, kDigits, true), "");
    EXPECT_EQ(DrawString(-5, -5, kDigits, true), "");
    EXPECT_EQ(RandomSeed(), 10u);
    // Minimum above maximum: the minimum, no length draw.
    EXPECT_EQ(DrawString(4, 2, kDigits, true).size(), 4u);
    EXPECT_EQ(RandomSeed(), SeedAfter(10, 4));
    // An empty pool never touches the generator.
    SetRandomSeed(10);
    EXPECT_EQ(DrawString(3, 9, "", true), "");
    EXPECT_EQ(RandomSeed(), 10u);
}

} // namespace
} // namespace vantrel
