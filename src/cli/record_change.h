#pragma once

#include "base/secret.h"
#include "cli/commands.h"
#include "cli/record_content.h"
#include "formats/record.h"
#include "formats/record_file_kind.h"

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// add, edit and rm: the record fields given on the command line, and the
// change of a record file under its lock.
namespace vantrel::cli {

// The options of add and edit that set a field (--number, --name, --resource,
// --start, --end, --note, --ask-password, --generate with the generator's
// options, --show-password).
std::vector<OptionSpec> RecordFieldOptions();

// What add or edit sets: each field given, as it is stored (1251). Wiped when
// it goes away: it may hold the record's password.
struct RecordChanges {
    std::optional<std::string> number;
    std::array<std::optional<std::string>, kFieldCount> fields;
    bool generatedPassword = false;

    RecordChanges() = default;
    RecordChanges(RecordChanges&&) = default;
    RecordChanges& operator=(RecordChanges&&) = default;
    ~RecordChanges();
};

// The field options checked and converted: every text must be Windows-1251
// without control characters other than TAB (a field is one line of the
// record file); a date must be a calendar day ("dd.mm.yy", "dd.mm.yyyy" or
// "yyyy-mm-dd"; empty text clears it); a number must be storable. Throws
// vantrel::Error naming the option. A password is not read here.
RecordChanges ReadFieldOptions(const Arguments& args, std::chrono::year_month_day today);

// The record's password: --ask-password reads it (the second line of
// standard input with --password-stdin, else typed twice on the terminal),
// --generate draws it. Both at once is a UsageError.
void ReadRecordPassword(const CommandContext& context, RecordChanges& changes);

// Sets the given fields of `record`, which gets six fields when it has fewer.
// An empty note is stored as " ", as the record editor stores it.
void ApplyChanges(Record& record, const RecordChanges& changes);

// A record list whose records are wiped (WipeRecord) when it goes away.
struct WipedRecords {
    RecordList records;

    WipedRecords() = default;
    WipedRecords(const WipedRecords&) = delete;
    WipedRecords& operator=(const WipedRecords&) = delete;
    ~WipedRecords();
};

// Every record of `content`.
void ReadAllRecords(RecordContent& content, WipedRecords& into);

// The one record numbered `number` (UTF-8, as typed) in `records`. Throws
// vantrel::Error when there is none, or when there are several (naming them
// by name and resource, so that the user can tell them apart in the program).
std::size_t FindOnlyRecord(const RecordList& records, const std::string& number,
                           const std::filesystem::path& file);

// Reads FILE (a record file of `kind`, encrypted with `password`), lets
// `change` change its records and replaces the file atomically, all under the
// file's exclusive lock (FileLock): two writers never lose each other's
// change. The file keeps its kind and its mode. A file whose text cannot be a
// record file (a wrong password) is refused, and so is anything `change`
// throws: the file is then left as it was.
void ChangeRecordFile(const std::filesystem::path& file, RecordFileKind kind,
                      const SecretString& password,
                      const std::function<void(RecordList& records)>& change);

} // namespace vantrel::cli
