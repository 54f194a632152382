#include "formats/protected_file.h"

#include "base/error.h"

#include <sodium.h>

#include <cstring>
#include <new>
#include <utility>

namespace vantrel {

namespace {

using Stream = crypto_secretstream_xchacha20poly1305_state;
constexpr std::size_t kStreamHeaderSize = crypto_secretstream_xchacha20poly1305_HEADERBYTES;
constexpr std::size_t kChunkOverhead = crypto_secretstream_xchacha20poly1305_ABYTES;
static_assert(kProtectedChunkSize == kProtectedChunkTextSize + kChunkOverhead);
static_assert(kProtectedBoundSize + kStreamHeaderSize == kProtectedHeaderSize);
static_assert(kProtectedKeySize == crypto_secretstream_xchacha20poly1305_KEYBYTES);

void RequireSodium() {
    static const bool ready = sodium_init() >= 0;
    if (!ready) {
        throw Error("libsodium cannot be initialised");
    }
}

std::uint32_t ReadLittleEndian(const char* bytes) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    }
    return value;
}

void AppendLittleEndian(std::string& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// The bytes the first chunk authenticates: magic, limits and salt.
std::string BoundBytes(const ProtectedParams& params) {
    std::string bytes(kProtectedMagic);
    AppendLittleEndian(bytes, params.opslimit);
    AppendLittleEndian(bytes, params.memlimitKib);
    bytes.append(reinterpret_cast<const char*>(params.salt.data()), params.salt.size());
    return bytes;
}

// Wipes the stream state (it holds the key) when it goes away.
struct StreamState {
    Stream state{};
    ~StreamState() { sodium_memzero(&state, sizeof state); }
};

// Reads from `source` until `buffer` is full or the source has ended.
std::size_t Fill(const TCryptLib::ByteSource& source, unsigned char* buffer, std::size_t size) {
    std::size_t count = 0;
    while (count < size) {
        const std::size_t got = source(buffer + count, size - count);
        if (got == 0) {
            break;
        }
        count += got;
    }
    return count;
}

} // namespace

// Opens a key's guarded memory for reading during a scope.
class ProtectedKeyAccess {
public:
    explicit ProtectedKeyAccess(const ProtectedKey& key) : key_(key) {
        sodium_mprotect_readonly(key_.key_);
    }
    ~ProtectedKeyAccess() { sodium_mprotect_noaccess(key_.key_); }
    ProtectedKeyAccess(const ProtectedKeyAccess&) = delete;
    ProtectedKeyAccess& operator=(const ProtectedKeyAccess&) = delete;
    const unsigned char* bytes() const { return key_.key_; }

    // Lets `fill` write the key, then closes it again.
    template <typename Fill> static void Write(ProtectedKey& key, Fill&& fill) {
        sodium_mprotect_readwrite(key.key_);
        const bool filled = fill(key.key_);
        sodium_mprotect_noaccess(key.key_);
        if (!filled) {
            throw Error("Недостаточно памяти для вычисления ключа файла.");
        }
    }

private:
    const ProtectedKey& key_;
};

bool IsProtectedContent(std::string_view bytes) {
    return bytes.substr(0, kProtectedMagic.size()) == kProtectedMagic;
}

ProtectedParams ReadProtectedParams(std::string_view content) {
    if (content.size() < kProtectedHeaderSize || !IsProtectedContent(content)) {
        throw Error(kProtectedTruncated);
    }
    ProtectedParams params;
    params.opslimit = ReadLittleEndian(content.data() + 8);
    params.memlimitKib = ReadLittleEndian(content.data() + 12);
    std::memcpy(params.salt.data(), content.data() + 16, params.salt.size());
    if (params.opslimit < kProtectedMinOpslimit || params.opslimit > kProtectedMaxOpslimit ||
        params.memlimitKib < kProtectedMinMemlimitKib ||
        params.memlimitKib > kProtectedMaxMemlimitKib) {
        throw Error(kProtectedWrongOrDamaged);
    }
    return params;
}

ProtectedKey::ProtectedKey(const ProtectedParams& params) : params_(params) {
    RequireSodium();
    key_ = static_cast<unsigned char*>(sodium_malloc(kProtectedKeySize));
    if (key_ == nullptr) {
        throw std::bad_alloc();
    }
    sodium_mprotect_noaccess(key_);
}

ProtectedKey::ProtectedKey(std::string_view password, const ProtectedParams& params)
    : ProtectedKey(params) {
    ProtectedKeyAccess::Write(*this, [&](unsigned char* key) {
        return crypto_pwhash(key, kProtectedKeySize, password.data(), password.size(),
                             params.salt.data(), params.opslimit,
                             static_cast<std::size_t>(params.memlimitKib) * 1024,
                             crypto_pwhash_ALG_ARGON2ID13) == 0;
    });
}

ProtectedKey ProtectedKey::Fresh(std::string_view password) {
    RequireSodium();
    ProtectedParams params;
    randombytes_buf(params.salt.data(), params.salt.size());
    return ProtectedKey(password, params);
}

ProtectedKey ProtectedKey::FromBytes(const unsigned char* bytes, const ProtectedParams& params) {
    ProtectedKey key(params);
    ProtectedKeyAccess::Write(key, [bytes](unsigned char* target) {
        std::memcpy(target, bytes, kProtectedKeySize);
        return true;
    });
    return key;
}

ProtectedKey::ProtectedKey(ProtectedKey&& other) noexcept
    : key_(std::exchange(other.key_, nullptr)), params_(other.params_) {}

ProtectedKey& ProtectedKey::operator=(ProtectedKey&& other) noexcept {
    if (this != &other) {
        sodium_free(key_); // wipes it
        key_ = std::exchange(other.key_, nullptr);
        params_ = other.params_;
    }
    return *this;
}

ProtectedKey::~ProtectedKey() {
    sodium_free(key_);
}

void WriteProtectedContent(const ProtectedKey& key, const TCryptLib::ByteSource& text,
                           const ChunkWriter& write) {
    const std::string bound = BoundBytes(key.params());
    std::string header = bound;
    header.resize(kProtectedHeaderSize);
    StreamState stream;
    {
        const ProtectedKeyAccess access(key);
        crypto_secretstream_xchacha20poly1305_init_push(
            &stream.state, reinterpret_cast<unsigned char*>(header.data()) + bound.size(),
            access.bytes());
    }
    write(header);

    // One chunk is held back until the next shows whether it was the last.
    SecretString plain(std::string(2 * kProtectedChunkTextSize, '\0'));
    auto* current = reinterpret_cast<unsigned char*>(plain.value().data());
    auto* next = current + kProtectedChunkTextSize;
    std::string chunk(kProtectedChunkSize, '\0');
    std::size_t count = Fill(text, current, kProtectedChunkTextSize);
    bool first = true;
    for (;;) {
        const std::size_t nextCount =
            count == kProtectedChunkTextSize ? Fill(text, next, kProtectedChunkTextSize) : 0;
        const bool last = nextCount == 0;
        unsigned long long written = 0;
        crypto_secretstream_xchacha20poly1305_push(
            &stream.state, reinterpret_cast<unsigned char*>(chunk.data()), &written, current, count,
            first ? reinterpret_cast<const unsigned char*>(bound.data()) : nullptr,
            first ? bound.size() : 0,
            last ? crypto_secretstream_xchacha20poly1305_TAG_FINAL
                 : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE);
        write(std::string_view(chunk).substr(0, static_cast<std::size_t>(written)));
        if (last) {
            return;
        }
        std::swap(current, next);
        count = nextCount;
        first = false;
    }
}

SecretString ReadProtectedContent(std::string_view content, const ProtectedKey& key) {
    if (ReadProtectedParams(content) != key.params()) {
        throw Error(kProtectedWrongOrDamaged);
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(content.data());
    StreamState stream;
    {
        const ProtectedKeyAccess access(key);
        if (crypto_secretstream_xchacha20poly1305_init_pull(
                &stream.state, bytes + kProtectedBoundSize, access.bytes()) != 0) {
            throw Error(kProtectedWrongOrDamaged);
        }
    }
    // The text is never longer than the content: reserved once, so that no
    // copy of it is left behind by a reallocation.
    SecretString text;
    text.value().reserve(content.size());
    std::size_t at = kProtectedHeaderSize;
    for (bool first = true;; first = false) {
        if (at == content.size()) {
            throw Error(kProtectedTruncated); // no FINAL chunk
        }
        const std::size_t size = std::min(kProtectedChunkSize, content.size() - at);
        if (size < kChunkOverhead) {
            throw Error(kProtectedTruncated);
        }
        const std::size_t end = text.value().size();
        text.value().resize(end + size - kChunkOverhead);
        unsigned long long count = 0;
        unsigned char tag = 0;
        if (crypto_secretstream_xchacha20poly1305_pull(
                &stream.state, reinterpret_cast<unsigned char*>(text.value().data()) + end, &count,
                &tag, bytes + at, size, first ? bytes : nullptr,
                first ? kProtectedBoundSize : 0) != 0) {
            throw Error(kProtectedWrongOrDamaged);
        }
        at += size;
        if (tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL) {
            if (at != content.size()) {
                throw Error(kProtectedWrongOrDamaged); // bytes after the end
            }
            return text;
        }
        if (tag != crypto_secretstream_xchacha20poly1305_TAG_MESSAGE ||
            size != kProtectedChunkSize) {
            throw Error(size != kProtectedChunkSize ? kProtectedTruncated
                                                    : kProtectedWrongOrDamaged);
        }
    }
}

SecretString ReadProtectedContent(std::string_view content, std::string_view password,
                                  ProtectedKeySlot& slot) {
    const ProtectedParams params = ReadProtectedParams(content);
    if (slot && slot->params() == params) {
        return ReadProtectedContent(content, *slot);
    }
    ProtectedKey key(password, params);
    SecretString text = ReadProtectedContent(content, key);
    slot = std::move(key);
    return text;
}

const ProtectedKey& KeyForWriting(std::string_view password, ProtectedKeySlot& slot) {
    if (!slot) {
        slot = ProtectedKey::Fresh(password);
    }
    return *slot;
}

} // namespace vantrel
