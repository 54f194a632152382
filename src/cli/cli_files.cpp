#include "cli/cli_files.h"

#include "base/atomic_file.h"
#include "base/error.h"
#include "cipher/crypt_lib.h"

#include <cerrno>
#include <fstream>

namespace vantrel::cli {

namespace fs = std::filesystem;

namespace {
constexpr const char* kCannotOpenFile = "Cannot open file %s";
}

void ConfigureCipher(TCryptLib& cipher, const std::string& password1251, std::int32_t addKey,
                     std::int32_t multKey, bool compression) {
    cipher.SetAddKey(addKey);
    cipher.SetMultKey(multKey);
    cipher.SetCompression(compression);
    cipher.SetPassword(password1251);
}

void RequireReadable(const fs::path& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        throw FileError(formatMessage(kCannotOpenFile, path.string()),
                        std::make_error_code(std::errc::is_a_directory));
    }
    std::ifstream probe(path, std::ios::binary);
    if (!probe) {
        throw FileError(formatMessage(kCannotOpenFile, path.string()),
                        {errno, std::generic_category()});
    }
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

std::string ReadInputFile(const fs::path& path) {
    std::string bytes;
    if (const std::error_code ec = ReadWholeFile(path, bytes)) {
        throw FileError(formatMessage(kCannotOpenFile, path.string()), ec);
    }
    return bytes;
}

void WriteOutputFile(const fs::path& path, std::string_view bytes, FilePermissions permissions) {
    WriteOutputFile(
        path, [bytes](const ChunkWriter& write) { write(bytes); }, permissions);
}

void WriteOutputFile(const fs::path& path,
                     const std::function<void(const ChunkWriter& write)>& produce,
                     FilePermissions permissions) {
    if (const std::error_code ec = ReplaceFileAtomically(path, produce, permissions)) {
        throw FileError(formatMessage("Cannot create file %s", path.string()), ec);
    }
}

} // namespace vantrel::cli
