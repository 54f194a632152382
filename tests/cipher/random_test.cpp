#include "cipher/random.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <vector>

namespace vantrel {
namespace {

TEST(RandomBelow, KnownSequenceFromSeedZero) {
    SetRandomSeed(0);
    std::vector<std::uint32_t> draws;
    for (int i = 0; i < 8; ++i) {
        draws.push_back(RandomBelow(255));
    }
    EXPECT_EQ(draws, (std::vector<std::uint32_t>{0, 8, 219, 51, 69, 171, 81, 41}));
}

TEST(RandomBelow, EveryCallAdvancesTheSeedOnceWhateverTheRange) {
    SetRandomSeed(12345);
    RandomBelow(0);
    const std::uint32_t afterRangeZero = RandomSeed();
    SetRandomSeed(12345);
    RandomBelow(1000);
    EXPECT_EQ(RandomSeed(), afterRangeZero);
    EXPECT_EQ(afterRangeZero, 12345u * 134775813u + 1u);
}

TEST(RandomBelow, RangeZeroGivesZeroAndNegativeRangeIsUnsigned) {
    SetRandomSeed(77);
    EXPECT_EQ(RandomBelow(0), 0u);
    SetRandomSeed(0xFFFFFFF0u);
    const std::uint32_t next = 0xFFFFFFF0u * 134775813u + 1u;
    const std::uint32_t expected =
        static_cast<std::uint32_t>((static_cast<std::uint64_t>(next) * 4294967294ull) >> 32);
    EXPECT_EQ(RandomBelow(static_cast<std::uint32_t>(-2)), expected);
}

TEST(RandomBelow, SmallRangesAreHitEvenlyAlsoInSuccessiveDraws) {
    // A draw is taken from the seed's high bits. Its low bits repeat with a
    // short period (the lowest one alternates), so a draw taken from them would
    // leave most pairs of successive values out.
    SetRandomSeed(1);
    constexpr int kPerPair = 400;
    for (const std::uint32_t range : {2u, 3u, 7u, 16u}) {
        SCOPED_TRACE(range);
        std::vector<int> values(range);
        std::vector<int> pairs(range * range);
        std::uint32_t previous = RandomBelow(range);
        for (std::uint32_t i = 0; i < range * range * kPerPair; ++i) {
            const std::uint32_t draw = RandomBelow(range);
            ASSERT_LT(draw, range);
            ++values[draw];
            ++pairs[previous * range + draw];
            previous = draw;
        }
        const int perValue = static_cast<int>(range) * kPerPair;
        for (const int count : values) {
            EXPECT_NEAR(count, perValue, perValue / 10);
        }
        for (const int count : pairs) {
            EXPECT_NEAR(count, kPerPair, kPerPair / 4);
        }
    }
}

std::chrono::system_clock::time_point atTwelveThirtyFour() {
    using namespace std::chrono;
    // 2026-12-08 12:34:56.789 UTC
    return sys_days(year(2026) / 12 / 8) + hours(12) + minutes(34) + seconds(56) +
           milliseconds(789);
}

TEST(ReseedFromClock, SeedIsTheUtcMillisecondOfTheDayWhateverTheTimeZone) {
    const char* before = std::getenv("TZ");
    const std::string saved = before ? before : "";
    for (const char* zone : {"UTC0", "LINT-14", "SST11"}) {
        SCOPED_TRACE(zone);
        setenv("TZ", zone, 1);
        tzset();
        SetClockSource(&atTwelveThirtyFour);
        ReseedFromClock();
        EXPECT_EQ(RandomSeed(), 45296789u);

        SetClockSource(nullptr);
        const auto secondOfDay = static_cast<std::uint32_t>(std::time(nullptr) % 86400);
        ReseedFromClock();
        // The seed is read just after; allow a second (and midnight) between.
        const std::uint32_t seedSecond = RandomSeed() / 1000u;
        EXPECT_TRUE(seedSecond == secondOfDay || seedSecond == (secondOfDay + 1) % 86400u)
            << seedSecond << " vs " << secondOfDay;
    }
    if (before) {
        setenv("TZ", saved.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

} // namespace
} // namespace vantrel
