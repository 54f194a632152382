#include "formats/record_file.h"

#include "base/atomic_file.h"
#include "base/error.h"
#include "base/secret.h"
#include "cipher/crypt_lib.h"
#include "cipher/memory_stream.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace vantrel {

namespace {

constexpr const char* kCannotOpen = kCannotOpenFileText;
constexpr const char* kCannotCreate = kCannotCreateFileText;

// Field lines lose every character with a code of 0x20 or less at both ends.
std::string_view trimControls(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= 0x20) {
        ++first;
    }
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= 0x20) {
        --last;
    }
    return text.substr(first, last - first);
}

} // namespace

std::string FormatRecordText(const RecordList& records) {
    std::size_t size = 0;
    for (const Record& record : records) {
        size += record.number.size() + 2;
        for (const std::string& field : record.fields) {
            size += field.size() + 3;
        }
    }
    std::string text;
    text.reserve(size);
    for (const Record& record : records) {
        AppendRecordText(text, record);
    }
    return text;
}

namespace {

// A NUL byte ends the text.
std::string_view cutAtNul(std::string_view text) {
    const void* nul = std::memchr(text.data(), '\0', text.size());
    return nul == nullptr
               ? text
               : text.substr(0,
                             static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
}

} // namespace

RecordTextReader::RecordTextReader(std::string_view text) : lines_(cutAtNul(text)) {}

bool RecordTextReader::next(RecordView& record) {
    record.number = {};
    record.fields.clear();
    bool open = false; // a record has been started
    if (numberAhead_) {
        record.number = *numberAhead_;
        numberAhead_.reset();
        open = true;
    }
    std::string_view line;
    while (lines_.next(line)) {
        if (!line.empty() && line.front() == '\t') {
            open = true; // a field before any number starts a record to hold it
            record.fields.push_back(trimControls(line));
            continue;
        }
        if (open) {
            numberAhead_ = line; // the next record's number
            return true;
        }
        record.number = line;
        open = true;
    }
    return open;
}

void ForEachRecordInText(std::string_view text,
                         const std::function<void(const RecordView&)>& visit) {
    RecordTextReader reader(text);
    RecordView record;
    while (reader.next(record)) {
        visit(record);
    }
}

void AppendRecord(RecordList& records, const RecordView& view) {
    Record& record = records.emplace_back();
    record.number.assign(view.number);
    record.fields.reserve(std::max<std::size_t>(view.fields.size(), kFieldCount));
    for (std::string_view field : view.fields) {
        record.fields.emplace_back(field);
    }
}

RecordList ParseRecordText(std::string_view text) {
    RecordList records;
    ForEachRecordInText(text, [&records](const RecordView& view) { AppendRecord(records, view); });
    return records;
}

void RecordTextCheck::add(std::string_view piece) {
    for (const char c : piece) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r' && c != '\n') {
            controlByte_ = true;
            return;
        }
        if (afterCr_ && c == '\n') {
            afterCr_ = false; // CR LF is one line end
            continue;
        }
        // A line that does not begin with a TAB is a number line; so is an
        // empty one, which begins with its own line end.
        numberLine_ = numberLine_ || (lineStart_ && c != '\t');
        lineStart_ = c == '\r' || c == '\n';
        afterCr_ = c == '\r';
    }
}

bool CanBeRecordText(std::string_view text) {
    RecordTextCheck check;
    check.add(text);
    return check.passed();
}

namespace {

constexpr std::size_t kPieceSize = 65536;

FilePermissions PermissionsOf(RecordFileKind kind) {
    FilePermissions permissions = FilePermissions::KeepReplaced;
    switch (kind) {
    case RecordFileKind::PlainText:
        // Plain text shows every password: it is for the owner's eyes only,
        // whatever the mode of the file it replaces.
        permissions = FilePermissions::OwnerOnly;
        break;
    case RecordFileKind::Encrypted:
    case RecordFileKind::Protected:
        break;
    }
    return permissions;
}

// Hands everything `source` delivers to `write`, piece by piece.
void CopyPieces(const TCryptLib::ByteSource& source, const ChunkWriter& write) {
    SecretString piece(std::string(kPieceSize, '\0')); // record text holds passwords
    auto* buffer = reinterpret_cast<std::uint8_t*>(piece.value().data());
    while (const std::size_t count = source(buffer, kPieceSize)) {
        write(std::string_view(piece.value()).substr(0, count));
    }
}

// The text of a record file named as `kind`: its bytes, decrypted for the
// encrypted kinds; `kind` becomes the kind the bytes were read as. It holds
// passwords: the caller wipes it.
std::string ReadRecordText(const std::filesystem::path& path, RecordFileKind& kind,
                           TCryptLib& cipher, ProtectedKeySlot& key) {
    std::string bytes;
    if (const std::error_code ec = ReadWholeFile(path, bytes)) {
        throw FileError(formatMessage(kCannotOpen, path.string()), ec);
    }
    kind = RecordFileKindOfContent(bytes, kind);
    switch (kind) {
    case RecordFileKind::PlainText:
        break;
    case RecordFileKind::Encrypted: {
        MemoryStream stream(std::move(bytes));
        cipher.DecryptStream(stream);
        bytes = stream.takeBytes();
        break;
    }
    case RecordFileKind::Protected: {
        SecretString text = ReadProtectedContent(bytes, cipher.Password(), key);
        std::swap(bytes, text.value());
        break;
    }
    }
    return bytes;
}

} // namespace

void ReplaceRecordFile(const std::filesystem::path& path, RecordFileKind kind,
                       const std::function<void(const ChunkWriter& write)>& produce) {
    if (const std::error_code ec = ReplaceFileAtomically(path, produce, PermissionsOf(kind))) {
        throw FileError(formatMessage(kCannotCreate, path.string()), ec);
    }
}

void WriteRecordFile(const std::filesystem::path& path, RecordFileKind kind, TCryptLib& cipher,
                     const TCryptLib::ByteSource& text, std::uint64_t textSize,
                     ProtectedKeySlot& key) {
    // Derived before the temporary file is made: a failure leaves nothing.
    const ProtectedKey* protectedKey =
        kind == RecordFileKind::Protected ? &KeyForWriting(cipher.Password(), key) : nullptr;
    ReplaceRecordFile(path, kind, [&](const ChunkWriter& write) {
        switch (kind) {
        case RecordFileKind::PlainText:
            CopyPieces(text, write);
            break;
        case RecordFileKind::Encrypted:
            cipher.EncryptStreamTo(text, textSize,
                                   [&write](const std::uint8_t* bytes, std::size_t count) {
                                       write({reinterpret_cast<const char*>(bytes), count});
                                   });
            break;
        case RecordFileKind::Protected:
            WriteProtectedContent(*protectedKey, text, write);
            break;
        }
    });
}

void WriteRecordFile(const std::filesystem::path& path, RecordFileKind kind, TCryptLib& cipher,
                     const RecordList& records, ProtectedKeySlot& key) {
    const SecretString text(FormatRecordText(records));
    WriteRecordFile(path, kind, cipher, ReadingFrom(text.value()), text.value().size(), key);
}

void WriteRecordFile(const std::filesystem::path& path, RecordFileKind kind, TCryptLib& cipher,
                     const TCryptLib::ByteSource& text, std::uint64_t textSize) {
    ProtectedKeySlot key;
    WriteRecordFile(path, kind, cipher, text, textSize, key);
}

void WriteRecordFile(const std::filesystem::path& path, RecordFileKind kind, TCryptLib& cipher,
                     const RecordList& records) {
    ProtectedKeySlot key;
    WriteRecordFile(path, kind, cipher, records, key);
}

LoadedRecordFile ReadRecordFile(const std::filesystem::path& path, RecordFileKind kind,
                                TCryptLib& cipher, ProtectedKeySlot& key) {
    // An empty encrypted file is an empty list: nothing to doubt.
    std::error_code ec;
    const bool emptyFile = std::filesystem::file_size(path, ec) == 0 && !ec;
    SecretString text(ReadRecordText(path, kind, cipher, key));
    LoadedRecordFile loaded{ParseRecordText(text.value()), true,
                            emptyFile || CanBeRecordText(text.value()), kind};
    switch (kind) {
    case RecordFileKind::PlainText:
        break;
    case RecordFileKind::Protected:
        // Authenticated: it is what its owner saved, the empty list too.
        loaded.recordText = loaded.recordText || text.value().empty();
        break;
    case RecordFileKind::Encrypted:
        // The container carries no check value: a wrong password shows only
        // in the text.
        loaded.plausible = loaded.recordText;
        break;
    }
    return loaded;
}

LoadedRecordFile ReadRecordFile(const std::filesystem::path& path, RecordFileKind kind,
                                TCryptLib& cipher) {
    ProtectedKeySlot key;
    return ReadRecordFile(path, kind, cipher, key);
}

std::optional<std::string> WipeFile(const std::filesystem::path& path) {
    return WipeFile(path, {});
}

std::optional<std::string> WipeFile(const std::filesystem::path& path,
                                    const std::function<void()>& beforeDelete) {
    std::error_code ec;
    const bool exists = std::filesystem::exists(path, ec);
    if (ec) { // e.g. a folder on the way that may not be searched
        throw Error(formatMessage(kCannotOpen, path.string()));
    }
    if (!exists) {
        return "Ошибка уничтожения файла\rФайл " + path.string() + " не был найден.";
    }
    std::string buffer;
    if (ReadWholeFile(path, buffer)) {
        throw Error(formatMessage(kCannotOpen, path.string()));
    }
    OverwriteWithDigits(buffer);

    // In place, not through a new file: the old blocks themselves must be
    // overwritten. The digits are at least one byte longer than the old
    // content, so no truncation is needed.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    bool written = fd >= 0;
    for (std::size_t at = 0; written && at < buffer.size();) {
        const ssize_t result = ::write(fd, buffer.data() + at, buffer.size() - at);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        written = result > 0;
        at += written ? static_cast<std::size_t>(result) : 0;
    }
    written = written && ::fsync(fd) == 0;
    if (fd >= 0 && ::close(fd) != 0) {
        written = false;
    }
    if (!written) {
        throw Error(formatMessage(kCannotCreate, path.string()));
    }
    if (beforeDelete) {
        beforeDelete();
    }
    std::filesystem::remove(path, ec); // a failing deletion is ignored
    return std::nullopt;
}

void OverwriteWithDigits(std::string& buffer) {
    std::random_device seed;
    std::mt19937_64 engine(seed());
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    const std::size_t repetitions = buffer.size() + 1;
    std::size_t position = 0;
    char digits[24]; // the decimal digits of a 64-bit number
    for (std::size_t i = 0; i < repetitions; ++i) {
        const double size = static_cast<double>(buffer.size());
        const auto k = static_cast<unsigned long long>(std::llround(uniform(engine) * size));
        const auto length =
            static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, k).ptr - digits);
        if (position + length > buffer.size()) {
            buffer.resize(position + length);
        }
        std::memcpy(buffer.data() + position, digits, length);
        position += length;
    }
}

} // namespace vantrel
