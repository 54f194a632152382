#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

class TCryptLib;

// The keys of every cipher component of the program and the command-line tool.
// Record files and password check strings exist only under these: a change
// would make every stored file and every user unreadable.
inline constexpr std::int32_t kProgramAddKey = 3517;
inline constexpr std::int32_t kProgramMultKey = 2683;

// Sets the program's keys, compression on, and the password (1251 bytes;
// throws vantrel::Error "TCryptLib.Password is too long" beyond 12 characters).
void ConfigureProgramCipher(TCryptLib& cipher, const std::string& password);

} // namespace vantrel
