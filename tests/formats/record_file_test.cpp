#include "base/atomic_file.h"
#include "base/cp1251.h"
#include "base/error.h"
#include "cipher/crypt_lib.h"
#include "formats/program_cipher.h"
#include "formats/record_file.h"
#include "formats/record_stream.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sys/stat.h>

namespace vantrel {
namespace {

using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

namespace fs = std::filesystem;

Record record(std::string number, std::vector<std::string> fields) {
    return Record{std::move(number), std::move(fields)};
}

// What loading gives back for a saved record: fields lose every character
// <= 0x20 at both ends; numbers stay as they are.
Record trimmed(Record r) {
    for (std::string& field : r.fields) {
        const auto keep = [](char c) { return static_cast<unsigned char>(c) > 0x20; };
        const auto first = std::find_if(field.begin(), field.end(), keep);
        const auto last = std::find_if(field.rbegin(), field.rend(), keep).base();
        field = first < last ? std::string(first, last) : std::string();
    }
    return r;
}

RecordList manyRecords(std::size_t count) {
    std::mt19937 random(7);
    const std::string alphabet = Utf8ToCp1251("abcXYZ019 !#=[];АбвЁё№\t");
    const auto text = [&](std::size_t length) {
        std::string s;
        for (std::size_t i = 0; i < length; ++i) {
            s += alphabet[random() % alphabet.size()];
        }
        return s;
    };
    RecordList records;
    for (std::size_t i = 0; i < count; ++i) {
        records.push_back(record(std::to_string(i + 1),
                                 {text(random() % 12), text(random() % 20), text(random() % 30),
                                  "  .  .  ", "01.02.2025", i % 3 == 0 ? " " : text(40)}));
    }
    return records;
}

TEST(RecordText, LayoutOfOneRecord) {
    const RecordList records{record("3", {"name", "pwd", "res", "01.01.2024", "  .  .  ", " "})};
    EXPECT_EQ(FormatRecordText(records),
              "3\r\n\tname\r\n\tpwd\r\n\tres\r\n\t01.01.2024\r\n\t  .  .  \r\n\t \r\n");
    EXPECT_EQ(FormatRecordText({}), "");
}

TEST(RecordText, RoundTripGivesTrimmedFields) {
    const RecordList records = manyRecords(2000);
    const RecordList loaded = ParseRecordText(FormatRecordText(records));
    ASSERT_EQ(loaded.size(), records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        ASSERT_EQ(loaded[i], trimmed(records[i])) << i;
    }
    EXPECT_EQ(loaded[0].fields[kFieldNote], "");          // the " " placeholder
    EXPECT_EQ(loaded[0].fields[kFieldStartDate], ".  ."); // empty date field
}

TEST(RecordText, RecordsWithAnyNumberOfFields) {
    const RecordList records{record("1", {}), record("2", {"a"}),
                             record("3", {"1", "2", "3", "4", "5", "6", "7", "8"}),
                             record("4", {"", "", ""})};
    EXPECT_EQ(ParseRecordText(FormatRecordText(records)), records);
}

TEST(RecordText, AllLineEndsAreEqual) {
    const RecordList expected{record("1", {"a", "b"}), record("2", {"c"})};
    EXPECT_EQ(ParseRecordText("1\r\n\ta\r\n\tb\r\n2\r\n\tc\r\n"), expected);
    EXPECT_EQ(ParseRecordText("1\n\ta\n\tb\n2\n\tc\n"), expected);
    EXPECT_EQ(ParseRecordText("1\r\ta\r\tb\r2\r\tc\r"), expected);
    EXPECT_EQ(ParseRecordText("1\r\ta\n\tb\r\n2\n\tc"), expected); // mixed, no last line end
}

TEST(RecordText, LfCrIsTwoLineEnds) {
    // "\n\r" ends one line and then an empty one: a record with an empty number.
    EXPECT_EQ(ParseRecordText("1\n\r\tx\r\n"), (RecordList{record("1", {}), record("", {"x"})}));
}

TEST(RecordText, NumberLinesAreNotTrimmed) {
    EXPECT_EQ(ParseRecordText(" 7 \x01\r\n\t x \r\n"), (RecordList{record(" 7 \x01", {"x"})}));
}

TEST(RecordText, FieldLinesLoseControlCharactersAtBothEnds) {
    EXPECT_EQ(ParseRecordText("1\r\n\t\t \x01 in  side \x1F\x7F\x20\r\n\t\r\n\t   \r\n"),
              (RecordList{record("1", {"in  side \x1F\x7F", "", ""})}));
}

// The records of a text that arrives in pieces of 1 to 7 bytes.
RecordList parseInPieces(std::string_view bytes, std::mt19937& random) {
    RecordList records;
    RecordTextSplitter splitter(
        [&records](const RecordView& view) { AppendRecord(records, view); });
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t n = std::min<std::size_t>(1 + random() % 7, bytes.size() - at);
        splitter.add(bytes.substr(at, n));
        at += n;
    }
    splitter.finish();
    return records;
}

// Parsing the text of a parsed list gives the same list: what any bytes load
// as can be saved and loaded again unchanged. Read in pieces, the text gives
// the same list as read whole.
void expectStable(std::string_view bytes) {
    const RecordList once = ParseRecordText(bytes);
    std::mt19937 random(static_cast<unsigned>(bytes.size()));
    ASSERT_EQ(parseInPieces(bytes, random), once);
    const std::string text = FormatRecordText(once);
    const RecordList twice = ParseRecordText(text);
    ASSERT_EQ(twice, once);
    EXPECT_EQ(FormatRecordText(twice), text);
}

TEST(RecordText, NulEndsTheText) {
    expectStable(std::string("1\r\n\ta\0b\r\n2\r\n", 13));
    EXPECT_EQ(ParseRecordText(std::string("1\r\n\ta\0b\r\n2\r\n", 13)),
              (RecordList{record("1", {"a"})}));
    EXPECT_EQ(ParseRecordText(std::string("\0 1\r\n", 5)), RecordList{});
}

TEST(RecordText, HandMadeTextStaysConsistent) {
    for (const char* text :
         {"\tlost\r\n\tfound\r\n1\r\n\r\n\tx\r\n", "1\r\r\n\t\r2\n\r\n", "\r\n", "1"}) {
        expectStable(text);
    }
    // An empty line starts a record with an empty number; fields before any
    // number line get a record with an empty number to hold them.
    EXPECT_EQ(ParseRecordText("\tlost\r\n\tfound\r\n1\r\n\r\n\tx\r\n"),
              (RecordList{record("", {"lost", "found"}), record("1", {}), record("", {"x"})}));
    EXPECT_EQ(ParseRecordText("\r\n"), RecordList{record("", {})});
    EXPECT_EQ(ParseRecordText("1"), RecordList{record("1", {})});
    EXPECT_EQ(ParseRecordText(""), RecordList{});
}

TEST(RecordText, ArbitraryBytesParseConsistently) {
    std::mt19937 random(11);
    for (int round = 0; round < 200; ++round) {
        std::string bytes(random() % 2000, '\0');
        for (char& c : bytes) {
            // Favour the bytes that matter to the parser.
            const unsigned pick = random() % 8;
            c = pick == 0   ? '\r'
                : pick == 1 ? '\n'
                : pick == 2 ? '\t'
                : pick == 3 ? ' '
                            : char(random());
        }
        expectStable(bytes);
    }
}

TEST(RecordText, HundredMegabyteLineIsOneNumber) {
    std::string bytes(100u << 20, '7');
    bytes += "\r\n\tfield";
    const RecordList records = ParseRecordText(bytes);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].number.size(), 100u << 20);
    EXPECT_EQ(records[0].fields, std::vector<std::string>{"field"});
}

TEST(RecordText, WhatCanBeARecordFile) {
    const struct {
        std::string text;
        bool fits;
    } cases[] = {
        {FormatRecordText({record("1", {"a", "", "c\td", "  .  .  ", "", " "})}), true},
        {"1", true},
        {"\r\n\tfield before any number\r\n", true}, // an empty number line
        {Utf8ToCp1251("12\n\tПароль №5 ёЁ\x7f\n"), true},
        {"", false},
        {"\tonly\r\n\tfields\r\n", false},
        {std::string("1\r\n\tna\0me\r\n", 12), false},
        {"1\r\n\tname\x1b[2J\r\n", false},
        {"1\x01\r\n", false},
        {"1\r\n\t\x1f\r\n", false},
        {"\tx\r\n\t", false},
        {"\tx\r", false},
        {"\tx\r\r", true}, // a lone CR, then an empty line
        {"\tx\n\n", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CanBeRecordText(c.text), c.fits) << c.text;
        // The same judgement when the text arrives in two pieces, cut anywhere.
        for (std::size_t cut = 0; cut <= c.text.size(); ++cut) {
            RecordTextCheck check;
            check.add(std::string_view(c.text).substr(0, cut));
            check.add(std::string_view(c.text).substr(cut));
            EXPECT_EQ(check.passed(), c.fits) << c.text << " cut at " << cut;
        }
    }
}

TEST(RecordFileNames, ExtensionRule) {
    constexpr auto plain = RecordFileKind::PlainText;
    constexpr auto encrypted = RecordFileKind::Encrypted;
    const struct {
        const char* path;
        RecordFileKind kind;
    } cases[] = {
        {"/home/u/list.txt", plain},
        {"list.txt", plain},
        {"/home/u/.txt", plain},
        {"/home/u/a.b.txt", plain},
        {"/home/u/list.TXT", encrypted},
        {"/home/u/list.Txt", encrypted},
        {"/home/u/list", encrypted},
        {"/home/u/list.txt.vtr", encrypted},
        {"/home/u/list.vtr", encrypted},
        {"/home/u/listtxt", encrypted},
        {"/home/u/list.", encrypted},
        {"/home/dir.txt/list", encrypted}, // a dot in a folder name
        {"", encrypted},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RecordFileKindOfPath(c.path), c.kind) << c.path;
    }
}

class RecordFile : public ::testing::Test {
protected:
    static TCryptLib cipher(const std::string& password) {
        TCryptLib lib;
        ConfigureProgramCipher(lib, password);
        return lib;
    }

    TempFolder folder;
    fs::path file = folder / "records.vtr";
    TCryptLib unkeyed; // for plain text, which is not encrypted
};

TEST_F(RecordFile, PlainSaveAndLoad) {
    const RecordList records = manyRecords(3000); // written in several pieces
    WriteRecordFile(file, RecordFileKind::PlainText, unkeyed, records);
    EXPECT_EQ(ReadBytes(file), FormatRecordText(records));
    const RecordList loaded = ReadRecordFile(file, RecordFileKind::PlainText, unkeyed).records;
    ASSERT_EQ(loaded.size(), records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(loaded[i], trimmed(records[i]));
    }
}

TEST_F(RecordFile, EmptyListIsAnEmptyFile) {
    WriteBytes(file, "old content");
    WriteRecordFile(file, RecordFileKind::PlainText, unkeyed, {});
    EXPECT_EQ(ReadBytes(file), "");
    EXPECT_TRUE(ReadRecordFile(file, RecordFileKind::PlainText, unkeyed).records.empty());
}

TEST_F(RecordFile, EncryptedSaveAndLoad) {
    TCryptLib lib = cipher(Utf8ToCp1251("Пароль1"));
    for (std::size_t count : {std::size_t{0}, std::size_t{1}, std::size_t{5000}}) {
        const RecordList records = manyRecords(count);
        WriteRecordFile(file, RecordFileKind::Encrypted, lib, records);
        const std::string stored = ReadBytes(file);
        if (count > 0) {
            EXPECT_EQ(stored.find("01.02.2025"), std::string::npos) << "stored in the clear";
        } else {
            EXPECT_EQ(stored, "");
        }
        TCryptLib reader = cipher(Utf8ToCp1251("Пароль1"));
        const LoadedRecordFile read = ReadRecordFile(file, RecordFileKind::Encrypted, reader);
        EXPECT_TRUE(read.plausible) << count;
        const RecordList& loaded = read.records;
        ASSERT_EQ(loaded.size(), count);
        for (std::size_t i = 0; i < count; ++i) {
            ASSERT_EQ(loaded[i], trimmed(records[i])) << i;
        }
    }
}

// For every kind: the records of a written file are walked as they were
// saved, copied to plain text and back, and keep the mode of their kind.
TEST_F(RecordFile, EveryKindWalksCopiesAndKeepsItsMode) {
    const struct {
        RecordFileKind kind;
        mode_t modeOverReadable;
    } kinds[] = {{RecordFileKind::PlainText, 0600}, {RecordFileKind::Encrypted, 0644}};
    TCryptLib lib = cipher("pwd");
    const RecordList saved = ParseRecordText(FormatRecordText(manyRecords(3000)));
    for (const auto& [kind, modeOverReadable] : kinds) {
        const auto mode = [](const fs::path& path) {
            struct stat info {};
            EXPECT_EQ(::stat(path.c_str(), &info), 0);
            return info.st_mode & 07777;
        };
        WriteBytes(file, "old");
        ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
        WriteRecordFile(file, kind, lib, saved);
        EXPECT_EQ(mode(file), modeOverReadable);

        RecordList walked;
        ForEachRecordInContent(ReadBytes(file), kind, lib,
                               [&walked](const RecordView& view) { AppendRecord(walked, view); });
        EXPECT_EQ(walked, saved);

        const fs::path copy = folder / "copy.txt";
        WritePlainTextCopy(copy, ReadBytes(file), kind, lib);
        EXPECT_EQ(ReadBytes(copy), FormatRecordText(saved));
        const fs::path back = folder / "back";
        WriteRecordFileFromText(back, kind, lib, ReadBytes(copy));
        EXPECT_EQ(ReadBytes(back), ReadBytes(file));
        EXPECT_EQ(mode(back), 0600u); // a new file
        fs::remove(back);
    }
}

TEST_F(RecordFile, WrongPasswordIsNoticedForShortAndLongLists) {
    for (std::size_t count : {std::size_t{1}, std::size_t{2}, std::size_t{40}}) {
        for (const char* password : {"wrong", "righT", "", "qwert", "123456789012"}) {
            TCryptLib writer = cipher("right");
            WriteRecordFile(file, RecordFileKind::Encrypted, writer, manyRecords(count));
            TCryptLib reader = cipher(password);
            EXPECT_FALSE(ReadRecordFile(file, RecordFileKind::Encrypted, reader).plausible)
                << count << " " << password;
        }
    }
}

TEST_F(RecordFile, WrongPasswordLoadsSomeConsistentList) {
    TCryptLib writer = cipher("right");
    WriteRecordFile(file, RecordFileKind::Encrypted, writer, manyRecords(500));
    TCryptLib reader = cipher("wrong");
    const RecordList loaded = ReadRecordFile(file, RecordFileKind::Encrypted, reader).records;
    EXPECT_EQ(ParseRecordText(FormatRecordText(loaded)), loaded);
    // Saving that list under the current password and loading it again gives
    // the same list.
    WriteRecordFile(file, RecordFileKind::Encrypted, reader, loaded);
    EXPECT_EQ(ReadRecordFile(file, RecordFileKind::Encrypted, reader).records, loaded);
}

TEST_F(RecordFile, GarbageFileLoadsWithoutError) {
    std::mt19937 random(3);
    std::string bytes(100000, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    WriteBytes(file, bytes);
    TCryptLib lib = cipher("pwd");
    const LoadedRecordFile encrypted = ReadRecordFile(file, RecordFileKind::Encrypted, lib);
    EXPECT_FALSE(encrypted.plausible);
    EXPECT_EQ(ParseRecordText(FormatRecordText(encrypted.records)), encrypted.records);
    // Plain text is shown as it is: no password can be wrong.
    const LoadedRecordFile plain = ReadRecordFile(file, RecordFileKind::PlainText, unkeyed);
    EXPECT_TRUE(plain.plausible);
    EXPECT_EQ(plain.records, ParseRecordText(bytes));
}

TEST_F(RecordFile, MissingFileCannotBeOpened) {
    try {
        ReadRecordFile(folder / "missing.vtr", RecordFileKind::PlainText, unkeyed);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot open file " + (folder / "missing.vtr").string());
    }
}

TEST_F(RecordFile, FailedSaveKeepsTheOldFile) {
    const RecordList old = manyRecords(10);
    WriteRecordFile(file, RecordFileKind::PlainText, unkeyed, old);
    const std::string before = ReadBytes(file);
    for (const AtomicFileFaults& fault :
         {AtomicFileFaults{.failWriteAfter = 3}, AtomicFileFaults{.failRename = true}}) {
        ScopedAtomicFileFaults faults(fault);
        try {
            WriteRecordFile(file, RecordFileKind::PlainText, unkeyed, manyRecords(100));
            FAIL() << "no error";
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()), "Cannot create file " + file.string());
        }
        EXPECT_EQ(ReadBytes(file), before);
        EXPECT_EQ(folder.entries(), std::vector<std::string>{"records.vtr"});
    }
}

TEST_F(RecordFile, SaveIntoReadOnlyFolderFails) {
    WriteRecordFile(file, RecordFileKind::PlainText, unkeyed, manyRecords(10));
    const std::string before = ReadBytes(file);
    if (test::RunningAsRoot()) {
        GTEST_SKIP() << "root ignores permission bits; FailedSaveKeepsTheOldFile covers the error";
    }
    ASSERT_EQ(::chmod(folder.path().c_str(), 0555), 0);
    EXPECT_THROW(WriteRecordFile(file, RecordFileKind::PlainText, unkeyed, manyRecords(20)), Error);
    EXPECT_THROW(
        WriteRecordFile(folder / "new.vtr", RecordFileKind::PlainText, unkeyed, manyRecords(20)),
        Error);
    ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
    EXPECT_EQ(ReadBytes(file), before);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"records.vtr"});
}

TEST(WipeDigits, BufferHoldsOnlyDigitsAtLeastOneMoreThanBefore) {
    for (std::size_t n : {0u, 1u, 9u, 10u, 11u, 1000u, 100000u}) {
        std::string buffer(n, 'Z');
        OverwriteWithDigits(buffer);
        EXPECT_GE(buffer.size(), n + 1);
        EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](char c) {
            return c >= '0' && c <= '9';
        })) << n;
    }
    std::string empty;
    OverwriteWithDigits(empty);
    EXPECT_EQ(empty, "0");
}

class Wipe : public ::testing::Test {
protected:
    // Wipes the file and returns its content as it was on disk just before
    // the deletion.
    std::string wipe() {
        struct stat before {};
        EXPECT_EQ(::stat(file.c_str(), &before), 0);
        std::string seen;
        const auto message = WipeFile(file, [&] {
            struct stat now {};
            EXPECT_EQ(::stat(file.c_str(), &now), 0);
            EXPECT_EQ(now.st_ino, before.st_ino) << "not overwritten in place";
            seen = ReadBytes(file);
        });
        EXPECT_FALSE(message.has_value());
        EXPECT_FALSE(fs::exists(file));
        return seen;
    }

    TempFolder folder;
    fs::path file = folder / "import.txt";
};

TEST_F(Wipe, EmptyFileBecomesTheDigitZeroThenGoes) {
    WriteBytes(file, "");
    EXPECT_EQ(wipe(), "0");
}

TEST_F(Wipe, ContentIsReplacedByDigitsThenDeleted) {
    const std::string secret = FormatRecordText(manyRecords(200));
    WriteBytes(file, secret);
    const std::string seen = wipe();
    EXPECT_GE(seen.size(), secret.size() + 1);
    EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](char c) { return c >= '0' && c <= '9'; }));
    EXPECT_TRUE(folder.entries().empty());
}

TEST_F(Wipe, MissingFileGivesTheMessageAndDeletesNothing) {
    const auto message = WipeFile(file);
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(*message, "Ошибка уничтожения файла\rФайл " + file.string() + " не был найден.");
}

TEST_F(Wipe, FolderThatMayNotBeSearchedIsAnErrorNotAMissingFile) {
    if (test::RunningAsRoot()) {
        GTEST_SKIP() << "root may search any folder";
    }
    WriteBytes(file, "secret");
    ASSERT_EQ(::chmod(folder.path().c_str(), 0), 0);
    EXPECT_THROW(WipeFile(file), Error);
    ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
    EXPECT_EQ(ReadBytes(file), "secret");
}

TEST_F(Wipe, UnreadableFileIsNotDeleted) {
    if (test::RunningAsRoot()) {
        GTEST_SKIP() << "root can read any file";
    }
    WriteBytes(file, "secret");
    ASSERT_EQ(::chmod(file.c_str(), 0200), 0);
    EXPECT_THROW(WipeFile(file), Error);
    EXPECT_TRUE(fs::exists(file));
}

TEST_F(Wipe, FileThatCannotBeRewrittenIsNotDeleted) {
    if (test::RunningAsRoot()) {
        GTEST_SKIP() << "root can write any file";
    }
    WriteBytes(file, "secret");
    ASSERT_EQ(::chmod(file.c_str(), 0400), 0);
    EXPECT_THROW(WipeFile(file), Error);
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
    EXPECT_EQ(ReadBytes(file), "secret");
}

} // namespace
} // namespace vantrel
