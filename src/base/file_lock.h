#pragma once

#include <filesystem>

namespace vantrel {

// An exclusive lock (flock) on the file that is at a path, held while the
// object lives. The program and the command-line tool take it around their
// check of a record file and its replacement, so neither replaces the file
// between the other's check and write. A replacement renames a new file over
// the name: after waiting, the lock is taken again on the file that the name
// now holds. No file at the path: nothing to lock (and nothing is created, so
// no lock file ever lands in a synced folder).
class FileLock {
public:
    // Waits until the lock is free. Files that cannot be opened for reading
    // are left unlocked: the write that follows reports the reason.
    explicit FileLock(const std::filesystem::path& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

} // namespace vantrel
