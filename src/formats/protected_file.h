#pragma once

#include "base/atomic_file.h"
#include "base/secret.h"
#include "cipher/crypt_lib.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// The protected record file: the record text encrypted and authenticated by
// libsodium under a key that Argon2id derives from the user's password.
//
//   offset  bytes  content (integers little-endian)
//   0       8      "VTRSAFE1"
//   8       4      Argon2id opslimit
//   12      4      Argon2id memlimit in KiB
//   16      16     salt
//   32      24     crypto_secretstream_xchacha20poly1305 header
//   56      ...    chunks of 65 536 text bytes (65 553 written), the last one
//                  (0 to 65 536 text bytes) tagged FINAL, every other MESSAGE;
//                  the first chunk authenticates bytes 0-31 as well
namespace vantrel {

// UTF-8 texts of a protected file that cannot be read.
inline constexpr const char* kProtectedWrongOrDamaged = "Неверный пароль или файл повреждён.";
inline constexpr const char* kProtectedTruncated = "Файл обрезан.";

inline constexpr std::string_view kProtectedMagic{"VTRSAFE1", 8};
inline constexpr std::size_t kProtectedSaltSize = 16;
// Magic, limits and salt: what the first chunk authenticates.
inline constexpr std::size_t kProtectedBoundSize = 32;
inline constexpr std::size_t kProtectedHeaderSize = 56;
inline constexpr std::size_t kProtectedKeySize = 32;
inline constexpr std::size_t kProtectedChunkTextSize = 65536;
inline constexpr std::size_t kProtectedChunkSize = kProtectedChunkTextSize + 17;

// The Argon2id limits the program writes, and the bounds it reads: a header
// outside them is refused before anything is allocated.
inline constexpr std::uint32_t kProtectedWriteOpslimit = 3;
inline constexpr std::uint32_t kProtectedWriteMemlimitKib = 65536;
inline constexpr std::uint32_t kProtectedMinOpslimit = 1;
inline constexpr std::uint32_t kProtectedMaxOpslimit = 10;
inline constexpr std::uint32_t kProtectedMinMemlimitKib = 8 * 1024;
inline constexpr std::uint32_t kProtectedMaxMemlimitKib = 1024 * 1024;

// Whether the bytes of a record file are of the protected form: exactly when
// they begin with the magic, whatever the file's name.
bool IsProtectedContent(std::string_view bytes);

// What the key of a protected file is derived with.
struct ProtectedParams {
    std::uint32_t opslimit = kProtectedWriteOpslimit;
    std::uint32_t memlimitKib = kProtectedWriteMemlimitKib;
    std::array<unsigned char, kProtectedSaltSize> salt{};

    bool operator==(const ProtectedParams&) const = default;
};

// The limits and salt of protected content. Throws vantrel::Error
// kProtectedTruncated when it is shorter than the header and
// kProtectedWrongOrDamaged when the limits are outside the bounds.
ProtectedParams ReadProtectedParams(std::string_view content);

// A derived key in libsodium's guarded memory (no access outside the calls
// that use it, wiped when it goes away), with the parameters it came from.
class ProtectedKey {
public:
    // Derives the key of `password` (1251 bytes) with `params`. Throws
    // vantrel::Error when the memory for the derivation cannot be had.
    ProtectedKey(std::string_view password, const ProtectedParams& params);
    // A key with a new random salt and the limits the program writes.
    static ProtectedKey Fresh(std::string_view password);
    // A key given as it is (kProtectedKeySize bytes): for the fuzz target and
    // the tests, which must not pay a derivation per input.
    static ProtectedKey FromBytes(const unsigned char* bytes, const ProtectedParams& params);

    ProtectedKey(ProtectedKey&& other) noexcept;
    ProtectedKey& operator=(ProtectedKey&& other) noexcept;
    ProtectedKey(const ProtectedKey&) = delete;
    ProtectedKey& operator=(const ProtectedKey&) = delete;
    ~ProtectedKey();

    const ProtectedParams& params() const { return params_; }

private:
    explicit ProtectedKey(const ProtectedParams& params);
    friend class ProtectedKeyAccess;

    unsigned char* key_ = nullptr; // sodium_malloc'd, read-only outside its uses
    ProtectedParams params_;
};

// The key a session keeps between the open of a file and its saves: derived
// once, reused while the file's parameters stay the same.
using ProtectedKeySlot = std::optional<ProtectedKey>;

// Writes the protected form of the text that `text` delivers to `write`: the
// header with the key's parameters and a fresh stream header, then the chunks.
void WriteProtectedContent(const ProtectedKey& key, const TCryptLib::ByteSource& text,
                           const ChunkWriter& write);

// The text of protected content, decrypted with `key` (whose parameters must
// be those of the content). Throws vantrel::Error kProtectedWrongOrDamaged or
// kProtectedTruncated; nothing of the text survives a failure.
SecretString ReadProtectedContent(std::string_view content, const ProtectedKey& key);

// The same with the key of `password`: the one in `slot` when it was derived
// with the content's parameters, otherwise a new one, which goes into `slot`
// once the content has decrypted (a failure leaves `slot` as it was).
SecretString ReadProtectedContent(std::string_view content, std::string_view password,
                                  ProtectedKeySlot& slot);

// The key in `slot` for a write, derived fresh (ProtectedKey::Fresh) when the
// slot is empty.
const ProtectedKey& KeyForWriting(std::string_view password, ProtectedKeySlot& slot);

} // namespace vantrel
