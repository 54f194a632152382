#include "cli/cli_files.h"

#include "base/atomic_file.h"
#include "base/error.h"
#include "cipher/crypt_lib.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace vantrel::cli {

namespace fs = std::filesystem;

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
        throw Error(formatMessage("Cannot open file %s", path.string()) + ": it is a folder");
    }
    std::ifstream probe(path, std::ios::binary);
    if (!probe) {
        const int error = errno;
        throw Error(formatMessage("Cannot open file %s", path.string()) + ": " +
                    std::strerror(error));
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
        throw Error(formatMessage("Cannot open file %s", path.string()) + ": " + ec.message());
    }
    return bytes;
}

void WriteOutputFile(const fs::path& path, std::string_view bytes, FilePermissions permissions) {
    if (const std::error_code ec = ReplaceFileAtomically(path, bytes, permissions)) {
        throw Error(formatMessage("Cannot create file %s", path.string()) + ": " + ec.message());
    }
}

} // namespace vantrel::cli
