#include "session/disk_file.h"

#include "base/error.h"
#include "formats/record_file.h"

#include <sodium.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

namespace {

namespace fs = std::filesystem;

struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

[[noreturn]] void CannotOpen(const fs::path& path, int error) {
    throw FileError(formatMessage(kCannotOpenFileText, path.string()),
                    {error, std::generic_category()});
}

FileFingerprint StatusOf(const struct stat& info) {
    FileFingerprint fingerprint;
    fingerprint.size = static_cast<std::uintmax_t>(info.st_size);
    fingerprint.modifiedNs =
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    fingerprint.device = static_cast<std::uint64_t>(info.st_dev);
    fingerprint.inode = static_cast<std::uint64_t>(info.st_ino);
    return fingerprint;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

std::optional<FileFingerprint> TakeFingerprint(const fs::path& path) {
    // Status and bytes come from one descriptor, so they describe one file
    // even while a sync tool renames another over the name.
    // Non-blocking: a FIFO must not hold the program at its open.
    Descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    if (file.fd < 0) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        CannotOpen(path, errno);
    }
    struct stat info {};
    if (::fstat(file.fd, &info) != 0) {
        CannotOpen(path, errno);
    }
    FileFingerprint fingerprint = StatusOf(info);
    // A device or a FIFO has no bytes to keep a hash of (and may never end):
    // its status is all there is.
    if (!S_ISREG(info.st_mode)) {
        return fingerprint;
    }
    if (sodium_init() < 0) {
        throw Error("libsodium cannot be initialised");
    }
    // Hashed piece by piece, so a large file is never held a second time
    // beside the list. The pieces may be plain text (an export the user
    // made): wiped all the same.
    crypto_generichash_state state;
    crypto_generichash_init(&state, nullptr, 0, fingerprint.hash.size());
    unsigned char piece[65536];
    for (;;) {
        const ssize_t count = ::read(file.fd, piece, sizeof piece);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            const int error = errno;
            sodium_memzero(piece, sizeof piece);
            CannotOpen(path, error);
        }
        if (count == 0) {
            break;
        }
        crypto_generichash_update(&state, piece, static_cast<std::size_t>(count));
    }
    sodium_memzero(piece, sizeof piece);
    crypto_generichash_final(&state, fingerprint.hash.data(), fingerprint.hash.size());
    return fingerprint;
}

DiskState CompareWithDisk(FileFingerprint& known, const fs::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return DiskState::Gone;
        }
        CannotOpen(path, errno);
    }
    if (StatusOf(info).sameStatus(known)) {
        return DiskState::Unchanged;
    }
    const std::optional<FileFingerprint> now = TakeFingerprint(path);
    if (!now) {
        return DiskState::Gone;
    }
    if (!now->sameContent(known)) {
        return DiskState::Changed;
    }
    known = *now;
    return DiskState::Unchanged;
}

ChangeAction ActionOnDiskChange(bool listModified, bool editorOpen) {
    if (listModified) {
        return ChangeAction::AskAtWrite;
    }
    // The editor's OK changes the list it was opened over: the reload waits.
    return editorOpen ? ChangeAction::WaitForEditor : ChangeAction::Reload;
}

fs::path ConflictCopyName(const fs::path& file, std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    fs::path copy = file;
    copy.replace_filename(file.stem().string() + ".conflict-" + stamp + file.extension().string());
    return copy;
}

std::vector<fs::path> ConflictCopiesOf(const fs::path& file) {
    std::vector<fs::path> copies;
    const std::string stem = file.stem().string();
    const std::string name = file.filename().string();
    std::error_code ec;
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    for (fs::directory_iterator entry(folder, ec), end; !ec && entry != end; entry.increment(ec)) {
        const std::string other = entry->path().filename().string();
        if (other == name || other.size() <= stem.size() || other.compare(0, stem.size(), stem)) {
            continue;
        }
        // After the stem comes a separator, never more of another name:
        // "a.vtr" has no copy named "abc conflict.vtr".
        const unsigned char next = static_cast<unsigned char>(other[stem.size()]);
        if (std::isalnum(next) || next >= 0x80) {
            continue;
        }
        if (Lower(other.substr(stem.size())).find("conflict") != std::string::npos) {
            copies.push_back(entry->path());
        }
    }
    std::sort(copies.begin(), copies.end());
    return copies;
}

} // namespace vantrel
