// Arbitrary bytes through DecryptString (as hex text) and DecryptStream (as a
// container, with and without compression): every input must complete without
// a crash or an out-of-bounds access.
#include "base/error.h"
#include "cipher/crypt_lib.h"
#include "formats/program_cipher.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    vantrel::TCryptLib cipher;
    vantrel::ConfigureProgramCipher(cipher, bytes.substr(0, 12));
    try {
        cipher.DecryptString(bytes);
    } catch (const vantrel::Error&) {
        // Not hex: the expected refusal.
    }
    cipher.CheckPassword(bytes.substr(0, 32), "candidate");
    for (bool compression : {false, true}) {
        cipher.SetCompression(compression);
        vantrel::MemoryStream stream{std::string(bytes)};
        cipher.DecryptStream(stream);
    }
    return 0;
}
