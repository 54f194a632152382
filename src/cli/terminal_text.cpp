#include "cli/terminal_text.h"

#include "base/cp1251.h"

#include <algorithm>

namespace vantrel::cli {

std::string EscapeControls(std::string_view utf8) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string result;
    result.reserve(utf8.size());
    for (char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            result += "\\x";
            result += kHex[byte >> 4];
            result += kHex[byte & 0x0F];
        } else {
            result += c;
        }
    }
    return result;
}

std::string TerminalText(std::string_view cp1251) {
    return EscapeControls(Cp1251ToUtf8(cp1251));
}

std::size_t DisplayWidth(std::string_view utf8) {
    // Count every byte that is not a UTF-8 continuation byte.
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string FormatTable(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (std::size_t column = 0; column < row.size(); ++column) {
            widths[column] = std::max(widths[column], DisplayWidth(row[column]));
        }
    }
    std::string text;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t column = 0; column < row.size(); ++column) {
            line += row[column];
            if (column + 1 < row.size()) {
                line.append(widths[column] - DisplayWidth(row[column]) + 2, ' ');
            }
        }
        // Trailing blanks of empty last cells would only clutter the line.
        line.erase(line.find_last_not_of(' ') + 1);
        text += line;
        text += '\n';
    }
    return text;
}

} // namespace vantrel::cli
