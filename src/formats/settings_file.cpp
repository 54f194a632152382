#include "formats/settings_file.h"
#include "formats/settings_names.h"

#include "base/atomic_file.h"
#include "base/cp1251.h"
#include "base/error.h"

#include <optional>
#include <string_view>

namespace vantrel {

namespace {

constexpr std::size_t kMaxValueLength = 2047;
constexpr std::string_view kLineEnd = "\r\n";
constexpr const char* kUnableToWrite = "Unable to write to %s";

// One line of the file: its text without the line end, and the line end as
// it stands ("\r\n", "\n", or empty for a last line without one).
struct Line {
    std::string_view text;
    std::string_view end;
};

std::vector<Line> splitLines(std::string_view bytes) {
    std::vector<Line> lines;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t lf = bytes.find('\n', at);
        if (lf == std::string_view::npos) {
            lines.push_back({bytes.substr(at), {}});
            break;
        }
        std::size_t textEnd = (lf > at && bytes[lf - 1] == '\r') ? lf - 1 : lf;
        lines.push_back({bytes.substr(at, textEnd - at), bytes.substr(textEnd, lf + 1 - textEnd)});
        at = lf + 1;
    }
    return lines;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool holdsLineBreak(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// The section name of a "[name]" line (blanks around the name dropped).
std::optional<std::string_view> sectionName(std::string_view lineText) {
    std::string_view text = trimBlanks(lineText);
    if (text.empty() || text.front() != '[') {
        return std::nullopt;
    }
    text.remove_prefix(1);
    return trimBlanks(text.substr(0, text.find(']')));
}

struct KeyValue {
    std::string_view key;
    std::string_view value;
};

// The key and value of a "key=value" line; comment lines, blank lines and
// lines without "=" hold none.
std::optional<KeyValue> keyValue(std::string_view lineText) {
    std::string_view text = trimBlanks(lineText);
    if (text.empty() || text.front() == ';' || text.front() == '[') {
        return std::nullopt;
    }
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    return KeyValue{trimBlanks(text.substr(0, equals)), trimBlanks(text.substr(equals + 1))};
}

// The lines of the first section of that name: [first, last) holds the lines
// after its header up to the next header or the end of the file.
struct SectionSpan {
    std::size_t header;
    std::size_t first;
    std::size_t last;
};

std::optional<SectionSpan> findSection(const std::vector<Line>& lines, std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto name = sectionName(lines[i].text);
        if (!name || !EqualsIgnoreCase1251(*name, section)) {
            continue;
        }
        std::size_t last = i + 1;
        while (last < lines.size() && !sectionName(lines[last].text)) {
            ++last;
        }
        return SectionSpan{i, i + 1, last};
    }
    return std::nullopt;
}

std::optional<std::size_t> findKey(const std::vector<Line>& lines, const SectionSpan& span,
                                   std::string_view key) {
    for (std::size_t i = span.first; i < span.last; ++i) {
        auto entry = keyValue(lines[i].text);
        if (entry && EqualsIgnoreCase1251(entry->key, key)) {
            return i;
        }
    }
    return std::nullopt;
}

// The file's content, or nothing when it cannot be read (missing included).
std::optional<std::string> readFile(const std::filesystem::path& path) {
    std::string bytes;
    if (ReadWholeFile(path, bytes)) {
        return std::nullopt;
    }
    return bytes;
}

Error writeError(const std::filesystem::path& path) {
    return Error(formatMessage(kUnableToWrite, path.string()));
}

void checkStorable(const std::string& section, const std::string& key, const std::string& value) {
    if (section.empty() || holdsLineBreak(section) || section.find(']') != std::string::npos ||
        trimBlanks(section).size() != section.size()) {
        throw Error("Имя раздела \"" + Cp1251ToUtf8(section) +
                    "\" нельзя сохранить в файле настроек");
    }
    if (!IsStorableKey(key)) {
        throw Error("Ключ \"" + Cp1251ToUtf8(key) + "\" нельзя сохранить в файле настроек");
    }
    if (holdsLineBreak(value)) {
        throw Error("Значение с переводом строки нельзя сохранить в файле настроек");
    }
}

// Appends the lines [from, to) byte for byte, line ends included.
void appendLines(std::string& out, const std::vector<Line>& lines, std::size_t from,
                 std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
        out += lines[i].text;
        out += lines[i].end;
    }
}

// Before new text goes after a last line that has no line end, it gets one.
void endLastLine(std::string& out) {
    if (!out.empty() && out.back() != '\n') {
        out += kLineEnd;
    }
}

std::string keyLine(std::string_view key, std::string_view value) {
    std::string line;
    line.reserve(key.size() + value.size() + 3);
    line += key;
    line += '=';
    line += value;
    line += kLineEnd;
    return line;
}

} // namespace

std::filesystem::path SettingsFilePath(const std::filesystem::path& programDirectory) {
    return programDirectory / kSettingsFileName;
}

const std::string& ReadFailureText() {
    // "Ошибка при считывании параметра" as fixed 1251 bytes, so that reading
    // cannot fail even without the code page converter.
    static const std::string text =
        "\xCE\xF8\xE8\xE1\xEA\xE0 \xEF\xF0\xE8 \xF1\xF7\xE8\xF2\xFB\xE2\xE0\xED\xE8\xE8 "
        "\xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0\xE0";
    return text;
}

std::string ReadSetting(const std::string& section, const std::string& key,
                        const std::filesystem::path& path) {
    try {
        if (key.empty()) {
            return ReadFailureText();
        }
        const auto bytes = readFile(path);
        if (!bytes) {
            return ReadFailureText();
        }
        const std::vector<Line> lines = splitLines(*bytes);
        const auto span = findSection(lines, section);
        if (!span) {
            return ReadFailureText();
        }
        const auto at = findKey(lines, *span, key);
        if (!at) {
            return ReadFailureText();
        }
        return std::string(keyValue(lines[*at].text)->value.substr(0, kMaxValueLength));
    } catch (const std::exception&) {
        return ReadFailureText();
    }
}

void WriteSetting(const std::string& section, const std::string& key, const std::string& value,
                  const std::filesystem::path& path) {
    checkStorable(section, key, value);

    std::string bytes;
    if (std::error_code ec = ReadWholeFile(path, bytes);
        ec && ec != std::errc::no_such_file_or_directory) {
        // Writing without the old content would lose every other setting.
        throw writeError(path);
    }
    const std::vector<Line> lines = splitLines(bytes);

    std::string out;
    out.reserve(bytes.size() + section.size() + key.size() + value.size() + 8);
    const auto span = findSection(lines, section);
    if (!span) {
        appendLines(out, lines, 0, lines.size());
        endLastLine(out);
        out += '[';
        out += section;
        out += ']';
        out += kLineEnd;
        out += keyLine(key, value);
    } else if (const auto at = findKey(lines, *span, key)) {
        appendLines(out, lines, 0, *at);
        // The key keeps the letter case in which the file holds it.
        out += keyLine(keyValue(lines[*at].text)->key, value);
        appendLines(out, lines, *at + 1, lines.size());
    } else {
        // A new key goes after the section's last key line (or its header),
        // before any blank or comment lines that end the section.
        std::size_t after = span->header;
        for (std::size_t i = span->first; i < span->last; ++i) {
            if (keyValue(lines[i].text)) {
                after = i;
            }
        }
        appendLines(out, lines, 0, after + 1);
        endLastLine(out);
        out += keyLine(key, value);
        appendLines(out, lines, after + 1, lines.size());
    }

    if (ReplaceFileAtomically(path, out)) {
        throw writeError(path);
    }
}

std::vector<std::string> ReadSectionKeys(const std::string& section,
                                         const std::filesystem::path& path) {
    std::vector<std::string> keys;
    const auto bytes = readFile(path);
    if (!bytes) {
        return keys;
    }
    const std::vector<Line> lines = splitLines(*bytes);
    const auto span = findSection(lines, section);
    if (!span) {
        return keys;
    }
    for (std::size_t i = span->first; i < span->last; ++i) {
        if (auto entry = keyValue(lines[i].text); entry && !entry->key.empty()) {
            keys.emplace_back(entry->key);
        }
    }
    return keys;
}

bool IsStorableKey(const std::string& key) {
    return !key.empty() && key.find('=') == std::string::npos && key.front() != '[' &&
           key.front() != ';' && !isBlank(key.front()) && !isBlank(key.back()) &&
           !holdsLineBreak(key);
}

} // namespace vantrel
