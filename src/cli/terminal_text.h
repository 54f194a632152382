#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Text for the terminal: 1251 texts from files become UTF-8, and control
// characters are shown escaped so that a hostile file cannot send terminal
// escape sequences.
namespace vantrel::cli {

// Replaces every byte below 0x20, 0x7F and every byte that is not part of
// well-formed UTF-8 by "\xNN" (two lower-case hex digits). Other bytes,
// backslashes included, stay as they are, so a password shows exactly as it is
// typed.
std::string EscapeControls(std::string_view text);

// A 1251 text from a file, ready for the terminal: Cp1251ToUtf8, then
// EscapeControls.
std::string TerminalText(std::string_view cp1251);

// The number of terminal columns of UTF-8 text whose characters are all one
// column wide (everything the 1251 code page holds).
std::size_t DisplayWidth(std::string_view utf8);

// Rows of cells (UTF-8, already escaped) as an aligned table: columns
// separated by two spaces, the last column not padded, every line ending in
// "\n". The first row is the header.
std::string FormatTable(const std::vector<std::vector<std::string>>& rows);

} // namespace vantrel::cli
