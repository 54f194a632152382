#include "formats/program_cipher.h"

#include "cipher/crypt_lib.h"

namespace vantrel {

void ConfigureProgramCipher(TCryptLib& cipher, const std::string& password) {
    cipher.SetCompression(true);
    cipher.SetAddKey(kProgramAddKey);
    cipher.SetMultKey(kProgramMultKey);
    cipher.SetPassword(password);
}

} // namespace vantrel
