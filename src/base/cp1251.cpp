#include "base/cp1251.h"

#include "base/error.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <iconv.h>

namespace vantrel {

namespace {

constexpr char32_t kNoCharacter = 0xFFFFFFFF;
constexpr char32_t kReplacement = 0xFFFD;

// Code points of the 256 bytes, taken from glibc's converter. The converter is
// asked byte by byte once and the strings are converted by table lookup:
// converting whole strings with iconv would let glibc drop some characters
// (the Unicode tag characters) without any error.
struct CodeTable {
    std::array<char32_t, 256> toUnicode{};
    // (code point, byte) of the bytes 0x80...0xFF, sorted by code point.
    std::array<std::pair<char32_t, unsigned char>, 128> fromUnicode{};
    std::size_t fromUnicodeCount = 0;
};

CodeTable buildTable() {
    iconv_t cd = iconv_open("UTF-32LE", "WINDOWS-1251");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw Error("Кодировка Windows-1251 недоступна (iconv)");
    }
    CodeTable table;
    for (unsigned byte = 0; byte < 256; ++byte) {
        char in = static_cast<char>(byte);
        unsigned char out[4] = {};
        char* inPtr = &in;
        char* outPtr = reinterpret_cast<char*>(out);
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const std::size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        table.toUnicode[byte] = (result == static_cast<std::size_t>(-1) || outLeft != 0)
                                    ? kNoCharacter
                                    : static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 |
                                                            static_cast<char32_t>(out[3]) << 24);
    }
    iconv_close(cd);
    for (unsigned byte = 0x80; byte < 256; ++byte) {
        if (table.toUnicode[byte] != kNoCharacter) {
            table.fromUnicode[table.fromUnicodeCount++] = {table.toUnicode[byte],
                                                           static_cast<unsigned char>(byte)};
        }
    }
    std::sort(table.fromUnicode.begin(), table.fromUnicode.begin() + table.fromUnicodeCount);
    return table;
}

const CodeTable& codeTable() {
    static const CodeTable table = buildTable();
    return table;
}

// Decodes one UTF-8 character at `at`; returns its length, or 0 when the bytes
// there are no valid UTF-8 (overlong forms, surrogates and values above
// U+10FFFF included).
std::size_t decodeUtf8(std::string_view text, std::size_t at, char32_t& c) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        c = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        minimum = 0x80;
        c = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        minimum = 0x800;
        c = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        minimum = 0x10000;
        c = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() - at < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        c = (c << 6) | (next & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return 0;
    }
    return length;
}

std::string hexCode(char32_t c) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
    return buffer;
}

// A table from 1251 bytes to their folded (lower-case) form.
constexpr std::array<unsigned char, 256> makeFoldTable() {
    std::array<unsigned char, 256> fold{};
    for (unsigned i = 0; i < 256; ++i) {
        fold[i] = static_cast<unsigned char>(i);
    }
    for (unsigned i = 'A'; i <= 'Z'; ++i) {
        fold[i] = static_cast<unsigned char>(i + 0x20);
    }
    for (unsigned i = 0xC0; i <= 0xDF; ++i) { // А...Я
        fold[i] = static_cast<unsigned char>(i + 0x20);
    }
    // The other Cyrillic capitals of the code page and their small letters:
    // Ё Ђ Ѓ Є Ї І Ў Ј Љ Њ Ћ Ќ Џ Ґ Ѕ.
    constexpr unsigned char pairs[][2] = {
        {0xA8, 0xB8}, {0x80, 0x90}, {0x81, 0x83}, {0xAA, 0xBA}, {0xAF, 0xBF},
        {0xB2, 0xB3}, {0xA1, 0xA2}, {0xA3, 0xBC}, {0x8A, 0x9A}, {0x8C, 0x9C},
        {0x8E, 0x9E}, {0x8D, 0x9D}, {0x8F, 0x9F}, {0xA5, 0xB4}, {0xBD, 0xBE},
    };
    for (const auto& pair : pairs) {
        fold[pair[0]] = pair[1];
    }
    return fold;
}

constexpr std::array<unsigned char, 256> kFold = makeFoldTable();

} // namespace

std::size_t Utf8SequenceLength(std::string_view text) {
    char32_t c = 0;
    return text.empty() ? 0 : decodeUtf8(text, 0, c);
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8SequenceLength(text.substr(at));
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string Utf8ToCp1251(std::string_view utf8) {
    const CodeTable& table = codeTable();
    std::string out;
    out.reserve(utf8.size());
    std::size_t position = 1; // in characters
    for (std::size_t at = 0; at < utf8.size(); ++position) {
        char32_t c = 0;
        const std::size_t length = decodeUtf8(utf8, at, c);
        if (length == 0) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "0x%02X", static_cast<unsigned char>(utf8[at]));
            throw Error("Текст не в кодировке UTF-8: байт " + std::string(buffer) + " в позиции " +
                        std::to_string(position));
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            const auto* begin = table.fromUnicode.begin();
            const auto* end = begin + table.fromUnicodeCount;
            const auto* found = std::lower_bound(
                begin, end, c, [](const auto& entry, char32_t key) { return entry.first < key; });
            if (found == end || found->first != c) {
                throw Error("Символ \"" + std::string(utf8.substr(at, length)) + "\" (" +
                            hexCode(c) + ") в позиции " + std::to_string(position) +
                            " нельзя сохранить в кодировке Windows-1251");
            }
            out += static_cast<char>(found->second);
        }
        at += length;
    }
    return out;
}

std::string Cp1251ToUtf8(std::string_view cp1251) {
    const CodeTable& table = codeTable();
    std::string out;
    out.reserve(cp1251.size() * 2);
    for (char byte : cp1251) {
        const char32_t c = table.toUnicode[static_cast<unsigned char>(byte)];
        AppendUtf8(out, c == kNoCharacter ? kReplacement : c);
    }
    return out;
}

char FoldCase1251(char c) {
    return static_cast<char>(kFold[static_cast<unsigned char>(c)]);
}

std::string FoldCase1251(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = FoldCase1251(c);
    }
    return out;
}

bool EqualsIgnoreCase1251(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (kFold[static_cast<unsigned char>(a[i])] != kFold[static_cast<unsigned char>(b[i])]) {
            return false;
        }
    }
    return true;
}

} // namespace vantrel
