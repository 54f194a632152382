#include "cipher/crypt_lib.h"

#include "base/error.h"
#include "cipher/checksum.h"
#include "cipher/random.h"

#include <cstring>

namespace vantrel {

namespace {

constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

// Bytes of the default password and keys; both program instances replace them.
constexpr const char* kDefaultPassword = "vtrkey";
constexpr std::int32_t kDefaultAddKey = 4561;
constexpr std::int32_t kDefaultMultKey = 7129;

// Value of a hexadecimal digit in either case, or -1.
inline int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

void appendHex(std::string& out, const std::uint8_t* bytes, std::size_t length) {
    const std::size_t at = out.size();
    out.resize(at + 2 * length);
    char* dst = out.data() + at;
    for (std::size_t i = 0; i < length; ++i) {
        dst[2 * i] = kUpperHexDigits[bytes[i] >> 4];
        dst[2 * i + 1] = kUpperHexDigits[bytes[i] & 0x0F];
    }
}

std::string hex8(std::uint32_t value) {
    std::string text(8, '0');
    for (int i = 7; i >= 0; --i) {
        text[static_cast<std::size_t>(i)] = kUpperHexDigits[value & 0x0F];
        value >>= 4;
    }
    return text;
}

// Exactly eight hexadecimal digits, either case.
bool parseHex8(const std::string& text, std::size_t at, std::uint32_t& value) {
    value = 0;
    for (std::size_t i = at; i < at + 8; ++i) {
        const int digit = hexValue(text[i]);
        if (digit < 0) {
            return false;
        }
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return true;
}

// The generator's step as an affine map s -> mul * s + add (mod 2^32), so that
// k steps can be taken at once.
struct Lcg {
    std::uint32_t mul;
    std::uint32_t add;
};

constexpr Lcg kGeneratorStep{134775813u, 1u};

constexpr Lcg then(Lcg first, Lcg second) {
    return {second.mul * first.mul, second.mul * first.add + second.add};
}

constexpr Lcg steps(std::size_t count) {
    Lcg result{1u, 0u};
    Lcg power = kGeneratorStep;
    for (; count != 0; count >>= 1) {
        if (count & 1u) {
            result = then(result, power);
        }
        power = then(power, power);
    }
    return result;
}

inline std::uint32_t below(std::uint32_t seed, std::uint32_t range) {
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(seed) * range) >> 32);
}

// One buffer call draws n permutation targets and then n keystream bytes. Both
// runs come from the same generator; the keystream draw i is the permutation
// draw i moved n steps ahead, so both are made in one pass without waiting on
// one long chain of steps.
template <std::uint32_t kFixedRange = 0>
void drawRuns(std::size_t n, std::uint32_t range, std::uint16_t* targets, std::uint8_t* keys) {
    if constexpr (kFixedRange != 0) {
        range = kFixedRange; // a constant range lets the compiler avoid a multiply
    }
    const std::uint32_t start = RandomSeed();
    const Lcg ahead = steps(n);
    const Lcg two = steps(2);
    // Two interleaved chains (seeds 1, 3, 5, ... and 2, 4, 6, ...).
    std::uint32_t odd = kGeneratorStep.mul * start + kGeneratorStep.add;
    std::uint32_t even = kGeneratorStep.mul * odd + kGeneratorStep.add;
    std::size_t i = 0;
    for (; i + 1 < n; i += 2) {
        targets[i] = static_cast<std::uint16_t>(below(odd, range));
        targets[i + 1] = static_cast<std::uint16_t>(below(even, range));
        keys[i] = static_cast<std::uint8_t>(below(ahead.mul * odd + ahead.add, 255));
        keys[i + 1] = static_cast<std::uint8_t>(below(ahead.mul * even + ahead.add, 255));
        odd = two.mul * odd + two.add;
        even = two.mul * even + two.add;
    }
    if (i < n) {
        targets[i] = static_cast<std::uint16_t>(below(odd, range));
        keys[i] = static_cast<std::uint8_t>(below(ahead.mul * odd + ahead.add, 255));
    }
    const Lcg all = steps(2 * n);
    SetRandomSeed(all.mul * start + all.add);
}

inline std::uint32_t xorOfBytes(std::uint32_t word) {
    return (word ^ (word >> 8) ^ (word >> 16) ^ (word >> 24)) & 0xFFu;
}

} // namespace

TCryptLib::TCryptLib()
    : password_(std::string(kDefaultPassword)), addKey_(kDefaultAddKey), multKey_(kDefaultMultKey) {
}

void TCryptLib::SetPassword(const std::string& password) {
    if (password.size() > kMaxPasswordLength) {
        WipeString(password_.value());
        throw Error("TCryptLib.Password is too long");
    }
    // At most 12 bytes: the string's own buffer, overwritten in place. It is
    // wiped first, so that no byte of a longer old password stays behind it.
    std::string& held = password_.value();
    if (&password != &held) {
        WipeString(held);
        held.assign(password);
    }
}

void TCryptLib::SetAddKey(std::int32_t value) {
    if (value == 0) {
        addKey_ = 1;
        throw Error("TCryptLib.AddKey is too big");
    }
    addKey_ = value;
}

void TCryptLib::SetMultKey(std::int32_t value) {
    if (value == 0) {
        multKey_ = 1;
        throw Error("TCryptLib.MultKey is too big");
    }
    multKey_ = value;
}

TCryptLib::~TCryptLib() {
    WipeKey();
}

void TCryptLib::WipeKey() {
    volatile std::uint32_t* words[] = {&keyA_, &keyB_, &keyC_, &salt_};
    for (volatile std::uint32_t* word : words) {
        *word = 0;
    }
    if (keyBlock_) {
        volatile std::uint8_t* block = keyBlock_->data();
        for (std::size_t i = 0; i < keyBlock_->size(); ++i) {
            block[i] = 0;
        }
        keyBlock_.reset();
    }
}

void TCryptLib::InitKey() {
    std::uint8_t padded[12] = {};
    const std::string& password = password_.value();
    std::memcpy(padded, password.data(), std::min(password.size(), sizeof padded));
    auto word = [&padded](int first) {
        return static_cast<std::uint32_t>(padded[first]) |
               static_cast<std::uint32_t>(padded[first + 1]) << 8 |
               static_cast<std::uint32_t>(padded[first + 2]) << 16 |
               static_cast<std::uint32_t>(padded[first + 3]) << 24;
    };
    keyA_ = word(0);
    keyB_ = word(4);
    keyC_ = word(8);

    ReseedFromClock();
    salt_ = RandomBelow(static_cast<std::uint32_t>(-2));

    std::array<std::uint8_t, 16> block{};
    SetRandomSeed(keyA_);
    for (std::size_t i = 0; i < 4; ++i) {
        block[i] = static_cast<std::uint8_t>(RandomBelow(255));
    }
    SetRandomSeed(keyB_);
    for (std::size_t i = 4; i < 8; ++i) {
        block[i] = static_cast<std::uint8_t>(RandomBelow(255));
    }
    SetRandomSeed(keyC_);
    for (std::size_t i = 8; i < 16; ++i) {
        block[i] = static_cast<std::uint8_t>(RandomBelow(255));
    }
    keyBlock_ = block;
    SetRandomSeed(keyA_);
}

void TCryptLib::AllocateWorkBuffer() {
    workBuffer_ = std::make_unique<std::uint8_t[]>(kBlockSize);
}

// The draws of one buffer call: permutation targets T[i] in 1 ... n-1 for the
// positions 1 ... n (kept 0-based here: targets[i] = T[i + 1] - 1; for n = 1 the
// single draw has range 0 and the byte stays in place), then n keystream bytes.
struct TCryptLib::BufferDraws {
    explicit BufferDraws(std::size_t n)
        : targetTable(std::make_unique_for_overwrite<std::uint16_t[]>(n)),
          keyTable(std::make_unique_for_overwrite<std::uint8_t[]>(n)), targets(targetTable.get()),
          keys(keyTable.get()) {
        if (n == kBlockSize) {
            drawRuns<kBlockSize - 1>(n, 0, targetTable.get(), keyTable.get());
        } else {
            drawRuns(n, static_cast<std::uint32_t>(n - 1), targetTable.get(), keyTable.get());
        }
    }
    std::unique_ptr<std::uint16_t[]> targetTable;
    std::unique_ptr<std::uint8_t[]> keyTable;
    const std::uint16_t* targets;
    const std::uint8_t* keys;
};

// Keystream with ciphertext feedback: c = p ^ xor(bytes of B) ^ r, then
// B = (c + B + C) * MultKey + AddKey, all modulo 2^32.
template <bool kDecrypt>
void TCryptLib::cipherBytes(std::uint8_t* buffer, const std::uint8_t* keys, std::size_t length) {
    std::uint32_t b = keyB_;
    const std::uint32_t c = keyC_;
    const auto mult = static_cast<std::uint32_t>(multKey_);
    const auto add = static_cast<std::uint32_t>(addKey_);
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint32_t in = buffer[i];
        const std::uint32_t out = in ^ xorOfBytes(b) ^ keys[i];
        buffer[i] = static_cast<std::uint8_t>(out);
        b = ((kDecrypt ? in : out) + b + c) * mult + add;
    }
    keyB_ = b;
}

void TCryptLib::EncryptBuffer(std::uint8_t* buffer, std::size_t length) {
    if (length == 0) {
        return;
    }
    const BufferDraws draws(length);
    cipherBytes<false>(buffer, draws.keys, length);
    for (std::size_t i = 0; i < length; ++i) {
        std::swap(buffer[i], buffer[draws.targets[i]]);
    }
}

void TCryptLib::DecryptBuffer(std::size_t length) {
    if (length == 0) {
        return;
    }
    std::uint8_t* buffer = workBuffer_.get();
    const BufferDraws draws(length);
    for (std::size_t i = length; i-- > 0;) {
        std::swap(buffer[i], buffer[draws.targets[i]]);
    }
    cipherBytes<true>(buffer, draws.keys, length);
}

std::string TCryptLib::EncryptString(const std::string& text) {
    InitKey();
    AllocateWorkBuffer();
    ReleaseKeyBlock();
    std::string result;
    result.reserve(2 * text.size());
    const std::size_t blocks = text.size() / kBlockSize + 1;
    for (std::size_t k = 0; k < blocks; ++k) {
        const std::size_t at = k * kBlockSize;
        const std::size_t n = std::min(kBlockSize, text.size() - at);
        std::memcpy(workBuffer_.get(), text.data() + at, n);
        EncryptBuffer(workBuffer_.get(), n);
        appendHex(result, workBuffer_.get(), n);
    }
    ReleaseWorkBuffer();
    return result;
}

std::string TCryptLib::DecryptString(const std::string& hex) {
    std::string result;
    InitKey();
    AllocateWorkBuffer();
    ReleaseKeyBlock();
    constexpr std::size_t kHexBlock = 2 * kBlockSize;
    const std::size_t blocks = hex.size() / kHexBlock + 1;
    result.reserve(hex.size() / 2);
    for (std::size_t k = 0; k < blocks; ++k) {
        const std::size_t at = k * kHexBlock;
        const std::size_t pairs = std::min(kHexBlock, hex.size() - at) / 2;
        std::uint8_t* work = workBuffer_.get();
        for (std::size_t j = 0; j < pairs; ++j) {
            const int high = hexValue(hex[at + 2 * j]);
            const int low = hexValue(hex[at + 2 * j + 1]);
            if (high < 0 || low < 0) {
                ReleaseWorkBuffer();
                throw Error("TCryptLib: decrypting error - not hexlook string");
            }
            work[j] = static_cast<std::uint8_t>(high << 4 | low);
        }
        DecryptBuffer(pairs);
        result.append(reinterpret_cast<const char*>(work), pairs);
    }
    ReleaseWorkBuffer();
    return result;
}

std::uint32_t TCryptLib::passwordChecksum() {
    std::array<std::uint8_t, 16> block = *keyBlock_;
    EncryptBuffer(block.data(), block.size());
    ReleaseKeyBlock();
    return Checksum32(block.data(), block.size());
}

std::string TCryptLib::MakePasswordCheck() {
    InitKey();
    const std::uint32_t salt = salt_;
    const std::uint32_t sum = passwordChecksum();
    return EncryptString(hex8(sum ^ salt) + hex8(salt));
}

bool TCryptLib::CheckPassword(const std::string& check, const std::string& candidate) {
    if (check.size() != 32) {
        return false;
    }
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    try {
        const std::string text = DecryptString(check);
        if (!parseHex8(text, 0, x) || !parseHex8(text, 8, y)) {
            return false;
        }
    } catch (const Error&) {
        return false;
    }
    const SecretString remembered(password_.value());
    SetPassword(candidate);
    InitKey();
    if ((x ^ y) == passwordChecksum()) {
        return true;
    }
    SetPassword(remembered.value());
    return false;
}

} // namespace vantrel
