#include "cli/cli_files.h"

#include "base/atomic_file.h"
#include "base/error.h"
#include "cipher/crypt_lib.h"
#include "formats/record_file.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel::cli {

namespace fs = std::filesystem;

void ConfigureCipher(TCryptLib& cipher, const std::string& password1251, std::int32_t addKey,
                     std::int32_t multKey, bool compression) {
    cipher.SetAddKey(addKey);
    cipher.SetMultKey(multKey);
    cipher.SetCompression(compression);
    cipher.SetPassword(password1251);
}

FileDescriptor::~FileDescriptor() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

InputFile::InputFile(fs::path path)
    : path_(std::move(path)), fd_(::open(path_.c_str(), O_RDONLY | O_CLOEXEC)) {
    std::error_code ec;
    struct stat info {};
    if (fd_.get() < 0) {
        ec = {errno, std::generic_category()};
    } else if (::fstat(fd_.get(), &info) == 0 && S_ISDIR(info.st_mode)) {
        ec = std::make_error_code(std::errc::is_a_directory); // opens, but cannot be read
    }
    if (ec) {
        throw FileError(formatMessage(kCannotOpenFileText, path_.string()), ec);
    }
}

std::string InputFile::ReadAll() {
    std::string bytes;
    if (const std::error_code ec = ReadWholeDescriptor(fd_.get(), bytes, kMaxInputBytes)) {
        if (ec == std::errc::file_too_large) {
            throw FileError("Cannot read more than " + std::to_string(kMaxInputBytes >> 20) +
                                " MiB of " + path_.string(),
                            ec);
        }
        throw FileError(formatMessage(kCannotOpenFileText, path_.string()), ec);
    }
    return bytes;
}

void RequireReadable(const fs::path& path) {
    InputFile{path};
}

void RequireNewOutput(const fs::path& path, bool force) {
    std::error_code ec;
    const fs::file_type type = fs::symlink_status(path, ec).type();
    // "none": the status cannot be read; the write then reports the reason.
    if (!force && type != fs::file_type::not_found && type != fs::file_type::none) {
        throw Error("The output file " + path.string() +
                    " exists already; add --force to replace it");
    }
}

void WriteOutputFile(const fs::path& path, std::string_view bytes, FilePermissions permissions) {
    WriteOutputFile(
        path, [bytes](const ChunkWriter& write) { write(bytes); }, permissions);
}

void WriteOutputFile(const fs::path& path,
                     const std::function<void(const ChunkWriter& write)>& produce,
                     FilePermissions permissions) {
    if (const std::error_code ec = ReplaceFileAtomically(path, produce, permissions)) {
        throw FileError(formatMessage(kCannotCreateFileText, path.string()), ec);
    }
}

} // namespace vantrel::cli
