#pragma once

#include "base/atomic_file.h"
#include "formats/program_cipher.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace vantrel {
class TCryptLib;
}

// Files and cipher set-up shared by the commands.
namespace vantrel::cli {

// Sets the password (throws "TCryptLib.Password is too long" beyond 12
// characters), the keys and the compression of `cipher`.
void ConfigureCipher(TCryptLib& cipher, const std::string& password1251,
                     std::int32_t addKey = kProgramAddKey, std::int32_t multKey = kProgramMultKey,
                     bool compression = true);

// Throws vantrel::Error "Cannot open file %s: reason" unless `path` can be
// opened for reading. Checked before a password is asked for.
void RequireReadable(const std::filesystem::path& path);

// Throws vantrel::Error when something (a dangling link included) already
// exists at `path` and `force` is off.
void RequireNewOutput(const std::filesystem::path& path, bool force);

// The whole file; vantrel::Error "Cannot open file %s: reason" on failure.
std::string ReadInputFile(const std::filesystem::path& path);

// Replaces `path` atomically (new files get mode 0600, OwnerOnly gives every
// file 0600); vantrel::Error "Cannot create file %s: reason" on failure, the
// old file intact.
void WriteOutputFile(const std::filesystem::path& path, std::string_view bytes,
                     FilePermissions permissions);
// The same with the content made piece by piece (ReplaceFileAtomically).
void WriteOutputFile(const std::filesystem::path& path,
                     const std::function<void(const ChunkWriter& write)>& produce,
                     FilePermissions permissions);

} // namespace vantrel::cli
