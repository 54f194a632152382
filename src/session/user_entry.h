#pragma once

#include <string>

namespace vantrel {
class TCryptLib;
}

// A user's entry in the settings file: the value under the user's name in the
// users section, which the login, the unlock of a locked program and
// `vantrel-cli check-user` all test a password against.
namespace vantrel {

// An entry is either the classic 32-character check string of the cipher
// component or, for a user who chose protection, the verifier string of
// libsodium's crypto_pwhash_str (Argon2id), told apart by its prefix.
inline constexpr const char* kProtectedEntryPrefix = "$argon2id$";
bool IsProtectedUserEntry(const std::string& entry);

// Whether `password` (1251 bytes) opens `entry`, tested with `checker`, a
// cipher component with the program's keys (the login dialog's own one, whose
// Password the typed password becomes): a classic check string by the
// component, a verifier by crypto_pwhash_str_verify. An empty or unreadable
// entry (an unknown user) is opened by no password, nor is a verifier whose
// limits are outside those the protected file is read with (1-10 passes,
// 8 MiB-1 GiB). Throws vantrel::Error
// "TCryptLib.Password is too long" for a password over 12 characters.
bool UserEntryAccepts(const std::string& entry, const std::string& password, TCryptLib& checker);

// The same with a component of its own.
bool UserEntryAccepts(const std::string& entry, const std::string& password);

// The verifier of a protected user's entry for `password` (at most 12 bytes):
// crypto_pwhash_str with Argon2id, 3 passes and 64 MiB, a new salt each time.
// Throws vantrel::Error when the memory for it cannot be had.
std::string MakeProtectedUserEntry(const std::string& password);

} // namespace vantrel
