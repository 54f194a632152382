#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The one codec between UTF-8 and Windows-1251 (iconv from glibc). Every text
// that crosses the boundary between the 1251 core and UTF-8 (Qt, terminal,
// messages) goes through it.
namespace vantrel {

// Converts UTF-8 to 1251 bytes. A character that 1251 cannot hold (or invalid
// UTF-8) is never replaced: throws vantrel::Error naming the character and its
// position (1-based, in characters).
std::string Utf8ToCp1251(std::string_view utf8);

// Converts 1251 bytes to UTF-8. Every byte has a meaning except 0x98, which
// becomes U+FFFD.
std::string Cp1251ToUtf8(std::string_view cp1251);

// The length of the UTF-8 character at the start of `text`, or 0 when the
// bytes there are no valid UTF-8 (overlong forms, surrogates and values above
// U+10FFFF included).
std::size_t Utf8SequenceLength(std::string_view text);
// Whether the whole text is valid UTF-8.
bool IsValidUtf8(std::string_view text);

// Appends the UTF-8 form of one Unicode code point (at most U+10FFFF; the
// caller keeps surrogates out).
void AppendUtf8(std::string& out, char32_t code);

// Case folding and case-insensitive comparison of 1251 text: Latin, the Russian
// alphabet with Ё/ё and the other Cyrillic letters of the code page.
char FoldCase1251(char c);
std::string FoldCase1251(std::string_view text);
bool EqualsIgnoreCase1251(std::string_view a, std::string_view b);

} // namespace vantrel
