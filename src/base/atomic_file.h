#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

// Whole-file reading, and replacing a whole file so that a crash, a full disk or a refused write
// never leaves a half-written file: every writer of record files and of the settings file goes
// through here.
namespace vantrel {

// The permission bits of a replaced file.
enum class FilePermissions {
    KeepReplaced, // a replaced file keeps its bits (a new file gets 0600)
    OwnerOnly,    // always 0600: plain text that holds passwords
};

// Writes `bytes` to a temporary file in the folder of `path`, flushes it to
// disk, renames it over `path` and flushes the folder. A new file is created
// with mode 0600 (it may hold password material); a replaced file keeps its
// owner where allowed, and its permission bits unless `permissions` is
// OwnerOnly. A symbolic link at `path` is followed (link by link): its target
// is replaced, or created when it does not exist yet; the link itself is never
// replaced. An existing file that the caller may not write is refused (EACCES)
// even where the folder would allow the rename; so is anything that is not a
// regular file (EISDIR for a folder, NotARegularFile() for a device, a FIFO or
// a socket).
//
// The temporary file is created unnamed where the file system allows it and
// gets its hidden name (".NAME.vtmp-XXXXXX") only just before the rename, so a
// killed process leaves nothing behind; temporary files of the same target
// that a killed writer left (ours, and held by no living writer) are removed
// on the next write.
//
// Returns an empty error code on success. On failure the old file is byte for
// byte as it was and no temporary file is left; the caller maps the error code
// to its own message.
[[nodiscard]] std::error_code
ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                      FilePermissions permissions = FilePermissions::KeepReplaced);

// Hands one piece of the content to the temporary file. After a failed write
// the following pieces are ignored (the failure is what ReplaceFileAtomically
// returns).
using ChunkWriter = std::function<void(std::string_view piece)>;

// The same with content made piece by piece: `produce` hands every piece to
// the writer it is given, in order, so that content too large to be held in
// memory a second time never is. An exception from `produce` leaves the old
// file and no temporary file, and is passed on.
[[nodiscard]] std::error_code
ReplaceFileAtomically(const std::filesystem::path& path,
                      const std::function<void(const ChunkWriter& write)>& produce,
                      FilePermissions permissions = FilePermissions::KeepReplaced);

// The error of a path that holds a device, a FIFO or a socket where a regular
// file is to be replaced.
std::error_code NotARegularFile();

// No bound on what ReadWholeFile reads.
inline constexpr std::size_t kNoReadLimit = static_cast<std::size_t>(-1);

// Reads the whole file into `bytes` (replacing its content). A file of more
// than `limit` bytes fails with EFBIG: a regular file by its size, before
// anything is read; a device or a pipe once more than `limit` bytes came, so
// that an endless input ends. Returns an empty error code on success; on
// failure `bytes` is empty.
[[nodiscard]] std::error_code ReadWholeFile(const std::filesystem::path& path, std::string& bytes,
                                            std::size_t limit = kNoReadLimit);
// The same from a descriptor that is open for reading (it stays open).
[[nodiscard]] std::error_code ReadWholeDescriptor(int fd, std::string& bytes,
                                                  std::size_t limit = kNoReadLimit);

// Test seam: faults injected into ReplaceFileAtomically while an instance
// lives (process-wide, one at a time). Not for use outside tests.
struct AtomicFileFaults {
    // The temporary file's write fails (ENOSPC) once this many bytes are written.
    std::optional<std::size_t> failWriteAfter = std::nullopt;
    // Flushing the temporary file fails (EIO).
    bool failSync = false;
    // The rename over the old file fails (EXDEV).
    bool failRename = false;
    // The points at which the process can be killed (SIGKILL) on purpose:
    // after the temporary file is created, after a write of some bytes, after
    // the fsync, after the unnamed file got its name, after the rename.
    enum class Step { Create, Write, Sync, Link, Rename };
    std::optional<Step> killAt = std::nullopt;
};

class ScopedAtomicFileFaults {
public:
    explicit ScopedAtomicFileFaults(const AtomicFileFaults& faults);
    ~ScopedAtomicFileFaults();
    ScopedAtomicFileFaults(const ScopedAtomicFileFaults&) = delete;
    ScopedAtomicFileFaults& operator=(const ScopedAtomicFileFaults&) = delete;
};

} // namespace vantrel
