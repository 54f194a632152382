#pragma once

#include "base/atomic_file.h"
#include "cipher/crypt_lib.h"
#include "formats/line_reader.h"
#include "formats/protected_file.h"
#include "formats/record.h"
#include "formats/record_file_kind.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// The fixed texts of a file that cannot be read or written (%s: the path);
// vantrel::FileError carries the reason beside them.
inline constexpr const char* kCannotOpenFileText = "Cannot open file %s";
inline constexpr const char* kCannotCreateFileText = "Cannot create file %s";

// The plain text layout: per record a number line, then one TAB + text line per
// field; every line ends with CR LF. An empty list is an empty text.
std::string FormatRecordText(const RecordList& records);

// Reads the text layout: lines end at CR LF, lone CR or lone LF; a NUL ends the
// text; a last line without a line end counts. A TAB line is the next field of
// the last record, trimmed of every character <= 0x20 at both ends; any other
// line starts a record and is its number, untrimmed. An empty line starts a
// record with an empty number; a TAB line before any record starts a record with
// an empty number to hold it. Nothing is ever dropped.
RecordList ParseRecordText(std::string_view text);

// Whether a text can be the content of a record file: it holds at least one
// number line (a line that does not begin with TAB) and no control byte other
// than TAB, CR and LF. Every list the program writes passes, except the empty
// list, whose text is empty. The container carries no check value, so this is
// how a file decrypted under another password (or a damaged one) is noticed:
// its text is meaningless bytes.
bool CanBeRecordText(std::string_view text);

// The test of CanBeRecordText for a text that arrives in pieces, so that a
// file decrypted on the way is judged without being held whole.
class RecordTextCheck {
public:
    void add(std::string_view piece);
    // Whether the text added so far can be the content of a record file.
    bool passed() const { return numberLine_ && !controlByte_; }

private:
    bool lineStart_ = true; // the next byte begins a line
    bool afterCr_ = false;  // the last byte was a CR (a LF then ends no line)
    bool numberLine_ = false;
    bool controlByte_ = false;
};

// One record of the text layout as views into the text.
struct RecordView {
    std::string_view number;
    std::vector<std::string_view> fields; // trimmed as ParseRecordText trims them
};

// Reads the records of a text one at a time, by the rules of ParseRecordText,
// without copying anything: the views point into the text.
class RecordTextReader {
public:
    explicit RecordTextReader(std::string_view text);
    // The next record; false after the last one.
    bool next(RecordView& record);

private:
    LineReader lines_;
    std::optional<std::string_view> numberAhead_; // a number line already read
};

// One record in the text layout, appended to `text`.
template <typename AnyRecord> void AppendRecordText(std::string& text, const AnyRecord& record) {
    text += record.number;
    text += "\r\n";
    for (const auto& field : record.fields) {
        text += '\t';
        text += field;
        text += "\r\n";
    }
}

// Hands every record of the text to `visit` in order, by the rules of
// ParseRecordText but without copying anything: for readers that need each
// record only once (the views are valid during the call).
void ForEachRecordInText(std::string_view text,
                         const std::function<void(const RecordView&)>& visit);

// Appends a copy of the record to the list.
void AppendRecord(RecordList& records, const RecordView& view);

// Replaces `path` by what `produce` hands over (ReplaceFileAtomically) with
// the mode of a record file of `kind`: plain text always gets 0600; an
// encrypted file keeps the mode of the file it replaces (a new one gets 0600).
// Throws vantrel::FileError "Cannot create file %s" with the reason on
// failure, the old file intact.
void ReplaceRecordFile(const std::filesystem::path& path, RecordFileKind kind,
                       const std::function<void(const ChunkWriter& write)>& produce);

// Writes a record file of `kind` whose text is read piece by piece from
// `text` (`textSize` bytes, for the progress only); the encrypted kind
// compresses and encrypts it with `cipher` on its way to the file
// (EncryptStreamTo), so neither the text nor the file's bytes are held whole.
// The protected kind encrypts it with the key in `key` (derived from the
// cipher's Password into `key` when it is empty). Mode, replacement and errors
// as ReplaceRecordFile.
void WriteRecordFile(const std::filesystem::path& path, RecordFileKind kind, TCryptLib& cipher,
                     const TCryptLib::ByteSource& text, std::uint64_t textSize,
                     ProtectedKeySlot& key);
// The same for the records of a list, in the text layout.
void WriteRecordFile(const std::filesystem::path& path, RecordFileKind kind, TCryptLib& cipher,
                     const RecordList& records, ProtectedKeySlot& key);
// Both with a key of their own for the protected kind (a new salt each time).
void WriteRecordFile(const std::filesystem::path& path, RecordFileKind kind, TCryptLib& cipher,
                     const TCryptLib::ByteSource& text, std::uint64_t textSize);
void WriteRecordFile(const std::filesystem::path& path, RecordFileKind kind, TCryptLib& cipher,
                     const RecordList& records);

// The records of a record file of `kind`, and whether the file looks like a
// record file: a plain or an empty file always does; a non-empty encrypted
// file only when its decrypted text CanBeRecordText. `recordText` asks the
// same of either kind: a plain file whose bytes fail it is no record text
// (an encrypted file under a ".txt" name, say), though it is shown as it is.
// A protected file always looks like one: its text is authenticated.
struct LoadedRecordFile {
    RecordList records;
    bool plausible = true;
    bool recordText = true;
    // The kind the file was read as (RecordFileKindOfContent).
    RecordFileKind kind = RecordFileKind::Encrypted;
};
// Reads `path` (decrypting the encrypted kind with `cipher`) and parses it.
// Bytes that begin with the protected magic are read as the protected kind,
// whatever `kind` says, with the key of the cipher's Password (the one in
// `key` when it fits the file; a new one is kept there). Throws
// vantrel::FileError "Cannot open file %s" when it cannot be read, and
// vantrel::Error when a protected file does not decrypt (nothing of its text
// is kept then); any other bytes parse into some list.
LoadedRecordFile ReadRecordFile(const std::filesystem::path& path, RecordFileKind kind,
                                TCryptLib& cipher, ProtectedKeySlot& key);
LoadedRecordFile ReadRecordFile(const std::filesystem::path& path, RecordFileKind kind,
                                TCryptLib& cipher);

// Overwrites the file in place with the digits OverwriteWithDigits makes of
// its content (at least one more than its n bytes, all written at once),
// flushes them to disk and deletes the file. Returns the UTF-8 message for the
// user when no file exists at `path` (nothing is deleted then); throws
// vantrel::Error when the file cannot be read or rewritten (it is not deleted
// then).
std::optional<std::string> WipeFile(const std::filesystem::path& path);
// The same; `beforeDelete` (when set) runs after the digits are flushed to disk
// and before the file is deleted, so that a test can look at them.
std::optional<std::string> WipeFile(const std::filesystem::path& path,
                                    const std::function<void()>& beforeDelete);

// The digits WipeFile writes, in memory: with n = buffer.size(), n + 1 times
// draws r uniform in [0, 1), takes k = round(r * s) for the buffer's current
// size s, and writes the decimal digits of k at the write position (from 0),
// growing the buffer where the write passes its end. Afterwards the buffer
// holds only digits, at least n + 1 of them.
void OverwriteWithDigits(std::string& buffer);

} // namespace vantrel
