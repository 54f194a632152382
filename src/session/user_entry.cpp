#include "session/user_entry.h"

#include "base/error.h"
#include "cipher/crypt_lib.h"
#include "formats/program_cipher.h"
#include "formats/protected_file.h"

#include <sodium.h>

namespace vantrel {

namespace {

void RequireSodium() {
    if (sodium_init() < 0) {
        throw Error("libsodium cannot be initialised");
    }
}

} // namespace

bool IsProtectedUserEntry(const std::string& entry) {
    return entry.starts_with(kProtectedEntryPrefix);
}

bool UserEntryAccepts(const std::string& entry, const std::string& password, TCryptLib& checker) {
    checker.SetPassword(password); // over 12 characters: throws
    if (IsProtectedUserEntry(entry)) {
        RequireSodium();
        return crypto_pwhash_str_verify(entry.c_str(), password.data(), password.size()) == 0;
    }
    return checker.CheckPassword(entry, password);
}

bool UserEntryAccepts(const std::string& entry, const std::string& password) {
    TCryptLib checker;
    ConfigureProgramCipher(checker, password);
    return UserEntryAccepts(entry, password, checker);
}

std::string MakeProtectedUserEntry(const std::string& password) {
    if (password.size() > TCryptLib::kMaxPasswordLength) {
        throw Error("TCryptLib.Password is too long");
    }
    RequireSodium();
    char verifier[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(verifier, password.data(), password.size(), kProtectedWriteOpslimit,
                          static_cast<std::size_t>(kProtectedWriteMemlimitKib) * 1024) != 0) {
        throw Error("Недостаточно памяти для вычисления ключа пароля.");
    }
    return verifier;
}

} // namespace vantrel
