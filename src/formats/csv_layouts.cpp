#include "formats/csv_layouts.h"

#include "base/cp1251.h"
#include "base/error.h"

#include <algorithm>
#include <array>

namespace vantrel {
namespace csv_detail {
namespace {

// In the order they are tried: a layout whose headers include another's first.
const std::array<LayoutInfo, 5>& layouts() {
    static const std::array<LayoutInfo, 5> all = {{
        {CsvLayout::KeePassXc,
         "keepassxc",
         {{"Group", Role::None},
          {"Title", Role::Title},
          {"Username", Role::Name},
          {"Password", Role::Password},
          {"URL", Role::Resource},
          {"Notes", Role::Note},
          {"TOTP", Role::Keep},
          {"Icon", Role::None},
          {"Last Modified", Role::None},
          {"Created", Role::StartIso}}},
        {CsvLayout::Bitwarden,
         "bitwarden",
         {{"folder", Role::None},
          {"favorite", Role::None},
          {"type", Role::None},
          {"name", Role::Title},
          {"notes", Role::Note},
          {"fields", Role::Keep},
          {"reprompt", Role::None},
          {"login_uri", Role::Resource},
          {"login_username", Role::Name},
          {"login_password", Role::Password},
          {"login_totp", Role::Keep}}},
        {CsvLayout::Firefox,
         "firefox",
         {{"url", Role::Resource},
          {"username", Role::Name},
          {"password", Role::Password},
          {"httpRealm", Role::None},
          {"formActionOrigin", Role::None},
          {"guid", Role::None},
          {"timeCreated", Role::StartMillis},
          {"timeLastUsed", Role::None},
          {"timePasswordChanged", Role::None}}},
        {CsvLayout::Vantrel,
         "vantrel",
         {{"number", Role::Number},
          {"name", Role::Name},
          {"password", Role::Password},
          {"resource", Role::Resource},
          {"start", Role::Start},
          {"end", Role::End},
          {"note", Role::Note}}},
        {CsvLayout::Chrome,
         "chrome",
         {{"name", Role::Title},
          {"url", Role::Resource},
          {"username", Role::Name},
          {"password", Role::Password},
          {"note", Role::Note}}},
    }};
    return all;
}

std::string headerLine(const LayoutInfo& info) {
    std::string line;
    for (const Column& column : info.columns) {
        line += line.empty() ? "" : ",";
        line += column.header;
    }
    return line;
}
} // namespace

const LayoutInfo& LayoutInfoOf(CsvLayout layout) {
    for (const LayoutInfo& info : layouts()) {
        if (info.layout == layout) {
            return info;
        }
    }
    throw Error("Неизвестный формат CSV.");
}

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

std::optional<std::vector<std::size_t>> ColumnsIn(const LayoutInfo& info,
                                                  const std::vector<std::string>& header) {
    std::vector<std::string> folded;
    for (const std::string& h : header) {
        folded.push_back(AsciiLower(TrimBlanks(h)));
    }
    std::vector<std::size_t> at;
    for (const Column& column : info.columns) {
        const auto found = std::find(folded.begin(), folded.end(), AsciiLower(column.header));
        if (found == folded.end()) {
            return std::nullopt;
        }
        at.push_back(static_cast<std::size_t>(found - folded.begin()));
    }
    return at;
}

const std::string& EndDateMark() {
    static const std::string mark = Utf8ToCp1251("Окончание: ");
    return mark;
}

bool IsBlankDate(std::string_view text) {
    return text.find_first_not_of(" .") == std::string_view::npos;
}

std::size_t SchemeEnd(std::string_view resource) {
    const std::size_t mark = resource.find("://");
    if (mark == std::string_view::npos || mark == 0) {
        return 0;
    }
    for (std::size_t i = 0; i < mark; ++i) {
        const char c = resource[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        if (!letter && !(i > 0 && other)) {
            return 0;
        }
    }
    return mark + 3;
}

std::string_view HostOf(std::string_view resource) {
    std::string_view host = resource.substr(SchemeEnd(resource));
    host = host.substr(0, host.find_first_of("/?#"));
    if (const std::size_t at = host.rfind('@'); at != std::string_view::npos) {
        host.remove_prefix(at + 1);
    }
    return host.empty() ? resource : host;
}

} // namespace csv_detail

using namespace csv_detail;

std::string_view CsvLayoutName(CsvLayout layout) {
    return LayoutInfoOf(layout).name;
}

std::optional<CsvLayout> CsvLayoutFromName(std::string_view name) {
    for (const LayoutInfo& info : layouts()) {
        if (AsciiLower(name) == info.name) {
            return info.layout;
        }
    }
    return std::nullopt;
}

bool CanWriteCsvLayout(CsvLayout layout) {
    return layout != CsvLayout::Firefox;
}

CsvLayout RecogniseCsvLayout(const std::vector<std::string>& header) {
    for (const LayoutInfo& info : layouts()) {
        if (ColumnsIn(info, header)) {
            return info.layout;
        }
    }
    std::string expected;
    for (const LayoutInfo& info : layouts()) {
        expected += "\n  " + std::string(info.name) + ": " + headerLine(info);
    }
    throw Error("Строка заголовков файла CSV не подходит ни к одному известному формату. "
                "Ожидается одна из строк:" +
                expected);
}

} // namespace vantrel
