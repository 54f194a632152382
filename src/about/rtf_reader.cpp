#include "about/rtf_reader.h"

#include "base/cp1251.h"
#include "base/error.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <iterator>
#include <utility>

namespace vantrel {

namespace {

constexpr const char* kLoadFailure = "Failed to Load Stream";
// Longest control word and parameter the reader accepts; longer ones are cut.
constexpr std::size_t kMaxWordLength = 32;
constexpr std::size_t kMaxParameterDigits = 10;

enum class Destination { Text, Skip, ColorTable };

struct GroupState {
    RtfStyle style;
    RtfAlignment alignment = RtfAlignment::Left;
    int unicodeSkip = 1; // \ucN: characters that stand in for one \uN
    Destination destination = Destination::Text;
};

// Destinations whose content is not document text.
constexpr std::string_view kSkippedDestinations[] = {
    "fonttbl",      "stylesheet",
    "info",         "pict",
    "header",       "headerl",
    "headerr",      "headerf",
    "footer",       "footerl",
    "footerr",      "footerf",
    "footnote",     "filetbl",
    "listtable",    "listoverridetable",
    "revtbl",       "rsidtbl",
    "generator",    "xmlnstbl",
    "themedata",    "colorschememapping",
    "latentstyles", "datastore",
    "mmathPr",      "object",
    "fldinst",      "pn",
    "shp",          "shpinst",
    "shppict",      "nonshppict",
    "bkmkstart",    "bkmkend",
    "template",     "userprops",
};

constexpr std::string_view kUnderlineWords[] = {
    "ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulth", "ulw", "ulwave",
};

// Control words that stand for one character.
struct SymbolWord {
    std::string_view word;
    const char* utf8;
};
constexpr SymbolWord kSymbolWords[] = {
    {"emdash", "\u2014"},  {"endash", "\u2013"},    {"bullet", "\u2022"},    {"lquote", "\u2018"},
    {"rquote", "\u2019"},  {"ldblquote", "\u201C"}, {"rdblquote", "\u201D"}, {"emspace", "\u2003"},
    {"enspace", "\u2002"}, {"qmspace", "\u2005"},
};

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexDigit(char c) {
    if (isDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

class Parser {
public:
    explicit Parser(std::string_view input) : in_(input) {}

    RtfDocument run() {
        document_.paragraphs.emplace_back();
        while (pos_ < in_.size() && !finished_) {
            const char c = in_[pos_++];
            switch (c) {
            case '{':
                openGroup();
                break;
            case '}':
                closeGroup();
                break;
            case '\\':
                controlSequence();
                break;
            case '\r':
            case '\n':
                break; // line ends of the source carry no meaning
            default:
                textByte(c);
                break;
            }
        }
        flushBytes();
        dropLoneHighSurrogate();
        if (document_.paragraphs.size() > 1 && document_.paragraphs.back().runs.empty()) {
            document_.paragraphs.pop_back(); // the \par that ends the last paragraph
        }
        return std::move(document_);
    }

private:
    GroupState& state() { return stack_.back(); }

    void openGroup() {
        pendingSkip_ = 0;
        if (stack_.size() > kMaxRtfDepth) {
            throw Error(kLoadFailure);
        }
        stack_.push_back(stack_.back());
    }

    void closeGroup() {
        pendingSkip_ = 0;
        flushBytes();
        if (state().destination == Destination::ColorTable && colorComponentSet_) {
            colors_.push_back(currentColor_); // a last entry without ";"
            colorComponentSet_ = false;
        }
        // The bottom entry stands for the outside of the outermost group.
        if (stack_.size() <= 2) {
            finished_ = stack_.size() == 2;
            if (finished_) {
                stack_.pop_back();
            }
            return;
        }
        stack_.pop_back();
    }

    void controlSequence() {
        if (pos_ >= in_.size()) {
            return;
        }
        const char c = in_[pos_];
        if (isLetter(c)) {
            controlWord();
            return;
        }
        ++pos_;
        switch (c) {
        case '\'':
            hexByte();
            break;
        case '\\':
        case '{':
        case '}':
            textByte(c);
            break;
        case '~':
            symbol("\u00A0");
            break;
        case '_':
            symbol("\u2011");
            break;
        case '-':
            skipOneReplacement(); // optional hyphen: shown only at a line break
            break;
        case '*':
            state().destination = Destination::Skip;
            break;
        case '\r':
        case '\n':
            if (!skipOneReplacement()) {
                endParagraph();
            }
            break;
        default:
            skipOneReplacement(); // \| \: and unknown symbols
            break;
        }
    }

    void controlWord() {
        const std::size_t start = pos_;
        while (pos_ < in_.size() && isLetter(in_[pos_]) && pos_ - start < kMaxWordLength) {
            ++pos_;
        }
        const std::string_view word = in_.substr(start, pos_ - start);
        std::optional<long> parameter;
        const std::size_t numberStart = pos_;
        if (pos_ < in_.size() && in_[pos_] == '-') {
            ++pos_;
        }
        const std::size_t digitsStart = pos_;
        while (pos_ < in_.size() && isDigit(in_[pos_]) &&
               pos_ - digitsStart < kMaxParameterDigits) {
            ++pos_;
        }
        if (pos_ > digitsStart) {
            long value = 0;
            std::from_chars(in_.data() + numberStart, in_.data() + pos_, value);
            parameter = std::clamp<long>(value, INT_MIN, INT_MAX);
        } else {
            pos_ = numberStart; // a lone "-" is text
        }
        if (pos_ < in_.size() && in_[pos_] == ' ') {
            ++pos_; // the delimiter belongs to the control word
        }
        applyWord(word, parameter);
    }

    void applyWord(std::string_view word, std::optional<long> parameter) {
        if (word == "bin") {
            // Binary data of the given length follows; it is never text.
            const auto length = static_cast<std::size_t>(std::max(0L, parameter.value_or(0)));
            pos_ += std::min(length, in_.size() - pos_);
            return;
        }
        if (std::ranges::find(kSkippedDestinations, word) != std::end(kSkippedDestinations)) {
            state().destination = Destination::Skip;
            return;
        }
        if (state().destination == Destination::Skip) {
            return;
        }
        if (state().destination == Destination::ColorTable) {
            colorWord(word, parameter);
            return;
        }
        if (word == "u") {
            unicodeCharacter(parameter.value_or(0));
            return;
        }
        if (skipOneReplacement()) {
            return;
        }
        const bool on = parameter.value_or(1) != 0;
        RtfStyle& style = state().style;
        if (word == "colortbl") {
            flushBytes();
            state().destination = Destination::ColorTable;
            colors_.clear();
        } else if (word == "par" || word == "sect" || word == "page") {
            endParagraph();
        } else if (word == "line") {
            symbol("\n");
        } else if (word == "tab") {
            symbol("\t");
        } else if (word == "b") {
            setStyle([&] { style.bold = on; });
        } else if (word == "i") {
            setStyle([&] { style.italic = on; });
        } else if (std::ranges::find(kUnderlineWords, word) != std::end(kUnderlineWords)) {
            setStyle([&] { style.underline = on; });
        } else if (word == "ulnone") {
            setStyle([&] { style.underline = false; });
        } else if (word == "plain") {
            setStyle([&] { style = RtfStyle{}; });
        } else if (word == "fs") {
            setStyle([&] { style.halfPoints = std::clamp<int>(parameter.value_or(0), 0, 3276); });
        } else if (word == "cf") {
            setStyle([&] { style.color = colorAt(parameter.value_or(0)); });
        } else if (word == "pard") {
            state().alignment = RtfAlignment::Left;
        } else if (word == "ql") {
            state().alignment = RtfAlignment::Left;
        } else if (word == "qc") {
            state().alignment = RtfAlignment::Center;
        } else if (word == "qr") {
            state().alignment = RtfAlignment::Right;
        } else if (word == "qj") {
            state().alignment = RtfAlignment::Justify;
        } else if (word == "uc") {
            state().unicodeSkip = std::clamp<int>(parameter.value_or(1), 0, 16);
        } else {
            for (const SymbolWord& entry : kSymbolWords) {
                if (entry.word == word) {
                    symbol(entry.utf8);
                    return;
                }
            }
        }
    }

    template <typename Change> void setStyle(Change change) {
        flushBytes();
        change();
    }

    std::optional<RtfColor> colorAt(long index) const {
        if (index < 0 || static_cast<std::size_t>(index) >= colors_.size()) {
            return std::nullopt;
        }
        return colors_[static_cast<std::size_t>(index)];
    }

    void colorWord(std::string_view word, std::optional<long> parameter) {
        const auto value =
            static_cast<std::uint8_t>(std::clamp<long>(parameter.value_or(0), 0, 255));
        if (word == "red") {
            currentColor_.red = value;
        } else if (word == "green") {
            currentColor_.green = value;
        } else if (word == "blue") {
            currentColor_.blue = value;
        } else {
            return;
        }
        colorComponentSet_ = true;
    }

    void colorTableByte(char c) {
        if (c != ';') {
            return;
        }
        // An entry without components is the "auto" colour.
        colors_.push_back(colorComponentSet_ ? std::optional<RtfColor>(currentColor_)
                                             : std::nullopt);
        currentColor_ = RtfColor{};
        colorComponentSet_ = false;
    }

    void hexByte() {
        int value = -1;
        if (pos_ + 1 < in_.size()) {
            const int high = hexDigit(in_[pos_]);
            const int low = hexDigit(in_[pos_ + 1]);
            if (high >= 0 && low >= 0) {
                value = high * 16 + low;
                pos_ += 2;
            }
        }
        if (value >= 0) {
            textByte(static_cast<char>(value));
        }
    }

    // One 1251 byte of text in the current destination.
    void textByte(char c) {
        switch (state().destination) {
        case Destination::Skip:
            return;
        case Destination::ColorTable:
            colorTableByte(c);
            return;
        case Destination::Text:
            break;
        }
        if (skipOneReplacement()) {
            return;
        }
        dropLoneHighSurrogate();
        if (c != '\0') {
            bytes_ += c;
        }
    }

    // Text given as UTF-8 (symbols, \uN).
    void symbol(const char* utf8) {
        if (state().destination != Destination::Text || skipOneReplacement()) {
            return;
        }
        flushBytes();
        dropLoneHighSurrogate();
        append(utf8);
    }

    void unicodeCharacter(long parameter) {
        if (state().destination != Destination::Text) {
            return;
        }
        // \uN is a signed 16-bit number: negative values stand for N + 65536.
        char32_t code = static_cast<char32_t>(parameter < 0 ? parameter + 65536 : parameter);
        pendingSkip_ = state().unicodeSkip;
        flushBytes();
        if (code >= 0xDC00 && code <= 0xDFFF && highSurrogate_) {
            code = 0x10000 + ((*highSurrogate_ - 0xD800) << 10) + (code - 0xDC00);
            highSurrogate_.reset();
        } else {
            dropLoneHighSurrogate();
            if (code >= 0xD800 && code <= 0xDBFF) {
                highSurrogate_ = code;
                return;
            }
            if ((code >= 0xDC00 && code <= 0xDFFF) || code > 0xFFFF) {
                code = 0xFFFD;
            }
        }
        std::string text;
        AppendUtf8(text, code);
        append(text);
    }

    // A high surrogate without its low half becomes the replacement character.
    void dropLoneHighSurrogate() {
        if (highSurrogate_) {
            highSurrogate_.reset();
            std::string text;
            AppendUtf8(text, 0xFFFD);
            append(text);
        }
    }

    // Consumes one of the characters that stand in for the last \uN.
    bool skipOneReplacement() {
        if (pendingSkip_ > 0) {
            --pendingSkip_;
            return true;
        }
        return false;
    }

    void endParagraph() {
        flushBytes();
        dropLoneHighSurrogate();
        document_.paragraphs.back().alignment = state().alignment;
        document_.paragraphs.emplace_back();
    }

    void flushBytes() {
        if (!bytes_.empty()) {
            const std::string utf8 = Cp1251ToUtf8(bytes_);
            bytes_.clear();
            append(utf8);
        }
    }

    void append(std::string_view utf8) {
        RtfParagraph& paragraph = document_.paragraphs.back();
        paragraph.alignment = state().alignment;
        if (paragraph.runs.empty() || paragraph.runs.back().style != state().style) {
            paragraph.runs.push_back(RtfRun{std::string(), state().style});
        }
        paragraph.runs.back().text += utf8;
    }

    std::string_view in_;
    std::size_t pos_ = 0;
    bool finished_ = false;
    // stack_[0] is the state outside every group.
    std::vector<GroupState> stack_{GroupState{}};
    std::string bytes_; // 1251 text not yet converted, all in the current style
    int pendingSkip_ = 0;
    std::optional<char32_t> highSurrogate_;
    std::vector<std::optional<RtfColor>> colors_;
    RtfColor currentColor_;
    bool colorComponentSet_ = false;
    RtfDocument document_;
};

} // namespace

std::string RtfParagraph::text() const {
    std::string text;
    for (const RtfRun& run : runs) {
        text += run.text;
    }
    return text;
}

std::string RtfDocument::plainText() const {
    std::string text;
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        if (i > 0) {
            text += '\n';
        }
        text += paragraphs[i].text();
    }
    return text;
}

bool IsRtfText(std::string_view bytes) {
    return bytes.starts_with("{\\rtf");
}

RtfDocument ReadRtf(std::string_view bytes) {
    if (!IsRtfText(bytes)) {
        throw Error(kLoadFailure);
    }
    return Parser(bytes).run();
}

} // namespace vantrel
