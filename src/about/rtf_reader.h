#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A small reader for rich text (RTF) as licence texts use it: groups,
// paragraphs and line breaks, tabs, bold, italic, underline, font sizes,
// colours from the colour table, alignment, 1251 bytes as \'hh, \uN with its
// \ucN skip count, and the usual symbols. Font tables, style sheets, document
// info, pictures, fields' instructions and every \* destination are skipped.
// Output is UTF-8 text in styled runs; no rendering, no Qt.
namespace vantrel {

struct RtfColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const RtfColor&) const = default;
};

struct RtfStyle {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 0;            // \fsN; 0: the viewer's default size
    std::optional<RtfColor> color; // nullopt: the viewer's default colour
    bool operator==(const RtfStyle&) const = default;
};

enum class RtfAlignment { Left, Center, Right, Justify };

// A stretch of text in one style. "\t" is a tab, "\n" a line break inside the
// paragraph (\line).
struct RtfRun {
    std::string text;
    RtfStyle style;
    bool operator==(const RtfRun&) const = default;
};

struct RtfParagraph {
    RtfAlignment alignment = RtfAlignment::Left;
    std::vector<RtfRun> runs;
    std::string text() const;
};

struct RtfDocument {
    std::vector<RtfParagraph> paragraphs;
    // All paragraphs' text joined by "\n".
    std::string plainText() const;
};

// Whether the bytes are rich text: they start with "{\rtf".
bool IsRtfText(std::string_view bytes);

// Reads rich text. Lenient like word processors: text after the outermost group
// ends is ignored, unclosed groups end with the input, unknown control words
// are ignored. Throws vantrel::Error "Failed to Load Stream" when the bytes are
// not rich text or nest groups deeper than kMaxRtfDepth.
RtfDocument ReadRtf(std::string_view bytes);

inline constexpr std::size_t kMaxRtfDepth = 1000;

} // namespace vantrel
