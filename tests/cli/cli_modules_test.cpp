// The modules of vantrel-cli, called directly.
#include "base/error.h"
#include "cli/cli_args.h"
#include "cli/password_input.h"
#include "cli/terminal_text.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vantrel::cli {
namespace {

const CommandSpec kSpec{"copy",
                        {"IN"},
                        {{"output", "OUT", "", 'o', true}, {"force", "", ""}, {"count", "N", ""}},
                        "Copies.\nMore."};

Arguments Parse(std::vector<std::string> words) {
    return ParseArguments(kSpec, words);
}

std::string UsageMessage(std::vector<std::string> words) {
    try {
        Parse(std::move(words));
    } catch (const UsageError& e) {
        return e.what();
    }
    return "(accepted)";
}

TEST(ParseArguments, OperandsAndOptionsInAnyOrder) {
    const Arguments a = Parse({"--force", "in.txt", "-o", "out.vtr"});
    EXPECT_EQ(a.operands, std::vector<std::string>{"in.txt"});
    EXPECT_EQ(a.Value("output"), "out.vtr");
    EXPECT_TRUE(a.Flag("force"));
    EXPECT_FALSE(a.Value("count").has_value());

    const Arguments b = Parse({"--output=x=y", "--count", "-5", "--", "-in-"});
    EXPECT_EQ(b.Value("output"), "x=y");
    EXPECT_EQ(b.Value("count"), "-5"); // a value may start with "-"
    EXPECT_EQ(b.operands, std::vector<std::string>{"-in-"});
    EXPECT_FALSE(b.Flag("force"));

    EXPECT_EQ(Parse({"-", "-o", ""}).operands, std::vector<std::string>{"-"});
    // Help needs neither operands nor required options, and ends the parsing.
    EXPECT_TRUE(Parse({"--help"}).help);
    EXPECT_TRUE(Parse({"in", "-h", "--bogus"}).help);
}

TEST(ParseArguments, MistakesAreUsageErrors) {
    EXPECT_EQ(UsageMessage({"in", "-o", "x", "--bogus"}), "unknown option '--bogus' for 'copy'");
    EXPECT_EQ(UsageMessage({"in", "-o", "x", "-f"}), "unknown option '-f' for 'copy'");
    EXPECT_EQ(UsageMessage({"in", "-o"}), "option --output needs a value (OUT)");
    EXPECT_EQ(UsageMessage({"in", "-o", "x", "--force=yes"}), "option --force takes no value");
    EXPECT_EQ(UsageMessage({"in", "-o", "x", "--force", "--force"}),
              "option --force is given twice");
    EXPECT_EQ(UsageMessage({"in", "-o", "x", "--output", "y"}), "option --output is given twice");
    EXPECT_EQ(UsageMessage({"in"}), "the option -o OUT is missing");
    EXPECT_EQ(UsageMessage({"-o", "x"}), "missing operand for 'copy' (expected IN)");
    EXPECT_EQ(UsageMessage({"a", "b", "-o", "x"}), "too many operands for 'copy' (expected IN)");
}

TEST(ParseArguments, LeadingOperandsMayBeLeftOut) {
    const CommandSpec pair{"pair", {"SETTINGS", "NAME"}, {}, "Pairs.", 1};
    EXPECT_EQ(ParseArguments(pair, std::vector<std::string>{"n"}).operands,
              std::vector<std::string>{"n"});
    EXPECT_EQ(ParseArguments(pair, std::vector<std::string>{"s", "n"}).operands,
              (std::vector<std::string>{"s", "n"}));
    for (const auto& [words, message] :
         std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{}, "missing operand for 'pair' (expected [SETTINGS] NAME)"},
             {{"a", "b", "c"}, "too many operands for 'pair' (expected [SETTINGS] NAME)"}}) {
        try {
            ParseArguments(pair, words);
            ADD_FAILURE() << "accepted " << words.size() << " operands";
        } catch (const UsageError& e) {
            EXPECT_EQ(e.what(), message);
        }
    }
    const std::string help = CommandHelp(pair);
    EXPECT_EQ(help.substr(0, help.find('\n')), "Usage: vantrel-cli pair [SETTINGS] NAME [options]");
}

TEST(ParseNumber, RangeAndForm) {
    EXPECT_EQ(ParseNumber("min", "1", 1, 100), 1);
    EXPECT_EQ(ParseNumber("min", "100", 1, 100), 100);
    EXPECT_EQ(ParseNumber("key", "-2147483648", INT32_MIN, INT32_MAX), INT32_MIN);
    for (const char* bad :
         {"0", "101", "", " 5", "5 ", "5x", "+5", "0x10", "1e2", "99999999999999999999999"}) {
        EXPECT_THROW(ParseNumber("min", bad, 1, 100), UsageError) << bad;
    }
    try {
        ParseNumber("max", "abc", 1, 100);
    } catch (const UsageError& e) {
        EXPECT_STREQ(e.what(), "--max needs a whole number from 1 to 100, not 'abc'");
    }
}

TEST(CommandHelp, ShowsUsageSummaryAndOptions) {
    const std::string help = CommandHelp(kSpec);
    EXPECT_EQ(help.substr(0, help.find('\n')), "Usage: vantrel-cli copy IN -o OUT [options]");
    EXPECT_NE(help.find("Copies.\nMore.\n"), std::string::npos);
    EXPECT_NE(help.find("  -o, --output OUT"), std::string::npos);
    EXPECT_NE(help.find("  --count N"), std::string::npos);
    EXPECT_NE(help.find("--help"), std::string::npos);
}

TEST(TerminalText, ControlCharactersAreEscaped) {
    EXPECT_EQ(EscapeControls("a\x1b[31mb"), "a\\x1b[31mb");
    EXPECT_EQ(EscapeControls(std::string("\0\t\n\r\x7f", 5)), "\\x00\\x09\\x0a\\x0d\\x7f");
    EXPECT_EQ(EscapeControls("C:\\dir\\x1b ~"), "C:\\dir\\x1b ~"); // backslashes stay
    EXPECT_EQ(EscapeControls("Имя"), "Имя");
    // Bytes that are not well-formed UTF-8: stray, cut off, overlong, surrogate.
    EXPECT_EQ(EscapeControls("a\xff\xd0"), "a\\xff\\xd0");
    EXPECT_EQ(EscapeControls("\xc0\xaf \xed\xa0\x80 \xf4\x90\x80\x80"),
              "\\xc0\\xaf \\xed\\xa0\\x80 \\xf4\\x90\\x80\\x80");
    EXPECT_EQ(EscapeControls("€ ☃ 😀"), "€ ☃ 😀");
    // 1251 bytes: "Пароль" then a BEL.
    EXPECT_EQ(TerminalText("\xCF\xE0\xF0\xEE\xEB\xFC\x07"), "Пароль\\x07");
    EXPECT_EQ(TerminalText("\x9b"), "›"); // 0x9B is a quotation mark in 1251, not a control
}

TEST(TerminalText, TableAlignsByCharactersNotBytes) {
    EXPECT_EQ(DisplayWidth("Пароль"), 6u);
    EXPECT_EQ(DisplayWidth("ab"), 2u);
    const std::string table =
        FormatTable({{"No.", "Name", "Note"}, {"1", "Иван", "x"}, {"12", "Jo", ""}});
    EXPECT_EQ(table, "No.  Name  Note\n"
                     "1    Иван  x\n"
                     "12   Jo\n");
    EXPECT_EQ(FormatTable({}), "");
    // A cell wider than kMaxAlignedWidth pads neither the header nor the other lines.
    const std::string huge(kMaxAlignedWidth + 1, 'x');
    EXPECT_EQ(FormatTable({{"No.", "Name"}, {huge, "a"}, {"7", "b"}}),
              "No.  Name\n" + huge + "  a\n7    b\n");
}

TEST(PasswordInput, FirstLineOfTheStream) {
    std::istringstream twoLines("secret\nnext\n");
    EXPECT_EQ(ReadPasswordLine(twoLines).value(), "secret");
    std::istringstream crlf(" with blanks \r\n");
    EXPECT_EQ(ReadPasswordLine(crlf).value(), " with blanks "); // never trimmed
    std::istringstream emptyLine("\n");
    EXPECT_EQ(ReadPasswordLine(emptyLine).value(), "");
    std::istringstream noLineEnd("last");
    EXPECT_EQ(ReadPasswordLine(noLineEnd).value(), "last");
    std::istringstream nothing("");
    EXPECT_THROW(ReadPasswordLine(nothing), Error);
    // An endless line (/dev/zero) ends with an error after a few KiB.
    std::istringstream longest(std::string(4096, 'x') + "\n");
    EXPECT_EQ(ReadPasswordLine(longest).value().size(), 4096u);
    std::istringstream tooLong(std::string(4097, '\0'));
    EXPECT_THROW(ReadPasswordLine(tooLong), Error);
}

TEST(PasswordInput, ConvertedTo1251OrRefusedWithoutShowingIt) {
    EXPECT_EQ(PasswordTo1251("пароль").value(), "\xEF\xE0\xF0\xEE\xEB\xFC");
    EXPECT_EQ(PasswordTo1251("a\\b").value(), "a\\b");
    try {
        PasswordTo1251("ab☃cd");
        FAIL() << "accepted";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).find("☃"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("Windows-1251"), std::string::npos);
    }
    EXPECT_THROW(PasswordTo1251("bad\xff"), Error);
}

} // namespace
} // namespace vantrel::cli
