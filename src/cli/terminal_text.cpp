#include "cli/terminal_text.h"

#include "base/cp1251.h"

#include <algorithm>
#include <ostream>
#include <sstream>

namespace vantrel::cli {

std::string EscapeControls(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string result;
    result.reserve(text.size());
    while (!text.empty()) {
        const auto byte = static_cast<unsigned char>(text.front());
        const std::size_t length = Utf8SequenceLength(text);
        if (length == 0 || byte < 0x20 || byte == 0x7F) {
            result += "\\x";
            result += kHex[byte >> 4];
            result += kHex[byte & 0x0F];
            text.remove_prefix(1);
        } else {
            result.append(text.substr(0, length));
            text.remove_prefix(length);
        }
    }
    return result;
}

std::string TerminalText(std::string_view cp1251) {
    // What the 1251 codec gives is well-formed UTF-8: only control characters
    // can need escaping, and most texts have none (no second copy of them).
    const bool control = std::any_of(cp1251.begin(), cp1251.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
    return control ? EscapeControls(Cp1251ToUtf8(cp1251)) : Cp1251ToUtf8(cp1251);
}

std::size_t DisplayWidth(std::string_view utf8) {
    // Count every byte that is not a UTF-8 continuation byte.
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

void TableLayout::Measure(const std::vector<std::string>& row) {
    widths_.resize(std::max(widths_.size(), row.size()), 0);
    for (std::size_t column = 0; column < row.size(); ++column) {
        const std::size_t width = DisplayWidth(row[column]);
        if (width <= kMaxAlignedWidth) {
            widths_[column] = std::max(widths_[column], width);
        }
    }
}

void TableLayout::WriteRow(std::ostream& out, const std::vector<std::string>& row) const {
    // Blanks at the end of the line (empty last cells, their padding) would
    // only clutter it.
    const auto blank = [](const std::string& cell) {
        return cell.find_first_not_of(' ') == std::string::npos;
    };
    const std::size_t shown = static_cast<std::size_t>(
        std::find_if_not(row.rbegin(), row.rend(), blank).base() - row.begin());
    for (std::size_t column = 0; column < shown; ++column) {
        const std::string& cell = row[column];
        if (column + 1 == shown) {
            out << std::string_view(cell).substr(0, cell.find_last_not_of(' ') + 1);
            break;
        }
        out << cell;
        const std::size_t width = column < widths_.size() ? widths_[column] : 0;
        out << std::string(width - std::min(width, DisplayWidth(cell)) + 2, ' ');
    }
    out << '\n';
}

std::string FormatTable(const std::vector<std::vector<std::string>>& rows) {
    TableLayout layout;
    for (const auto& row : rows) {
        layout.Measure(row);
    }
    std::ostringstream text;
    for (const auto& row : rows) {
        layout.WriteRow(text, row);
    }
    return text.str();
}

} // namespace vantrel::cli
