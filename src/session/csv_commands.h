#pragma once

#include "session/prompts.h"
#include "session/session.h"

#include <cstddef>
#include <filesystem>
#include <optional>

// Import and export of the open list as comma-separated files: the commands
// "Импорт из CSV…" and "Экспорт в CSV…" of the main window.
namespace vantrel {

// UTF-8 texts of the commands (%s: the fields, one a line).
inline constexpr const char* kCsvUnstorableQuestion =
    "В файле CSV есть знаки, которых нет в кодировке Windows-1251: в файле записей их сохранить "
    "нельзя. Записи не добавлены.\r\r%s\r\rЗаменить каждый такой знак на \"?\" и добавить записи?";
inline constexpr const char* kCsvAddedNote = "Добавлено записей из файла CSV: ";
inline constexpr const char* kCsvReplacedNote =
    "Знаки, которых нет в кодировке Windows-1251, заменены на \"?\" в полях:\r";
inline constexpr const char* kCsvExportedNote = "Записи сохранены в файл CSV: ";

// What an import added.
struct CsvImportResult {
    std::size_t added = 0;
    std::optional<RecordId> first; // the first record added
};

// Asks for a comma-separated file and appends its records to the list (the
// modified flag set, nothing saved). Characters that the record file cannot
// hold are never replaced unasked: the list of their fields is shown with the
// question whether to replace each by "?"; No adds nothing. Says how many
// records were added (and, after a replacement, where). Nullopt when the user
// cancelled. Errors (a file that cannot be read, an unknown layout, a date
// that cannot be read) throw vantrel::Error with nothing added.
std::optional<CsvImportResult> ImportCsvIntoList(Session& session, Prompts& prompts);

// Asks for the layout and the file and writes the list there (mode 0600),
// asking before a file that is there is replaced. Returns the file written,
// nullopt when the user cancelled.
std::optional<std::filesystem::path> ExportListAsCsv(const Session& session, Prompts& prompts);

} // namespace vantrel
