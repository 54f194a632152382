#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// What the program knows of its current file on disk, and the rules that
// decide what a change made there by someone else (a sync tool, the
// command-line tool, a second copy of the program) means for the open list.
namespace vantrel {

// The file as it was read or written: size, modification time in
// nanoseconds, inode and a BLAKE2b hash of its bytes.
struct FileFingerprint {
    std::uintmax_t size = 0;
    std::int64_t modifiedNs = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::array<unsigned char, 32> hash{};

    // The same bytes: a file rewritten unchanged (a sync tool's touch) is no
    // change.
    bool sameContent(const FileFingerprint& other) const {
        return size == other.size && hash == other.hash;
    }
    // The same file as the system sees it; then the content needs no hashing.
    bool sameStatus(const FileFingerprint& other) const {
        return size == other.size && modifiedNs == other.modifiedNs && device == other.device &&
               inode == other.inode;
    }
};

// The fingerprint of the file at `path` (of anything but a regular file only
// the status, with a zero hash); nullopt when no file is there.
// Throws vantrel::FileError "Cannot open file %s" when it cannot be read.
std::optional<FileFingerprint> TakeFingerprint(const std::filesystem::path& path);

// How the file on disk stands against the fingerprint taken when the list
// was last loaded from it or saved to it.
enum class DiskState {
    Unchanged, // the same bytes (refreshed in `known` when only the status moved)
    Changed,   // other bytes: someone else wrote the file
    Gone,      // no file there any more
};
// Compares and, for a file rewritten with the same bytes, takes the new
// status into `known`, so that it is not hashed again. Throws as
// TakeFingerprint.
DiskState CompareWithDisk(FileFingerprint& known, const std::filesystem::path& path);

// What a change on disk leads to, while nothing is being written.
enum class ChangeAction {
    Reload,        // the list holds nothing that is not in the file it came from
    WaitForEditor, // the same, once the open record editor has closed
    AskAtWrite,    // the list has changes of its own: the next write asks
};
ChangeAction ActionOnDiskChange(bool listModified, bool editorOpen);

// The name of the copy that keeps the list beside a file changed on disk:
// "NAME.conflict-YYYYMMDD-HHMMSS.EXT" (local time), or without ".EXT" when the
// file has no extension.
std::filesystem::path ConflictCopyName(const std::filesystem::path& file,
                                       std::chrono::system_clock::time_point when);

// The copies that sync tools made of `file` in its folder: the same stem with
// ".sync-conflict-", "conflicted copy", "(conflict" or "Conflict" in the rest
// of the name (and this program's own ".conflict-" copies). Sorted by name.
std::vector<std::filesystem::path> ConflictCopiesOf(const std::filesystem::path& file);

} // namespace vantrel
