#include "formats/record_stream.h"

#include "base/secret.h"

#include <cstring>

namespace vantrel {

namespace {

constexpr std::size_t kPieceSize = 65536;

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

} // namespace

RecordTextSplitter::RecordTextSplitter(RecordVisit visit) : visit_(std::move(visit)) {}

RecordTextSplitter::~RecordTextSplitter() {
    WipeString(pending_);
}

void RecordTextSplitter::add(std::string_view piece) {
    if (ended_) {
        return;
    }
    if (const void* nul = std::memchr(piece.data(), '\0', piece.size())) {
        piece =
            piece.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - piece.data()));
        ended_ = true;
    }
    pending_.append(piece);
    // A record ends where a line that is not a field begins: after a line end,
    // not between the CR and LF of one, and not at a TAB. The last such place
    // cuts the text; everything before it is whole records.
    std::size_t cut = 0;
    for (std::size_t at = pending_.size(); at-- > scanned_;) {
        const char before = pending_[at - 1];
        const char first = pending_[at];
        if (isLineEnd(before) && first != '\t' && !(before == '\r' && first == '\n')) {
            cut = at;
            break;
        }
    }
    scanned_ = std::max<std::size_t>(pending_.size(), 1);
    if (cut == 0) {
        return;
    }
    ForEachRecordInText(std::string_view(pending_).substr(0, cut), visit_);
    std::memset(pending_.data(), 0, cut);
    pending_.erase(0, cut);
    scanned_ = std::max<std::size_t>(pending_.size(), 1);
}

void RecordTextSplitter::finish() {
    ForEachRecordInText(pending_, visit_);
    WipeString(pending_);
    scanned_ = 1;
    ended_ = true;
}

void ForEachRecordInContent(std::string_view content, RecordFileKind kind, TCryptLib& cipher,
                            const RecordVisit& visit) {
    switch (kind) {
    case RecordFileKind::PlainText:
        ForEachRecordInText(content, visit);
        break;
    case RecordFileKind::Encrypted: {
        RecordTextSplitter splitter(visit);
        cipher.DecryptStreamTo(ReadingFrom(content), content.size(),
                               [&splitter](const std::uint8_t* bytes, std::size_t count) {
                                   splitter.add({reinterpret_cast<const char*>(bytes), count});
                               });
        splitter.finish();
        break;
    }
    case RecordFileKind::Protected: {
        // Authenticated as a whole before any record is handed over.
        ProtectedKeySlot key;
        const SecretString text = ReadProtectedContent(content, cipher.Password(), key);
        ForEachRecordInText(text.value(), visit);
        break;
    }
    }
}

bool ContentCanBeRecordFile(std::string_view content, RecordFileKind kind, TCryptLib& cipher) {
    switch (kind) {
    case RecordFileKind::PlainText:
        return true;
    case RecordFileKind::Encrypted:
        break;
    case RecordFileKind::Protected:
        return true; // it does not decrypt at all otherwise
    }
    if (content.empty()) {
        return true;
    }
    RecordTextCheck check;
    cipher.DecryptStreamTo(ReadingFrom(content), content.size(),
                           [&check](const std::uint8_t* bytes, std::size_t count) {
                               check.add({reinterpret_cast<const char*>(bytes), count});
                           });
    return check.passed();
}

void WritePlainTextCopy(const std::filesystem::path& path, std::string_view content,
                        RecordFileKind kind, TCryptLib& cipher) {
    SecretString text;
    ReplaceRecordFile(path, RecordFileKind::PlainText, [&](const ChunkWriter& write) {
        ForEachRecordInContent(content, kind, cipher, [&](const RecordView& record) {
            AppendRecordText(text.value(), record);
            if (text.value().size() >= kPieceSize) {
                write(text.value());
                std::memset(text.value().data(), 0, text.value().size());
                text.value().clear();
            }
        });
        write(text.value());
    });
}

namespace {

// The text as WriteRecordFile would write its records, read piece by piece.
class NormalizedText {
public:
    explicit NormalizedText(std::string_view text) : records_(text) {}

    std::size_t read(std::uint8_t* buffer, std::size_t capacity) {
        std::size_t count = 0;
        while (count < capacity) {
            if (at_ == normal_.value().size()) {
                std::memset(normal_.value().data(), 0, normal_.value().size());
                normal_.value().clear();
                at_ = 0;
                if (!records_.next(record_)) {
                    break;
                }
                AppendRecordText(normal_.value(), record_);
            }
            const std::size_t n = std::min(capacity - count, normal_.value().size() - at_);
            std::memcpy(buffer + count, normal_.value().data() + at_, n);
            at_ += n;
            count += n;
        }
        return count;
    }

private:
    RecordTextReader records_;
    RecordView record_;
    SecretString normal_; // the normalized text of the current record
    std::size_t at_ = 0;
};

} // namespace

void WriteRecordFileFromText(const std::filesystem::path& path, RecordFileKind kind,
                             TCryptLib& cipher, std::string_view text) {
    NormalizedText normal(text);
    WriteRecordFile(
        path, kind, cipher,
        [&normal](std::uint8_t* buffer, std::size_t capacity) {
            return normal.read(buffer, capacity);
        },
        text.size());
}

} // namespace vantrel
