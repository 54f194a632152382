#pragma once

#include <cstddef>
#include <iosfwd>
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

// The widest cell that widens its column. A longer cell only pushes the rest of
// its own line: one huge field must not pad every line (and the header) to
// its width.
inline constexpr std::size_t kMaxAlignedWidth = 60;

// The column widths of an aligned table, measured row by row, so that a long
// table can be printed line by line without holding all its rows.
class TableLayout {
public:
    void Measure(const std::vector<std::string>& row);
    // One line: columns separated by two spaces, the last column not padded,
    // no trailing blanks, ending in "\n". Written straight to `out`: a cell
    // may be as long as a whole file.
    void WriteRow(std::ostream& out, const std::vector<std::string>& row) const;

private:
    std::vector<std::size_t> widths_;
};

// Rows of cells (UTF-8, already escaped) as an aligned table (TableLayout).
// The first row is the header.
std::string FormatTable(const std::vector<std::vector<std::string>>& rows);

} // namespace vantrel::cli
