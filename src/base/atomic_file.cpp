#include "base/atomic_file.h"

#include "base/secret.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

namespace {

constexpr std::size_t kTemporaryNameStem = 200;
// The temporary name is "." + the target's name (cut to the stem) + this
// marker + six random letters or digits.
constexpr std::string_view kTemporaryMarker = ".vtmp-";
constexpr std::size_t kRandomLength = 6;

std::optional<AtomicFileFaults> gFaults;

std::error_code lastError() {
    return {errno, std::generic_category()};
}

void killAt(AtomicFileFaults::Step step) {
    if (gFaults && gFaults->killAt == step) {
        std::raise(SIGKILL);
    }
}

// Closes the descriptor when it goes away.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Writes all bytes, retrying short writes and interruptions. `total` counts
// the bytes of the file written so far (for the injected write fault).
std::error_code writeAll(int fd, std::string_view bytes, std::size_t& total) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        std::size_t chunk = bytes.size() - written;
        if (gFaults && gFaults->failWriteAfter) {
            if (total >= *gFaults->failWriteAfter) {
                return std::make_error_code(std::errc::no_space_on_device);
            }
            chunk = std::min(chunk, *gFaults->failWriteAfter - total);
        }
        const ssize_t result = ::write(fd, bytes.data() + written, chunk);
        if (result < 0) {
            if (errno == EINTR) {
                continue;
            }
            return lastError();
        }
        written += static_cast<std::size_t>(result);
        total += static_cast<std::size_t>(result);
        killAt(AtomicFileFaults::Step::Write);
    }
    return {};
}

// The most links followed in a row, as the kernel's own limit (ELOOP).
constexpr int kMaxLinkHops = 40;

// The file that is really replaced: where the symbolic links at `path` lead,
// followed one by one, so that a link whose target does not exist yet leads
// to the file to create (canonical() would fail there). A relative link is
// read from the link's folder; the kernel resolves the joined path as it would
// resolve the link.
std::error_code resolveTarget(const std::filesystem::path& path, std::filesystem::path& target) {
    target = path;
    for (int hops = 0;; ++hops) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(target, ec))) {
            return {}; // a status that cannot be read is reported by the stat that follows
        }
        if (hops == kMaxLinkHops) {
            return std::make_error_code(std::errc::too_many_symbolic_link_levels);
        }
        const std::filesystem::path next = std::filesystem::read_symlink(target, ec);
        if (ec) {
            return ec;
        }
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
}

class NotARegularFileCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "vantrel.file"; }
    std::string message(int) const override {
        return "Not a regular file (a device, a pipe or a socket is never replaced)";
    }
};

// Makes the rename itself durable. Some file systems cannot flush a folder;
// the new content is in place by then, so a failure here is not reported.
void syncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::string temporaryPrefix(const std::filesystem::path& target) {
    return "." + target.filename().string().substr(0, kTemporaryNameStem) +
           std::string(kTemporaryMarker);
}

std::string randomLetters() {
    static constexpr std::string_view kLetters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 engine{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, kLetters.size() - 1);
    std::string letters(kRandomLength, ' ');
    for (char& c : letters) {
        c = kLetters[pick(engine)];
    }
    return letters;
}

bool isTemporaryName(std::string_view name, std::string_view prefix) {
    if (name.size() != prefix.size() + kRandomLength || !name.starts_with(prefix)) {
        return false;
    }
    return std::all_of(
        name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(), [](char c) {
            return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        });
}

// Removes the temporary files of the same target that a killed writer left
// behind: ours (same user), regular, and no longer locked by the process that
// made them (every writer holds a lock on its temporary file while it lives).
void removeStaleTemporaries(const std::filesystem::path& folder, const std::string& prefix) {
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0) {
        return;
    }
    DIR* listing = ::fdopendir(folderFd);
    if (listing == nullptr) {
        ::close(folderFd);
        return;
    }
    while (const dirent* entry = ::readdir(listing)) {
        if (!isTemporaryName(entry->d_name, prefix)) {
            continue;
        }
        Descriptor fd(::openat(folderFd, entry->d_name,
                               O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
        struct stat info {};
        if (fd.get() >= 0 && ::fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode) &&
            info.st_uid == ::geteuid() && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
            ::unlinkat(folderFd, entry->d_name, 0);
        }
    }
    ::closedir(listing);
}

// Creates the temporary file: unnamed where the file system allows it (a
// killed process then leaves nothing), otherwise under a hidden name. It is
// locked at once so that no other writer takes it for a stale one. `name`
// stays empty for an unnamed file.
int createTemporary(const std::filesystem::path& folder, const std::string& prefix,
                    std::string& name) {
    name.clear();
    int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        std::string pattern = (folder / (prefix + "XXXXXX")).string();
        fd = ::mkostemp(pattern.data(), O_CLOEXEC); // mode 0600
        if (fd >= 0) {
            name = std::move(pattern);
        }
    }
    if (fd >= 0) {
        ::flock(fd, LOCK_EX);
    }
    return fd;
}

// Gives the unnamed file a hidden name beside the target, for the rename.
std::error_code nameTemporary(int fd, const std::filesystem::path& folder,
                              const std::string& prefix, std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = (folder / (prefix + randomLetters())).string();
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            name = std::move(candidate);
            return {};
        }
        if (errno != EEXIST) {
            return lastError();
        }
    }
    return std::make_error_code(std::errc::file_exists);
}

std::error_code writeTemporary(int fd, const std::function<void(const ChunkWriter&)>& produce,
                               const struct stat* old, FilePermissions permissions) {
    if (old != nullptr) {
        // Keep the replaced file's owner (only possible for root or the same
        // owner; otherwise it stays ours) and, unless the content is for the
        // owner only, its permission bits.
        [[maybe_unused]] const int ignored = ::fchown(fd, old->st_uid, old->st_gid);
        const mode_t mode =
            permissions == FilePermissions::OwnerOnly ? mode_t{0600} : old->st_mode & 07777;
        if (::fchmod(fd, mode) != 0) {
            return lastError();
        }
    }
    std::error_code failure;
    std::size_t total = 0;
    produce([&](std::string_view piece) {
        if (!failure) {
            failure = writeAll(fd, piece, total);
        }
    });
    if (failure) {
        return failure;
    }
    if (gFaults && gFaults->failSync) {
        return std::make_error_code(std::errc::io_error);
    }
    if (::fsync(fd) != 0) {
        return lastError();
    }
    killAt(AtomicFileFaults::Step::Sync);
    return {};
}

} // namespace

std::error_code ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                                      FilePermissions permissions) {
    return ReplaceFileAtomically(
        path, [bytes](const ChunkWriter& write) { write(bytes); }, permissions);
}

std::error_code ReplaceFileAtomically(const std::filesystem::path& path,
                                      const std::function<void(const ChunkWriter&)>& produce,
                                      FilePermissions permissions) {
    std::filesystem::path target;
    if (const std::error_code ec = resolveTarget(path, target)) {
        return ec;
    }
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) {
        folder = ".";
    }

    struct stat old {};
    bool exists = false;
    if (::stat(target.c_str(), &old) == 0) {
        if (S_ISDIR(old.st_mode)) {
            return std::make_error_code(std::errc::is_a_directory);
        }
        if (!S_ISREG(old.st_mode)) {
            return NotARegularFile();
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

    const std::string prefix = temporaryPrefix(target);
    removeStaleTemporaries(folder, prefix);
    std::string temporary;
    Descriptor fd(createTemporary(folder, prefix, temporary));
    if (fd.get() < 0) {
        return lastError();
    }
    killAt(AtomicFileFaults::Step::Create);
    std::error_code ec;
    try {
        ec = writeTemporary(fd.get(), produce, exists ? &old : nullptr, permissions);
    } catch (...) {
        if (!temporary.empty()) {
            ::unlink(temporary.c_str());
        }
        throw;
    }
    if (!ec && temporary.empty()) {
        ec = nameTemporary(fd.get(), folder, prefix, temporary);
        killAt(AtomicFileFaults::Step::Link);
    }
    if (!ec && gFaults && gFaults->failRename) {
        ec = std::make_error_code(std::errc::cross_device_link);
    }
    if (!ec && ::rename(temporary.c_str(), target.c_str()) != 0) {
        ec = lastError();
    }
    if (ec) {
        if (!temporary.empty()) {
            ::unlink(temporary.c_str());
        }
        return ec;
    }
    killAt(AtomicFileFaults::Step::Rename);
    // The descriptor (and with it the lock) is closed only now, so that no
    // other writer takes the named file for a stale one before the rename;
    // the content is on disk since the fsync.
    syncFolder(folder);
    return {};
}

std::error_code NotARegularFile() {
    static const NotARegularFileCategory category;
    return {1, category};
}

std::error_code ReadWholeFile(const std::filesystem::path& path, std::string& bytes,
                              std::size_t limit) {
    bytes.clear();
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        return lastError();
    }
    return ReadWholeDescriptor(fd.get(), bytes, limit);
}

std::error_code ReadWholeDescriptor(int fd, std::string& bytes, std::size_t limit) {
    bytes.clear();
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0) {
        if (S_ISREG(info.st_mode) && static_cast<std::uint64_t>(info.st_size) > limit) {
            return std::make_error_code(std::errc::file_too_large);
        }
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
        if (static_cast<std::size_t>(result) > limit - bytes.size()) {
            ec = std::make_error_code(std::errc::file_too_large);
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(result));
    }
    // The file may be plain text with passwords: none of it stays on the stack.
    WipeBytes(buffer, sizeof buffer);
    if (ec) {
        WipeString(bytes);
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
