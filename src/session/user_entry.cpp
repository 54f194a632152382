#include "session/user_entry.h"

#include "cipher/crypt_lib.h"
#include "formats/program_cipher.h"

namespace vantrel {

bool UserEntryAccepts(const std::string& entry, const std::string& password, TCryptLib& checker) {
    checker.SetPassword(password);
    return checker.CheckPassword(entry, password);
}

bool UserEntryAccepts(const std::string& entry, const std::string& password) {
    TCryptLib checker;
    ConfigureProgramCipher(checker, password);
    return UserEntryAccepts(entry, password, checker);
}

} // namespace vantrel
