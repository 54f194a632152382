#include "session/user_entry.h"

#include "base/error.h"
#include "cipher/crypt_lib.h"
#include "formats/program_cipher.h"
#include "formats/protected_file.h"

#include <sodium.h>

#include <cstdio>

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

namespace {

// Whether the verifier's Argon2id limits are within the bounds the protected
// record file is read with: a damaged or hostile settings file must not make
// a login allocate or compute without bound.
bool VerifierLimitsReadable(const std::string& entry) {
    unsigned version = 0;
    unsigned long memlimitKib = 0;
    unsigned opslimit = 0;
    unsigned lanes = 0;
    return std::sscanf(entry.c_str(), "$argon2id$v=%u$m=%lu,t=%u,p=%u$", &version, &memlimitKib,
                       &opslimit, &lanes) == 4 &&
           opslimit >= kProtectedMinOpslimit && opslimit <= kProtectedMaxOpslimit &&
           memlimitKib >= kProtectedMinMemlimitKib && memlimitKib <= kProtectedMaxMemlimitKib;
}

} // namespace

bool UserEntryAccepts(const std::string& entry, const std::string& password, TCryptLib& checker) {
    checker.SetPassword(password); // over 12 characters: throws
    if (IsProtectedUserEntry(entry)) {
        RequireSodium();
        return VerifierLimitsReadable(entry) &&
               crypto_pwhash_str_verify(entry.c_str(), password.data(), password.size()) == 0;
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
