#include "base/atomic_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

namespace {

constexpr std::size_t kTemporaryNameStem = 200;

std::optional<AtomicFileFaults> gFaults;

std::error_code lastError() {
    return {errno, std::generic_category()};
}

// Writes all bytes, retrying short writes and interruptions.
std::error_code writeAll(int fd, std::string_view bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        std::size_t chunk = bytes.size() - written;
        if (gFaults && gFaults->failWriteAfter) {
            if (written >= *gFaults->failWriteAfter) {
                return std::make_error_code(std::errc::no_space_on_device);
            }
            chunk = std::min(chunk, *gFaults->failWriteAfter - written);
        }
        const ssize_t result = ::write(fd, bytes.data() + written, chunk);
        if (result < 0) {
            if (errno == EINTR) {
                continue;
            }
            return lastError();
        }
        written += static_cast<std::size_t>(result);
    }
    return {};
}

// The file that is really replaced: the target of a symbolic link at `path`.
std::filesystem::path resolveTarget(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        auto target = std::filesystem::canonical(path, ec);
        if (!ec) {
            return target;
        }
    }
    return path;
}

// Makes the rename itself durable. Some file systems cannot flush a folder;
// the new content is in place by then, so a failure here is not reported.
void syncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::error_code writeTemporary(int fd, std::string_view bytes, const struct stat* old) {
    if (old != nullptr) {
        // Keep the replaced file's owner (only possible for root or the same
        // owner; otherwise it stays ours) and permission bits.
        [[maybe_unused]] const int ignored = ::fchown(fd, old->st_uid, old->st_gid);
        if (::fchmod(fd, old->st_mode & 07777) != 0) {
            return lastError();
        }
    }
    if (auto ec = writeAll(fd, bytes)) {
        return ec;
    }
    if (gFaults && gFaults->failSync) {
        return std::make_error_code(std::errc::io_error);
    }
    if (::fsync(fd) != 0) {
        return lastError();
    }
    return {};
}

} // namespace

std::error_code ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
    const std::filesystem::path target = resolveTarget(path);
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) {
        folder = ".";
    }

    struct stat old {};
    bool exists = false;
    if (::stat(target.c_str(), &old) == 0) {
        if (!S_ISREG(old.st_mode)) {
            return std::make_error_code(std::errc::is_a_directory);
        }
        // rename() would replace a read-only file as long as the folder is
        // writable; a read-only file is meant to stay as it is.
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
            return lastError();
        }
        exists = true;
    } else if (errno != ENOENT) {
        return lastError();
    }

    // A hidden name beside the file; long names are cut to stay within the
    // file system's name limit.
    const std::string name = target.filename().string().substr(0, kTemporaryNameStem);
    std::string temporary = (folder / ("." + name + ".XXXXXX")).string();
    // mkstemp creates the file with mode 0600.
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return lastError();
    }
    std::error_code ec = writeTemporary(fd, bytes, exists ? &old : nullptr);
    if (::close(fd) != 0 && !ec) {
        ec = lastError();
    }
    if (!ec && gFaults && gFaults->failRename) {
        ec = std::make_error_code(std::errc::cross_device_link);
    }
    if (!ec && ::rename(temporary.c_str(), target.c_str()) != 0) {
        ec = lastError();
    }
    if (ec) {
        ::unlink(temporary.c_str());
        return ec;
    }
    syncFolder(folder);
    return {};
}

std::error_code ReadWholeFile(const std::filesystem::path& path, std::string& bytes) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return lastError();
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0) {
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    }
    std::error_code ec;
    char buffer[65536];
    for (;;) {
        const ssize_t result = ::read(fd, buffer, sizeof buffer);
        if (result < 0) {
            if (errno == EINTR) {
                continue;
            }
            ec = lastError();
            break;
        }
        if (result == 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(result));
    }
    ::close(fd);
    if (ec) {
        bytes.clear();
    }
    return ec;
}

ScopedAtomicFileFaults::ScopedAtomicFileFaults(const AtomicFileFaults& faults) {
    gFaults = faults;
}

ScopedAtomicFileFaults::~ScopedAtomicFileFaults() {
    gFaults.reset();
}

} // namespace vantrel
