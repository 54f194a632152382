#include "base/atomic_file.h"
#include "base/cp1251.h"
#include "base/error.h"
#include "formats/settings_file.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace vantrel {
namespace {

using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

namespace fs = std::filesystem;

std::string cp(const char* utf8) {
    return Utf8ToCp1251(utf8);
}

class SettingsFile : public ::testing::Test {
protected:
    std::string read(const std::string& section, const std::string& key) {
        return ReadSetting(section, key, ini);
    }
    void write(const std::string& section, const std::string& key, const std::string& value) {
        WriteSetting(section, key, value, ini);
    }

    TempFolder folder;
    fs::path ini = SettingsFilePath(folder.path());
};

TEST(SettingsFilePath, IsProgramDirectoryPlusFileName) {
    EXPECT_EQ(SettingsFilePath("/opt/vantrel/"), fs::path("/opt/vantrel/VTR.ini"));
    EXPECT_EQ(SettingsFilePath("/opt/vantrel"), fs::path("/opt/vantrel/VTR.ini"));
}

TEST(SettingsFilePath, ReadFailureTextIsTheRussianText) {
    EXPECT_EQ(Cp1251ToUtf8(ReadFailureText()), "Ошибка при считывании параметра");
}

TEST_F(SettingsFile, NoFileReadsAsFailureAndFirstWriteCreatesIt) {
    EXPECT_EQ(read("UsersName", "bob"), ReadFailureText());
    EXPECT_TRUE(ReadSectionKeys("UsersName", ini).empty());
    EXPECT_FALSE(fs::exists(ini));

    write("UsersName", "bob", "0123456789ABCDEF0123456789ABCDEF");
    EXPECT_EQ(ReadBytes(ini), "[UsersName]\r\nbob=0123456789ABCDEF0123456789ABCDEF\r\n");
    EXPECT_EQ(read("UsersName", "bob"), "0123456789ABCDEF0123456789ABCDEF");
    EXPECT_EQ(read("UsersName", "alice"), ReadFailureText());
    EXPECT_EQ(read("UsersFiles", "bob"), ReadFailureText());
}

TEST_F(SettingsFile, NewKeysEndTheirSectionAndNewSectionsEndTheFile) {
    write("UsersName", "bob", "1");
    write("UsersFiles", "bob", "/home/bob/a.vtr");
    write("UsersName", "alice", "2");
    write("UsersFiles", "bob", "/home/bob/b.vtr");
    EXPECT_EQ(ReadBytes(ini), "[UsersName]\r\nbob=1\r\nalice=2\r\n"
                              "[UsersFiles]\r\nbob=/home/bob/b.vtr\r\n");
    EXPECT_EQ(ReadSectionKeys("UsersName", ini), (std::vector<std::string>{"bob", "alice"}));
}

TEST_F(SettingsFile, NamesMatchWithoutRegardToCaseLatinAndCyrillic) {
    const std::string user = cp("Пользователь Ёлкин");
    write("UsersName", user, "AB");
    EXPECT_EQ(read("USERSNAME", cp("пОЛЬЗОВАТЕЛЬ ёЛКИН")), "AB");
    write("usersname", cp("ПОЛЬЗОВАТЕЛЬ ЁЛКИН"), "CD");
    // Still one section and one key, in the case first written.
    EXPECT_EQ(ReadBytes(ini), "[UsersName]\r\n" + user + "=CD\r\n");
    EXPECT_EQ(read("UsersName", cp("пользователь елкин")), ReadFailureText());
}

TEST_F(SettingsFile, KeyWrittenAsMinPWDIsFoundAndReplacedInPlace) {
    write("GeneratorSetting", "BigChar", "True");
    write("GeneratorSetting", "minPWD", "0");
    write("GeneratorSetting", "Digit", "False");
    EXPECT_EQ(read("GeneratorSetting", "MinPwd"), "0");
    write("GeneratorSetting", "MinPwd", "8");
    EXPECT_EQ(ReadBytes(ini), "[GeneratorSetting]\r\nBigChar=True\r\nminPWD=8\r\nDigit=False\r\n");
    EXPECT_EQ(read("GeneratorSetting", "MINPWD"), "8");
    EXPECT_EQ(ReadSectionKeys("GeneratorSetting", ini),
              (std::vector<std::string>{"BigChar", "minPWD", "Digit"}));
}

TEST_F(SettingsFile, EmptyKeyNeverMatchesEvenALineStartingWithEquals) {
    WriteBytes(ini, "[S]\r\n=value\r\n = other\r\nk=v\r\n");
    EXPECT_EQ(read("S", ""), ReadFailureText());
    EXPECT_EQ(ReadSectionKeys("S", ini), std::vector<std::string>{"k"});
    EXPECT_THROW(write("S", "", "x"), Error);
}

TEST_F(SettingsFile, LongValueReadsAsItsFirst2047Characters) {
    std::string value(3000, 'v');
    value[2046] = 'L';
    value[2047] = 'X';
    write("VTRSettings", "Long", value);
    const std::string got = read("VTRSettings", "Long");
    EXPECT_EQ(got.size(), 2047u);
    EXPECT_EQ(got, value.substr(0, 2047));
    // The file itself holds the whole value.
    EXPECT_NE(ReadBytes(ini).find(value), std::string::npos);
}

TEST_F(SettingsFile, ValueIsTextAfterFirstEqualsWithoutBlanks) {
    WriteBytes(ini, "[S]\r\na = b = c \t\r\nempty=\r\nblank=   \r\n");
    EXPECT_EQ(read("S", "a"), "b = c");
    EXPECT_EQ(read("S", "empty"), "");
    EXPECT_EQ(read("S", "blank"), "");
    write("S", "x", "  padded  ");
    EXPECT_EQ(read("S", "x"), "padded");
}

TEST_F(SettingsFile, ReadingToleratesLfBlankLinesCommentsAndBlanksAroundNames) {
    WriteBytes(ini, "; settings\n\n  [ GeneratorSetting ]  \n; Digit=True\n\n"
                    "\tBigChar\t =  True  \nno equals sign\n[Other]\nDigit=True\n");
    EXPECT_EQ(read("GeneratorSetting", "BigChar"), "True");
    EXPECT_EQ(read("GeneratorSetting", "Digit"), ReadFailureText());
    EXPECT_EQ(read("GeneratorSetting", "no equals sign"), ReadFailureText());
    EXPECT_EQ(read("Other", "Digit"), "True");
    EXPECT_EQ(ReadSectionKeys("GeneratorSetting", ini), std::vector<std::string>{"BigChar"});
    EXPECT_EQ(ReadSectionKeys("Missing", ini), std::vector<std::string>{});
}

TEST_F(SettingsFile, KeysBeforeAnySectionBelongToNone) {
    WriteBytes(ini, "k=outside\r\n[S]\r\nj=inside\r\n");
    EXPECT_EQ(read("S", "k"), ReadFailureText());
    EXPECT_EQ(read("", "k"), ReadFailureText());
    EXPECT_EQ(read("S", "j"), "inside");
}

TEST_F(SettingsFile, FirstOfRepeatedSectionsAndKeysCounts) {
    WriteBytes(ini, "[S]\r\nk=first\r\nk=second\r\n[s]\r\nk=third\r\nj=x\r\n");
    EXPECT_EQ(read("S", "k"), "first");
    EXPECT_EQ(read("S", "j"), ReadFailureText());
    write("S", "k", "new");
    EXPECT_EQ(ReadBytes(ini), "[S]\r\nk=new\r\nk=second\r\n[s]\r\nk=third\r\nj=x\r\n");
}

TEST_F(SettingsFile, EveryOtherLineStaysByteForByte) {
    const std::string before = "; kept comment \n[UsersName]\nbob = AA \n\n  [GeneratorSetting]\r\n"
                               " Digit =True\r\n; note\r\n\r\n[VTRSettings]\nFlattbMain=False";
    WriteBytes(ini, before);
    write("UsersName", "BOB", "BB");
    write("GeneratorSetting", "Sign", "True");
    EXPECT_EQ(ReadBytes(ini), "; kept comment \n[UsersName]\nbob=BB\r\n\n  [GeneratorSetting]\r\n"
                              " Digit =True\r\nSign=True\r\n; note\r\n\r\n[VTRSettings]\n"
                              "FlattbMain=False");
}

TEST_F(SettingsFile, LastLineWithoutLineEndGetsOneBeforeNewText) {
    WriteBytes(ini, "[A]\r\nx=1");
    write("A", "y", "2");
    EXPECT_EQ(ReadBytes(ini), "[A]\r\nx=1\r\ny=2\r\n");
    WriteBytes(ini, "[A]\r\nx=1");
    write("B", "z", "3");
    EXPECT_EQ(ReadBytes(ini), "[A]\r\nx=1\r\n[B]\r\nz=3\r\n");
    WriteBytes(ini, "[A]");
    write("A", "k", "v");
    EXPECT_EQ(ReadBytes(ini), "[A]\r\nk=v\r\n");
}

TEST_F(SettingsFile, NewKeyGoesAfterLastKeyNotAfterTrailingBlankLines) {
    WriteBytes(ini, "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
    write("A", "z", "3");
    EXPECT_EQ(ReadBytes(ini), "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n");
    WriteBytes(ini, "[A]\r\n\r\n[B]\r\n");
    write("A", "z", "3");
    EXPECT_EQ(ReadBytes(ini), "[A]\r\nz=3\r\n\r\n[B]\r\n");
}

TEST_F(SettingsFile, ValuesAre1251Bytes) {
    const std::string path = cp("/home/Иван/Пароли.vtr");
    write("UsersFiles", cp("Иван"), path);
    EXPECT_EQ(read("UsersFiles", cp("иван")), path);
    EXPECT_EQ(ReadBytes(ini), "[UsersFiles]\r\n" + cp("Иван") + "=" + path + "\r\n");
}

TEST(SettingsKeys, StorableKeys) {
    for (const char* good : {"bob", "Иван Петров", "a[b]", "a;b", "x"}) {
        EXPECT_TRUE(IsStorableKey(Utf8ToCp1251(good))) << good;
    }
    for (const char* bad :
         {"", "a=b", "=", "[admin]", ";x", " bob", "bob ", "\tbob", "a\r\nb", "a\nb", "a\rb"}) {
        EXPECT_FALSE(IsStorableKey(bad)) << bad;
    }
    EXPECT_FALSE(IsStorableKey(std::string("a\0b", 3)));
}

TEST_F(SettingsFile, RefusesWhatTheFormatCannotHoldAndChangesNothing) {
    write("UsersName", "bob", "1");
    const std::string before = ReadBytes(ini);
    const struct {
        std::string section, key, value, message;
    } refusals[] = {
        {"UsersName", "[UsersFiles]", "x",
         "Ключ \"[UsersFiles]\" нельзя сохранить в файле настроек"},
        {"UsersName", "a=b", "x", "Ключ \"a=b\" нельзя сохранить в файле настроек"},
        {"UsersName", "eve", "1\r\n[Evil]\r\nk=v",
         "Значение с переводом строки нельзя сохранить в файле настроек"},
        {"UsersName", "eve", "line\nbreak",
         "Значение с переводом строки нельзя сохранить в файле настроек"},
        {"Users]Name", "eve", "1", "Имя раздела \"Users]Name\" нельзя сохранить в файле настроек"},
        {"", "eve", "1", "Имя раздела \"\" нельзя сохранить в файле настроек"},
    };
    for (const auto& r : refusals) {
        try {
            write(r.section, r.key, r.value);
            ADD_FAILURE() << "no error for " << r.key;
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()), r.message);
        }
    }
    EXPECT_EQ(ReadBytes(ini), before);
}

TEST_F(SettingsFile, FailedWriteRaisesUnableToWriteAndKeepsTheFile) {
    write("UsersName", "bob", "1");
    const std::string before = ReadBytes(ini);
    {
        ScopedAtomicFileFaults faults({.failRename = true});
        try {
            write("UsersName", "alice", "2");
            FAIL() << "no error";
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()), "Unable to write to " + ini.string());
        }
    }
    {
        ScopedAtomicFileFaults faults({.failWriteAfter = 5});
        EXPECT_THROW(write("UsersName", "alice", "2"), Error);
    }
    EXPECT_EQ(ReadBytes(ini), before);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"VTR.ini"});
}

TEST_F(SettingsFile, UnreadableSettingsPathIsNeverOverwritten) {
    // Something that cannot be read as a file is at the path: reads fail
    // softly, and a write must not replace it with a file holding one key.
    fs::create_directory(ini);
    EXPECT_EQ(read("UsersName", "bob"), ReadFailureText());
    EXPECT_TRUE(ReadSectionKeys("UsersName", ini).empty());
    EXPECT_THROW(write("UsersName", "bob", "1"), Error);
    EXPECT_TRUE(fs::is_directory(ini));
}

TEST_F(SettingsFile, ReadOnlyFileAndFolderStillRead) {
    write("UsersName", "bob", "1");
    ASSERT_EQ(::chmod(ini.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(folder.path().c_str(), 0555), 0);
    EXPECT_EQ(read("UsersName", "bob"), "1");
    EXPECT_EQ(ReadSectionKeys("UsersName", ini), std::vector<std::string>{"bob"});
    if (test::RunningAsRoot()) {
        GTEST_SKIP() << "root may write anyway; FailedWriteRaisesUnableToWrite covers the error";
    }
    EXPECT_THROW(write("UsersName", "alice", "2"), Error);
    ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
    // A read-only file in a writable folder is not replaced either.
    EXPECT_THROW(write("UsersName", "alice", "2"), Error);
    EXPECT_EQ(ReadBytes(ini), "[UsersName]\r\nbob=1\r\n");
}

} // namespace
} // namespace vantrel
