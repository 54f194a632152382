#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The comma-separated layouts of records: this program's own, those of other
// password keepers and of browsers, each known by its header row.
namespace vantrel {

enum class CsvLayout { Vantrel, KeePassXc, Bitwarden, Chrome, Firefox };

// The layout's name as the user gives it ("vantrel", "keepassxc", "bitwarden",
// "chrome", "firefox"), and back (letter case ignored).
std::string_view CsvLayoutName(CsvLayout layout);
std::optional<CsvLayout> CsvLayoutFromName(std::string_view name);
// Whether records can be written in the layout (every one but firefox).
bool CanWriteCsvLayout(CsvLayout layout);

// The layout whose headers the row holds (letter case and surrounding blanks
// ignored, columns in any order). Throws vantrel::Error naming every known
// header row when none fits.
CsvLayout RecogniseCsvLayout(const std::vector<std::string>& header);

// What the import and the export of records share.
namespace csv_detail {

// What a column means to a record.
enum class Role {
    None,
    Number,
    Name,
    Password,
    Resource,
    Title, // the resource's host on export; the resource on import when there is no URL
    Note,
    Start,
    End,
    StartIso,    // the start date, written as ISO 8601
    StartMillis, // the start date, read as milliseconds
    Keep         // no field of its own: kept as a line "header: text" of the note
};

struct Column {
    std::string_view header;
    Role role;
};

struct LayoutInfo {
    CsvLayout layout;
    std::string_view name;
    std::vector<Column> columns;
};

const LayoutInfo& LayoutInfoOf(CsvLayout layout);
// The column of each of the layout's headers in the header row, if all are there.
std::optional<std::vector<std::size_t>> ColumnsIn(const LayoutInfo& info,
                                                  const std::vector<std::string>& header);

inline constexpr std::string_view kStoredLineBreak = " \xB6 "; // " ¶ " in 1251
// "Окончание: " in 1251: the note line that holds the end date.
const std::string& EndDateMark();
// A date text of nothing but blanks and dots ("", "  .  .  "): no date.
bool IsBlankDate(std::string_view text);
std::string_view TrimBlanks(std::string_view text);
std::string AsciiLower(std::string_view text);

// Where a resource's scheme and "//" end ("https://..."), or 0.
std::size_t SchemeEnd(std::string_view resource);
// The host of a resource ("https://user@mail.example.com:8443/in" ->
// "mail.example.com:8443"), or the resource itself when there is none.
std::string_view HostOf(std::string_view resource);

} // namespace csv_detail
} // namespace vantrel
