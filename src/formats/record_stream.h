#pragma once

#include "formats/record_file.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

// Record files too large to be held several times over: their records are
// walked, and copies of them written, while the text is decrypted or
// encrypted piece by piece, never holding the whole text.
namespace vantrel {

using RecordVisit = std::function<void(const RecordView&)>;

// Splits record text that arrives in pieces into records by the rules of
// ForEachRecordInText, holding only what may still belong to an unfinished
// record. A record is handed over as soon as the next record's number line
// has begun.
class RecordTextSplitter {
public:
    explicit RecordTextSplitter(RecordVisit visit);
    ~RecordTextSplitter(); // wipes what it holds
    RecordTextSplitter(const RecordTextSplitter&) = delete;
    RecordTextSplitter& operator=(const RecordTextSplitter&) = delete;

    void add(std::string_view piece);
    // The end of the text: hands over the last record.
    void finish();

private:
    RecordVisit visit_;
    std::string pending_;
    // Where the search for the next cut resumes: no earlier place is one.
    std::size_t scanned_ = 1;
    bool ended_ = false; // a NUL byte ended the text
};

// Hands every record of `content`, the bytes of a record file of `kind`, to
// `visit` in order; the encrypted kind is decrypted by `cipher` on the way,
// the protected kind (with the key of the cipher's Password, derived at each
// call) whole before the first record.
void ForEachRecordInContent(std::string_view content, RecordFileKind kind, TCryptLib& cipher,
                            const RecordVisit& visit);

// Whether `content`, the bytes of a record file of `kind`, looks like a record
// file, as ReadRecordFile judges one: a plain or an empty file always does; an
// encrypted one when its text, decrypted piece by piece, CanBeRecordText.
bool ContentCanBeRecordFile(std::string_view content, RecordFileKind kind, TCryptLib& cipher);

// Writes the records of `content`, the bytes of a record file of `kind`, to
// `path` as a plain text record file, as WriteRecordFile writes a list: the
// export.
void WritePlainTextCopy(const std::filesystem::path& path, std::string_view content,
                        RecordFileKind kind, TCryptLib& cipher);

// Writes the records of a plain text to `path` as a record file of `kind`, as
// WriteRecordFile writes a list: the import.
void WriteRecordFileFromText(const std::filesystem::path& path, RecordFileKind kind,
                             TCryptLib& cipher, std::string_view text);

} // namespace vantrel
