#pragma once

#include "base/secret.h"

#include "cipher/memory_stream.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// TCryptLib: the password-keyed cipher of record files and password check
// strings. Passwords and texts are byte strings (Windows-1251 bytes, one
// character = one byte). The keystream comes from the process-wide generator
// (cipher/random.h), which every operation repositions from the password.
//
// Errors are vantrel::Error with the component's exact English texts.
class TCryptLib {
public:
    static constexpr std::size_t kMaxPasswordLength = 12;
    static constexpr std::size_t kBlockSize = 32768;

    TCryptLib();
    // The key words hold the password's bytes: they are wiped with it.
    ~TCryptLib();
    TCryptLib(TCryptLib&&) noexcept = default;
    TCryptLib& operator=(TCryptLib&&) noexcept = default;

    // Properties, in their published order.
    const std::string& Infile() const { return infile_; }
    void SetInfile(std::string value) { infile_ = std::move(value); }
    const std::string& Outfile() const { return outfile_; }
    void SetOutfile(std::string value) { outfile_ = std::move(value); }
    const std::string& Password() const { return password_.value(); }
    // More than 12 bytes: Password becomes empty and "TCryptLib.Password is too
    // long" is raised.
    void SetPassword(const std::string& password);
    bool Compression() const { return compression_; }
    void SetCompression(bool on) { compression_ = on; }
    std::int32_t AddKey() const { return addKey_; }
    // 0: AddKey becomes 1 and "TCryptLib.AddKey is too big" is raised.
    void SetAddKey(std::int32_t value);
    std::int32_t MultKey() const { return multKey_; }
    // 0: MultKey becomes 1 and "TCryptLib.MultKey is too big" is raised.
    void SetMultKey(std::int32_t value);
    // Can be assigned; no operation fires it (a wrong password is undetectable).
    std::function<void(TCryptLib& sender)> OnBadPassword;
    // Told how far a running stream operation has come, in thousandths of its
    // input read, whenever that number changes: for a progress bar that keeps
    // the window alive. It must not start another stream operation.
    std::function<void(int permille)> OnProgress;
    // Free integer for the owner. The session mirrors its logged-in flag here
    // (0 or 1); the flag itself is the session's (Session::loggedIn).
    int Tag = 0;

    // Hex text: two upper-case digits per byte, 32768-byte blocks.
    std::string EncryptString(const std::string& text);
    // Accepts either case; an odd last character is ignored; any other
    // character raises "TCryptLib: decrypting error - not hexlook string".
    std::string DecryptString(const std::string& hex);

    // 32 hex characters; a fresh salt makes every call differ.
    std::string MakePasswordCheck();
    // True when `candidate` is the password of `check` (Password then stays the
    // candidate); false otherwise, with Password as before. A malformed check
    // string returns false before the candidate is looked at.
    bool CheckPassword(const std::string& check, const std::string& candidate);

    // In place: compress (when Compression is on), then encrypt in 32768-byte
    // blocks after one InitKey. The container has no header.
    void EncryptStream(MemoryStream& stream);
    // The inverse; leaves the position at 0. Any bytes decrypt without error.
    void DecryptStream(MemoryStream& stream);

    // Reads up to `capacity` bytes into `buffer` and returns how many; 0 once
    // the input has ended (and again on every later call).
    using ByteSource = std::function<std::size_t(std::uint8_t* buffer, std::size_t capacity)>;
    using ByteSink = std::function<void(const std::uint8_t* bytes, std::size_t count)>;
    // The same transforms in one pass from `source` to `sink`, piece by piece,
    // so that neither side is ever held whole (the bytes equal those of
    // EncryptStream and DecryptStream). `inputSize`, the number of bytes the
    // source delivers, only scales OnProgress.
    void EncryptStreamTo(const ByteSource& source, std::uint64_t inputSize, const ByteSink& sink);
    void DecryptStreamTo(const ByteSource& source, std::uint64_t inputSize, const ByteSink& sink);

    // Internal steps, public so that their fixed values can be tested.
    // InitKey derives key words A, B, C and the salt, builds the key block and
    // positions the generator at seed A.
    void InitKey();
    void EncryptBuffer(std::uint8_t* buffer, std::size_t length);
    // Decrypts the first `length` bytes of the work buffer.
    void DecryptBuffer(std::size_t length);

    std::uint32_t KeyWordA() const { return keyA_; }
    std::uint32_t KeyWordB() const { return keyB_; }
    std::uint32_t KeyWordC() const { return keyC_; }
    // The key block made by the last InitKey, while it is held.
    const std::optional<std::array<std::uint8_t, 16>>& KeyBlock() const { return keyBlock_; }
    void ReleaseKeyBlock() { keyBlock_.reset(); }
    // Overwrites what the last InitKey derived from the password (the key
    // words, which are its bytes, the salt and the key block); every
    // operation derives them again first.
    void WipeKey();
    std::uint8_t* WorkBuffer() { return workBuffer_.get(); }
    void AllocateWorkBuffer();
    void ReleaseWorkBuffer() { workBuffer_.reset(); }

private:
    struct BufferDraws;
    template <bool kDecrypt>
    void cipherBytes(std::uint8_t* buffer, const std::uint8_t* keys, std::size_t length);
    std::uint32_t passwordChecksum();

    std::string infile_;
    std::string outfile_;
    SecretString password_; // wiped when the component goes away
    bool compression_ = true;
    std::int32_t addKey_;
    std::int32_t multKey_;

    std::uint32_t keyA_ = 0;
    std::uint32_t keyB_ = 0;
    std::uint32_t keyC_ = 0;
    std::uint32_t salt_ = 0;
    std::optional<std::array<std::uint8_t, 16>> keyBlock_;
    std::unique_ptr<std::uint8_t[]> workBuffer_;
};

// A source reading `bytes` from the start; they must outlive it.
TCryptLib::ByteSource ReadingFrom(std::string_view bytes);

} // namespace vantrel
