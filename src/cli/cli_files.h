#pragma once

#include "base/atomic_file.h"
#include "base/file_lock.h"
#include "formats/program_cipher.h"

#include <cstddef>
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

// A descriptor closed when it goes away.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor();
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// The most an input file may hold: a record file (or any file for encrypt and
// decrypt) is held in memory, and an endless input (a device, a pipe) must end.
inline constexpr std::size_t kMaxInputBytes = std::size_t{256} << 20;

// An input file, opened once: a FIFO gives its data to one reader only, so
// the file that proved readable (before a password is asked for) is the very
// one that is read.
class InputFile {
public:
    // Throws vantrel::FileError "Cannot open file %s" with the reason.
    explicit InputFile(std::filesystem::path path);
    // Everything, at most kMaxInputBytes; vantrel::FileError otherwise.
    std::string ReadAll();

private:
    std::filesystem::path path_;
    FileDescriptor fd_;
};

// Throws vantrel::FileError "Cannot open file %s" with the reason unless
// `path` can be opened for reading.
void RequireReadable(const std::filesystem::path& path);

// Throws vantrel::Error when something (a dangling link included) already
// exists at `path` and `force` is off.
void RequireNewOutput(const std::filesystem::path& path, bool force);

// The output file's exclusive lock (FileLock), taken (waiting for it) once
// the password is typed and held until the output is replaced. The
// program takes the same lock around its check of its current file and its
// save, so neither replaces the file between the other's check and write.
using OutputLock = FileLock;

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
