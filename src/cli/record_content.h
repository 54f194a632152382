#pragma once

#include "base/secret.h"
#include "cipher/crypt_lib.h"
#include "cli/cli_files.h"
#include "cli/commands.h"
#include "formats/protected_file.h"
#include "formats/record_file_kind.h"
#include "formats/record_stream.h"

#include <filesystem>
#include <functional>
#include <iosfwd>

namespace vantrel::cli {

// A record file as the commands read it: the bytes of the file (about the
// size of the file), its kind and the cipher that decrypts the encrypted kind.
// The decrypted text of the classic encrypted kind is never held whole:
// several times the size of the file, and all of it passwords. A protected
// file is decrypted (and authenticated) at once and held as its plain text,
// which is no larger than the file. Commands walk the records as often as
// they need.
struct RecordContent {
    SecretString bytes; // plain text holds passwords
    RecordFileKind kind = RecordFileKind::Encrypted;
    // The form of the file on disk, which a command that writes the file
    // again keeps (a protected file is held as plain text, `kind`).
    RecordFileKind storedKind = RecordFileKind::Encrypted;
    // A protected file's key, derived once when it was read: writing the file
    // again reuses it (with a fresh stream header) instead of deriving anew.
    ProtectedKeySlot key;
    TCryptLib cipher; // keyed by the password for the encrypted and protected kinds

    void forEachRecord(const RecordVisit& visit) {
        ForEachRecordInContent(bytes.value(), kind, cipher, visit);
    }
};

// The kind of FILE: plain text with --plain, otherwise encrypted.
RecordFileKind FileKindOption(const Arguments& args);

// FILE, a record file of `kind` (a protected one whatever `kind`, told by its
// bytes); the password of an encrypted one is asked for after FILE proved
// readable. A protected FILE that does not decrypt throws vantrel::Error.
RecordContent ReadContent(const CommandContext& context, const std::filesystem::path& file,
                          RecordFileKind kind);

// Whether --format asks for comma-separated values (csv) rather than a
// plain-text record file (text, the default). UsageError for another format,
// or for --layout without csv.
bool CsvFormatOption(const Arguments& args);

// The records of `content` written to `output` in the --layout of the
// arguments (WriteCsvFile).
void WriteContentAsCsv(const Arguments& args, RecordContent& content,
                       const std::filesystem::path& output);

// The records of `content` that `shown` accepts (every record without it) as
// the list command's table, passwords only with `showPasswords`. Returns how
// many were shown; with `shown` and none found, nothing is written.
std::size_t WriteRecordTable(std::ostream& out, RecordContent& content, bool showPasswords,
                             const std::function<bool(const RecordView&)>& shown);

// Whether a file of `kind` needs the file's password to be read.
bool KindNeedsPassword(RecordFileKind kind);

// The rest of ReadContent once the password is known: reads `input` (FILE)
// and refuses a text that cannot be a record file unless `force` is on.
RecordContent ReadKeyedContent(InputFile& input, const std::filesystem::path& file,
                               RecordFileKind kind, const SecretString& password, bool force);

} // namespace vantrel::cli
