#pragma once

#include <string>

namespace vantrel {
class TCryptLib;
}

// A user's entry in the settings file: the value under the user's name in the
// users section, which the login, the unlock of a locked program and
// `vantrel-cli check-user` all test a password against.
namespace vantrel {

// Whether `password` (1251 bytes) opens `entry`, tested with `checker`, a
// cipher component with the program's keys (the login dialog's own one, whose
// Password the typed password becomes). An empty or unreadable entry (an
// unknown user) is opened by no password. Throws vantrel::Error
// "TCryptLib.Password is too long" for a password over 12 characters.
bool UserEntryAccepts(const std::string& entry, const std::string& password, TCryptLib& checker);

// The same with a component of its own.
bool UserEntryAccepts(const std::string& entry, const std::string& password);

} // namespace vantrel
