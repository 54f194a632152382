// Arbitrary bytes through the protected record file's reader with a fixed key
// given directly (no key derivation per input): the header's limits and salt
// come from the input, the key's bytes are always the same, so the seeds
// (written with that key) reach the chunk reader. Every input must end in
// the text or in the reader's error, without a crash or an out-of-bounds
// access.
#include "base/error.h"
#include "formats/protected_file.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

// The key of the seeds in fuzz/corpus/fuzz_protected: the bytes 0, 1, ... 31.
const unsigned char* FixedKey() {
    static const auto key = [] {
        std::array<unsigned char, vantrel::kProtectedKeySize> bytes{};
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<unsigned char>(i);
        }
        return bytes;
    }();
    return key.data();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    try {
        const vantrel::ProtectedKey key =
            vantrel::ProtectedKey::FromBytes(FixedKey(), vantrel::ReadProtectedParams(content));
        const vantrel::SecretString text = vantrel::ReadProtectedContent(content, key);
        if (text.value().size() + vantrel::kProtectedHeaderSize > content.size()) {
            __builtin_trap(); // the text can never be longer than the content
        }
    } catch (const vantrel::Error&) {
        // Refused: the expected end of almost every input.
    }
    return 0;
}
