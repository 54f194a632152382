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

// Hands every record of a record file's bytes to `visit`, in order: the bytes
// are decrypted by `cipher` on the way unless it is null (plain text).
void ForEachRecordInContent(std::string_view content, TCryptLib* cipher, const RecordVisit& visit);

// Writes the records of an encrypted record file's bytes to `path` as a plain
// text record file, as SaveRecordFile would write them (mode 0600).
void SaveAsPlainRecordFile(std::string_view encrypted, TCryptLib& cipher,
                           const std::filesystem::path& path);

// Writes the records of a plain text to `path` as an encrypted record file, as
// SaveRecordFile would write them.
void SaveAsEncryptedRecordFile(std::string_view text, TCryptLib& cipher,
                               const std::filesystem::path& path);

} // namespace vantrel
