// generate through the built program.
#include "cli_test_support.h"

#include "cipher/random.h"
#include "generator/password_generator.h"

#include <algorithm>
#include <set>
#include <sstream>

namespace vantrel::test {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(CliGenerate, SeedGivesTheGeneratorsStringsInOrder) {
    const RunResult first = RunProgram({"generate", "--upper", "--digits", "--signs", "--min", "6",
                                        "--max", "10", "--count", "5", "--seed", "4000000000"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(RunProgram({"generate", "--seed=4000000000", "--count=5", "--max=10", "--min=6",
                          "--signs", "--digits", "--upper"})
                  .out,
              first.out);

    // The seed is set right before the first draw; the strings follow one another.
    GeneratorOptions options;
    options.BigChar = options.Digit = options.Sign = true;
    SetRandomSeed(4000000000u);
    std::string expected;
    for (int i = 0; i < 5; ++i) {
        expected += *GeneratePassword(options, 6, 10) + "\n";
    }
    EXPECT_EQ(first.out, expected);
    EXPECT_EQ(Lines(first.out).size(), 5u);
}

TEST(CliGenerate, ObeysTheSets) {
    const RunResult digits = RunProgram(
        {"generate", "--digits", "--min", "9", "--max", "12", "--count", "20", "--seed", "1"});
    ASSERT_EQ(digits.exitCode, 0) << digits.err;
    for (const std::string& line : Lines(digits.out)) {
        EXPECT_EQ(std::set<char>(line.begin(), line.end()),
                  std::set<char>(kDigits.begin(), kDigits.end()))
            << line; // capped at the 8 distinct digits, each once
        EXPECT_EQ(line.size(), 8u);
    }

    const RunResult letters = RunProgram({"generate", "--upper", "--lower", "--repeat", "--min",
                                          "100", "--max", "100", "--count", "10", "--seed", "2"});
    ASSERT_EQ(letters.exitCode, 0) << letters.err;
    for (const std::string& line : Lines(letters.out)) {
        EXPECT_EQ(line.size(), 100u);
        EXPECT_EQ(line.find_first_not_of(std::string(kCapitalLetters) + std::string(kSmallLetters)),
                  std::string::npos)
            << line;
    }

    const RunResult extra = RunProgram({"generate", "--extra", "--count", "5", "--seed", "3"});
    ASSERT_EQ(extra.exitCode, 0) << extra.err;
    for (const std::string& line : Lines(extra.out)) {
        EXPECT_GE(line.size(), 8u);
        EXPECT_LE(line.size(), 12u); // the default lengths
        EXPECT_EQ(line.find_first_not_of(kExtraCharacters), std::string::npos) << line;
    }
}

TEST(CliGenerate, ClockSeedWithoutSeedOption) {
    const RunResult r = RunProgram({"generate", "--lower", "--min", "30", "--max", "30"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(Lines(r.out).size(), 1u);
    EXPECT_EQ(Lines(r.out)[0].size(), 24u); // only 24 distinct small letters

    // A single bound moves the other default along, as the editor's boxes do.
    const RunResult shortOnes = RunProgram({"generate", "--lower", "--max", "3", "--count", "20"});
    for (const std::string& line : Lines(shortOnes.out)) {
        EXPECT_EQ(line.size(), 3u) << line;
    }
    const RunResult longOnes = RunProgram({"generate", "--lower", "--repeat", "--min", "40"});
    ASSERT_EQ(Lines(longOnes.out).size(), 1u);
    EXPECT_EQ(Lines(longOnes.out)[0].size(), 40u);
}

TEST(CliGenerate, WrongRequestsAreUsageErrors) {
    const RunResult noSet = RunProgram({"generate", "--repeat", "--seed", "1"});
    EXPECT_EQ(noSet.exitCode, 2);
    EXPECT_EQ(noSet.out, "");
    EXPECT_EQ(noSet.err.rfind("vantrel-cli: " + std::string(kEmptyPoolMessage), 0), 0u)
        << noSet.err;

    for (const auto& args :
         std::vector<std::vector<std::string>>{{"--digits", "--min", "0"},
                                               {"--digits", "--max", "101"},
                                               {"--digits", "--min", "5", "--max", "4"},
                                               {"--digits", "--count", "0"},
                                               {"--digits", "--seed", "4294967296"},
                                               {"--digits", "--seed", "-1"},
                                               {"--digits", "extra-operand"}}) {
        auto words = args;
        words.insert(words.begin(), "generate");
        const RunResult r = RunProgram(words);
        EXPECT_EQ(r.exitCode, 2) << words.back();
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

} // namespace
} // namespace vantrel::test
