#include "generator/generator_settings.h"

#include "base/atomic_file.h"
#include "base/error.h"
#include "formats/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace vantrel {
namespace {

namespace fs = std::filesystem;

class GeneratorSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vantrel-gen-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        path_ = SettingsFilePath(dir_);
    }
    void TearDown() override {
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir_);
    }

    void WriteBytes(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
    std::string ReadBytes() const {
        std::ifstream in(path_, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    std::string Value(const char* key) const {
        return ReadSetting(std::string(kGeneratorSection), key, path_);
    }

    fs::path dir_;
    fs::path path_;
};

// Options far from every stored value, to see which fields a load assigned.
GeneratorOptions Sentinel() {
    GeneratorOptions options;
    options.BigChar = options.SmallChar = options.Digit = options.Sign = true;
    options.Right = options.Double = true;
    options.MinPwd = -77;
    options.MaxPwd = -88;
    return options;
}

TEST_F(GeneratorSettingsTest, FirstLoadCreatesTheSectionWithEightZeroKeys) {
    GeneratorOptions options = Sentinel();
    LoadGeneratorOptions(options, path_);
    EXPECT_EQ(options, GeneratorOptions{});
    EXPECT_EQ(ReadBytes(), "[GeneratorSetting]\r\n"
                           "BigChar=0\r\nSmallChar=0\r\nDigit=0\r\nSign=0\r\n"
                           "Right=0\r\nDouble=0\r\nminPWD=0\r\nmaxPWD=0\r\n");
}

TEST_F(GeneratorSettingsTest, PresentKeysKeepValuesAndSpelling) {
    const std::string full = "[GeneratorSetting]\r\n"
                             "BigChar=True\r\nSmallChar=False\r\nDigit=True\r\nSign=False\r\n"
                             "MinPwd=8\r\nMaxPwd=12\r\nRight=False\r\nDouble=True\r\n";
    WriteBytes(full);
    EnsureGeneratorKeys(path_);
    EXPECT_EQ(ReadBytes(), full);

    // Present under another letter case: kept; only the missing keys are added.
    WriteBytes("[generatorsetting]\r\nBIGCHAR=True\r\nmaxpwd=5\r\n");
    EnsureGeneratorKeys(path_);
    EXPECT_EQ(ReadSectionKeys("GeneratorSetting", path_),
              (std::vector<std::string>{"BIGCHAR", "maxpwd", "SmallChar", "Digit", "Sign", "Right",
                                        "Double", "minPWD"}));
    EXPECT_EQ(Value("BigChar"), "True");
    EXPECT_EQ(Value("MaxPwd"), "5");
    EXPECT_EQ(Value("MinPwd"), "0");
}

TEST_F(GeneratorSettingsTest, SaveThenLoadRoundTrip) {
    GeneratorOptions saved;
    saved.SmallChar = saved.Digit = true;
    saved.MinPwd = 8;
    saved.MaxPwd = 12;
    SaveGeneratorOptions(saved, path_);
    EXPECT_EQ(Value("Digit"), "True");
    EXPECT_EQ(Value("Sign"), "False");
    EXPECT_EQ(Value("MaxPwd"), "12");
    EXPECT_EQ(ReadSectionKeys("GeneratorSetting", path_),
              (std::vector<std::string>{"BigChar", "SmallChar", "Digit", "Sign", "MinPwd", "MaxPwd",
                                        "Right", "Double"}));

    GeneratorOptions loaded = Sentinel();
    LoadGeneratorOptions(loaded, path_);
    EXPECT_EQ(loaded, saved);

    saved.MinPwd = -3;
    SaveGeneratorOptions(saved, path_);
    EXPECT_EQ(Value("MinPwd"), "-3");
    LoadGeneratorOptions(loaded, path_);
    EXPECT_EQ(loaded.MinPwd, -3);
}

TEST_F(GeneratorSettingsTest, OnlyExactTrueIsOn) {
    WriteBytes("[GeneratorSetting]\r\nBigChar=true\r\nSmallChar=TRUE\r\nDigit=1\r\n"
               "Sign=True\r\nMinPwd=1\r\nMaxPwd=2\r\nRight=0\r\nDouble= True \r\n");
    GeneratorOptions options = Sentinel();
    LoadGeneratorOptions(options, path_);
    EXPECT_FALSE(options.BigChar);
    EXPECT_FALSE(options.SmallChar);
    EXPECT_FALSE(options.Digit);
    EXPECT_TRUE(options.Sign);
    EXPECT_FALSE(options.Right);
    EXPECT_TRUE(options.Double); // blanks around a value are not part of it

    SaveGeneratorOptions(options, path_);
    EXPECT_EQ(Value("BigChar"), "False");
}

TEST_F(GeneratorSettingsTest, BadLengthStopsTheLoadAtThatKey) {
    WriteBytes("[GeneratorSetting]\r\nBigChar=True\r\nSmallChar=False\r\nDigit=True\r\n"
               "Sign=False\r\nMinPwd=8\r\nMaxPwd=twelve\r\nRight=False\r\nDouble=False\r\n");
    GeneratorOptions options = Sentinel();
    try {
        LoadGeneratorOptions(options, path_);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'twelve' is not a valid integer value");
    }
    EXPECT_TRUE(options.BigChar);
    EXPECT_FALSE(options.SmallChar);
    EXPECT_TRUE(options.Digit);
    EXPECT_FALSE(options.Sign);
    EXPECT_EQ(options.MinPwd, 8);
    EXPECT_EQ(options.MaxPwd, -88); // not read
    EXPECT_TRUE(options.Right);     // not read
    EXPECT_TRUE(options.Double);    // not read
}

TEST_F(GeneratorSettingsTest, BadLengthMessageShowsTheValueInUtf8) {
    WriteBytes("[GeneratorSetting]\r\nMinPwd=\xE4\xE5\xF1\xFF\xF2\xFC\r\n"); // "десять" in 1251
    GeneratorOptions options = Sentinel();
    EXPECT_THROW(
        {
            try {
                LoadGeneratorOptions(options, path_);
            } catch (const Error& e) {
                EXPECT_STREQ(e.what(), "'десять' is not a valid integer value");
                throw;
            }
        },
        Error);
    EXPECT_EQ(options.MinPwd, -77);
    EXPECT_FALSE(options.BigChar); // "0" written by EnsureGeneratorKeys, read before MinPwd
}

TEST(ParseStoredInteger, AcceptsSignedDecimalInRange) {
    EXPECT_EQ(ParseStoredInteger("0"), 0);
    EXPECT_EQ(ParseStoredInteger("-3"), -3);
    EXPECT_EQ(ParseStoredInteger("+7"), 7);
    EXPECT_EQ(ParseStoredInteger("0012"), 12);
    EXPECT_EQ(ParseStoredInteger(" 250\t"), 250);
    EXPECT_EQ(ParseStoredInteger("2147483647"), 2147483647);
    EXPECT_EQ(ParseStoredInteger("-2147483648"), -2147483647 - 1);
}

TEST(ParseStoredInteger, RefusesEverythingElse) {
    for (const char* bad : {"", " ", "abc", "12a", "1 2", "+", "-", "+-1", "--1", "0x10", "$10",
                            "1.0", "1e3", "2147483648", "-2147483649", "99999999999999999999"}) {
        try {
            ParseStoredInteger(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const Error& e) {
            EXPECT_EQ(e.what(), "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
}

TEST_F(GeneratorSettingsTest, UnwritableSettingsReportTheWriteError) {
    // A settings path below a regular file cannot be written by anyone, root included.
    const fs::path blocker = dir_ / "not-a-folder";
    std::ofstream(blocker) << "x";
    const fs::path unwritable = SettingsFilePath(blocker);
    const std::string expected = "Unable to write to " + unwritable.string();

    try {
        SaveGeneratorOptions(GeneratorOptions{}, unwritable);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.what(), expected);
    }
    GeneratorOptions options = Sentinel();
    try {
        LoadGeneratorOptions(options, unwritable);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.what(), expected);
    }
    EXPECT_EQ(options, Sentinel()); // the load read nothing
}

TEST_F(GeneratorSettingsTest, RefusedWriteKeepsTheFileAndStopsTheSave) {
    const std::string before = "[GeneratorSetting]\r\nBigChar=True\r\nSmallChar=True\r\n";
    WriteBytes(before);
    {
        AtomicFileFaults refuseRename;
        refuseRename.failRename = true;
        ScopedAtomicFileFaults faults(refuseRename);
        try {
            SaveGeneratorOptions(GeneratorOptions{}, path_);
            FAIL() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(e.what(), "Unable to write to " + path_.string());
        }
        GeneratorOptions options = Sentinel();
        EXPECT_THROW(LoadGeneratorOptions(options, path_), Error); // keys missing: must write
        EXPECT_EQ(options, Sentinel());
    }
    EXPECT_EQ(ReadBytes(), before);
}

TEST_F(GeneratorSettingsTest, ReadOnlyFolderKeepsTheFileAndReportsTheWriteError) {
    const std::string full = "[GeneratorSetting]\r\nBigChar=True\r\nSmallChar=True\r\n";
    WriteBytes(full);
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    fs::permissions(path_, fs::perms::owner_read);
    if (access(path_.c_str(), W_OK) == 0) {
        GTEST_SKIP() << "permissions do not bind this user (root)";
    }
    EXPECT_THROW(EnsureGeneratorKeys(path_), Error);
    GeneratorOptions options;
    options.BigChar = false;
    options.SmallChar = false;
    try {
        SaveGeneratorOptions(options, path_);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.what(), "Unable to write to " + path_.string());
    }
    EXPECT_EQ(ReadBytes(), full);
}

} // namespace
} // namespace vantrel
