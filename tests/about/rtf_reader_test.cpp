#include "about/rtf_reader.h"

#include "base/error.h"

#include <gtest/gtest.h>

#include <string>

namespace vantrel {
namespace {

std::string textOf(std::string_view rtf) {
    return ReadRtf(rtf).plainText();
}

// The document's runs, all paragraphs together.
std::vector<RtfRun> runsOf(std::string_view rtf) {
    std::vector<RtfRun> runs;
    for (const RtfParagraph& paragraph : ReadRtf(rtf).paragraphs) {
        runs.insert(runs.end(), paragraph.runs.begin(), paragraph.runs.end());
    }
    return runs;
}

TEST(RtfReader, TypicalLicenceHeaderAndStyledText) {
    const std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049"
        "{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}{\\f1\\fnil Symbol;}}\r\n"
        "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue128;}\r\n"
        "{\\*\\generator Writer 5.1;}{\\info{\\title Licence}{\\author Somebody}}\r\n"
        "\\viewkind4\\uc1\\pard\\f0\\fs20 Hello \\b bold\\b0  end\\par\r\n"
        "Second\\par\r\n}";
    const RtfDocument document = ReadRtf(rtf);
    ASSERT_EQ(document.paragraphs.size(), 2u);
    EXPECT_EQ(document.paragraphs[0].text(), "Hello bold end");
    EXPECT_EQ(document.paragraphs[1].text(), "Second");
    const auto& runs = document.paragraphs[0].runs;
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_FALSE(runs[0].style.bold);
    EXPECT_TRUE(runs[1].style.bold);
    EXPECT_EQ(runs[1].text, "bold");
    EXPECT_FALSE(runs[2].style.bold);
    EXPECT_EQ(runs[0].style.halfPoints, 20);
}

TEST(RtfReader, CharacterStylesFollowGroupsAndSwitches) {
    const auto runs = runsOf("{\\rtf1 a{\\b b{\\i c}}d\\ul e\\ul0 f\\ul g\\ulnone h\\uldb i"
                             "\\b\\i j\\plain k\\fs32 l}");
    std::string flags;
    for (const RtfRun& run : runs) {
        flags += run.text + ":" + (run.style.bold ? "b" : "") + (run.style.italic ? "i" : "") +
                 (run.style.underline ? "u" : "") + std::to_string(run.style.halfPoints) + " ";
    }
    EXPECT_EQ(flags, "a:0 b:b0 c:bi0 d:0 e:u0 f:0 g:u0 h:0 i:u0 j:biu0 k:0 l:32 ");
}

TEST(RtfReader, ColoursComeFromTheColourTable) {
    const auto runs =
        runsOf("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue255;}"
               "\\cf1 red\\cf2 blue\\cf0 auto\\cf7 missing}");
    ASSERT_EQ(runs.size(), 3u); // "auto" and "missing" share the default colour
    EXPECT_EQ(runs[0].style.color, (RtfColor{255, 0, 0}));
    EXPECT_EQ(runs[1].style.color, (RtfColor{0, 128, 255}));
    EXPECT_EQ(runs[2].text, "automissing");
    EXPECT_FALSE(runs[2].style.color);
    // A last entry without ";" still counts.
    EXPECT_EQ(runsOf("{\\rtf1{\\colortbl\\red1\\green2\\blue3}\\cf0 x}")[0].style.color,
              (RtfColor{1, 2, 3}));
}

TEST(RtfReader, Cp1251Bytes) {
    EXPECT_EQ(textOf("{\\rtf1 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2, \\'A8\\'b8}"), "Привет, Ёё");
    // Bytes above 0x7F written as they are are 1251 too.
    EXPECT_EQ(textOf("{\\rtf1 \xcc\xe8\xf0}"), "Мир");
    // A broken escape is dropped, not turned into something else.
    EXPECT_EQ(textOf("{\\rtf1 a\\'zzb}"), "azzb");
    EXPECT_EQ(textOf("{\\rtf1 a\\'4"), "a4");
}

TEST(RtfReader, UnicodeCharactersAndTheirReplacements) {
    EXPECT_EQ(textOf("{\\rtf1 \\u1055?\\u1088?\\u1080?}"), "При");
    // The replacement may be a \'hh byte; the count is \ucN and is kept per group.
    EXPECT_EQ(textOf("{\\rtf1 \\u1055\\'cf!}"), "П!");
    EXPECT_EQ(textOf("{\\rtf1 {\\uc2 \\u1055??}\\u1088?x}"), "Прx");
    EXPECT_EQ(textOf("{\\rtf1 \\uc0\\u1055 \\u1088 x}"), "Прx");
    // Negative values are the upper half of 16 bits; surrogate pairs combine.
    EXPECT_EQ(textOf("{\\rtf1 \\u-3913?}"), "\uF0B7");
    EXPECT_EQ(textOf("{\\rtf1 \\u-10179?\\u-8704?}"), "\U0001F600");
    // A lone half of a pair becomes the replacement character.
    EXPECT_EQ(textOf("{\\rtf1 \\u-10179?x}"), "\uFFFDx");
    EXPECT_EQ(textOf("{\\rtf1 \\u-8704?x}"), "\uFFFDx");
    // A group boundary ends the skip.
    EXPECT_EQ(textOf("{\\rtf1 \\uc3\\u1055{x}}"), "Пx");
}

TEST(RtfReader, BreaksTabsAndSymbols) {
    const RtfDocument document =
        ReadRtf("{\\rtf1 a\\line b\\tab c\\par d\\~e\\-f\\_g\\{\\}\\\\\\emdash\\ldblquote "
                "q\\rdblquote\\bullet\\\nh}");
    ASSERT_EQ(document.paragraphs.size(), 3u);
    EXPECT_EQ(document.paragraphs[0].text(), "a\nb\tc");
    EXPECT_EQ(document.paragraphs[1].text(), "d\u00A0ef\u2011g{}\\\u2014\u201Cq\u201D\u2022");
    EXPECT_EQ(document.paragraphs[2].text(), "h");
    // Line ends of the source are no text; a literal tab is a tab.
    EXPECT_EQ(textOf("{\\rtf1 one\r\ntwo\tthree}"), "onetwo\tthree");
    // A closing \par makes no empty paragraph, a second one does.
    EXPECT_EQ(ReadRtf("{\\rtf1 a\\par}").paragraphs.size(), 1u);
    EXPECT_EQ(textOf("{\\rtf1 a\\par\\par}"), "a\n");
}

TEST(RtfReader, SkippedDestinationsAndFields) {
    EXPECT_EQ(textOf("{\\rtf1{\\stylesheet{\\s0 Normal;}}{\\*\\unknown secret {nested}}"
                     "{\\pict\\wmetafile8 0123abcd}{\\header top}"
                     "{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}} shown}"),
              "link shown");
    // Binary data may hold braces and backslashes; it is passed over whole.
    EXPECT_EQ(textOf("{\\rtf1 a{\\*\\blip\\bin5 }}\\{x}b}"), "ab");
    EXPECT_EQ(textOf("{\\rtf1 a\\bin4 }\\{xb}"), "ab");
    EXPECT_EQ(textOf("{\\rtf1 a\\bin999"), "a");
}

TEST(RtfReader, Alignment) {
    const RtfDocument document = ReadRtf("{\\rtf1\\pard\\qc Title\\par\\pard Body\\par\\qr r\\par"
                                         "{\\qj j\\par}after}");
    ASSERT_EQ(document.paragraphs.size(), 5u);
    EXPECT_EQ(document.paragraphs[0].alignment, RtfAlignment::Center);
    EXPECT_EQ(document.paragraphs[1].alignment, RtfAlignment::Left);
    EXPECT_EQ(document.paragraphs[2].alignment, RtfAlignment::Right);
    EXPECT_EQ(document.paragraphs[3].alignment, RtfAlignment::Justify);
    EXPECT_EQ(document.paragraphs[4].alignment, RtfAlignment::Right);
}

TEST(RtfReader, LenientWithTornOrTrailingInput) {
    EXPECT_EQ(textOf("{\\rtf1 unclosed {\\b group"), "unclosed group");
    EXPECT_EQ(textOf("{\\rtf1 done} ignored {more}"), "done");
    EXPECT_EQ(textOf("{\\rtf1 end\\"), "end");
    EXPECT_EQ(textOf("{\\rtf1 a\\zzunknownword99 b}"), "ab");
    // Overlong words and numbers do not run away.
    EXPECT_EQ(textOf("{\\rtf1 \\fs99999999999999999999 x}"), "9999999999 x");
    EXPECT_EQ(textOf("{\\rtf1 -\\b- x}"), "-- x");
    EXPECT_EQ(ReadRtf("{\\rtf1}").plainText(), "");
}

TEST(RtfReader, RefusesWhatIsNoRichText) {
    EXPECT_FALSE(IsRtfText("plain text"));
    EXPECT_FALSE(IsRtfText(" {\\rtf1}"));
    EXPECT_TRUE(IsRtfText("{\\rtf1}"));
    EXPECT_THROW(ReadRtf("plain text"), Error);
    EXPECT_THROW(ReadRtf(""), Error);
    // Nesting past the limit is refused rather than exhausting memory.
    const std::string deep =
        "{\\rtf1 " + std::string(kMaxRtfDepth + 1, '{') + "x" + std::string(kMaxRtfDepth + 1, '}');
    try {
        ReadRtf(deep);
        FAIL() << "deep nesting accepted";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "Failed to Load Stream");
    }
    const std::string allowed =
        "{\\rtf1 " + std::string(kMaxRtfDepth - 2, '{') + "x" + std::string(kMaxRtfDepth - 2, '}');
    EXPECT_EQ(textOf(allowed), "x");
}

} // namespace
} // namespace vantrel
