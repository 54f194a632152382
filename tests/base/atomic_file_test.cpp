#include "base/atomic_file.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vantrel {
namespace {

using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

namespace fs = std::filesystem;

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0);
    return info.st_mode & 07777;
}

std::string bigContent() {
    std::string bytes(300000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 131 % 251);
    }
    return bytes;
}

TEST(AtomicFile, CreatesNewFileOwnerOnly) {
    TempFolder folder;
    const fs::path file = folder / "new.vtr";
    ASSERT_FALSE(ReplaceFileAtomically(file, "secret"));
    EXPECT_EQ(ReadBytes(file), "secret");
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"new.vtr"});
}

TEST(AtomicFile, ReplacesContentAndKeepsPermissionBits) {
    TempFolder folder;
    const fs::path file = folder / "list.vtr";
    WriteBytes(file, std::string(5000, 'x'));
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    ASSERT_FALSE(ReplaceFileAtomically(file, "short"));
    EXPECT_EQ(ReadBytes(file), "short");
    EXPECT_EQ(modeOf(file), 0640u);
    ASSERT_FALSE(ReplaceFileAtomically(file, ""));
    EXPECT_EQ(ReadBytes(file), "");
    EXPECT_EQ(folder.entries().size(), 1u);

    // Plain text with passwords never inherits a wider mode.
    ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
    ASSERT_FALSE(ReplaceFileAtomically(file, "clear", FilePermissions::OwnerOnly));
    EXPECT_EQ(modeOf(file), 0600u);
}

TEST(AtomicFile, ReplacesTheTargetOfASymbolicLink) {
    TempFolder folder;
    const fs::path target = folder / "real.ini";
    const fs::path link = folder / "link.ini";
    WriteBytes(target, "old");
    fs::create_symlink(target, link);
    ASSERT_FALSE(ReplaceFileAtomically(link, "new"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadBytes(target), "new");
}

TEST(AtomicFile, CreatesTheMissingTargetOfALinkAndNeverReplacesTheLink) {
    TempFolder folder;
    fs::create_directory(folder / "sub");
    fs::create_symlink("sub/new.ini", folder / "dangling.ini");
    fs::create_symlink("../dangling.ini", folder / "sub" / "chained.ini");
    ASSERT_FALSE(ReplaceFileAtomically(folder / "sub" / "chained.ini", "made"));
    EXPECT_TRUE(fs::is_symlink(folder / "dangling.ini"));
    EXPECT_TRUE(fs::is_symlink(folder / "sub" / "chained.ini"));
    EXPECT_EQ(ReadBytes(folder / "sub" / "new.ini"), "made");
    EXPECT_EQ(modeOf(folder / "sub" / "new.ini"), 0600u);

    fs::create_symlink("loop-b", folder / "loop-a");
    fs::create_symlink("loop-a", folder / "loop-b");
    EXPECT_EQ(ReplaceFileAtomically(folder / "loop-a", "x"),
              std::errc::too_many_symbolic_link_levels);
    fs::create_symlink("no-folder/x.ini", folder / "nowhere.ini");
    EXPECT_EQ(ReplaceFileAtomically(folder / "nowhere.ini", "x"),
              std::errc::no_such_file_or_directory);
    EXPECT_TRUE(fs::is_symlink(folder / "loop-a"));
    EXPECT_TRUE(fs::is_symlink(folder / "nowhere.ini"));
}

TEST(AtomicFile, RelativePathWritesIntoCurrentFolder) {
    TempFolder folder;
    const fs::path before = fs::current_path();
    fs::current_path(folder.path());
    const std::error_code ec = ReplaceFileAtomically("plain.txt", "abc");
    fs::current_path(before);
    ASSERT_FALSE(ec);
    EXPECT_EQ(ReadBytes(folder / "plain.txt"), "abc");
}

// Each injected failure must leave the old file byte for byte and no
// temporary file behind.
class AtomicFileFailure : public ::testing::Test {
protected:
    void SetUp() override { WriteBytes(file, old); }
    void expectOldFileIntact() {
        EXPECT_EQ(ReadBytes(file), old);
        EXPECT_EQ(folder.entries(), std::vector<std::string>{"records.vtr"});
    }

    TempFolder folder;
    fs::path file = folder / "records.vtr";
    std::string old = bigContent();
};

TEST_F(AtomicFileFailure, WriteFailingPartWay) {
    for (std::size_t after :
         {std::size_t{0}, std::size_t{1}, std::size_t{65536}, std::size_t{299999}}) {
        ScopedAtomicFileFaults faults({.failWriteAfter = after});
        EXPECT_EQ(ReplaceFileAtomically(file, std::string(300000, 'n')),
                  std::errc::no_space_on_device)
            << after;
        expectOldFileIntact();
    }
}

// Content made piece by piece: the write fault counts across pieces, and a
// producer that throws leaves the old file and nothing else.
TEST_F(AtomicFileFailure, ContentMadePieceByPiece) {
    const auto pieces = [](const ChunkWriter& write) {
        for (int i = 0; i < 3; ++i) {
            write("0123456789");
        }
    };
    {
        ScopedAtomicFileFaults faults({.failWriteAfter = 25});
        EXPECT_EQ(ReplaceFileAtomically(file, pieces), std::errc::no_space_on_device);
        expectOldFileIntact();
    }
    EXPECT_THROW((void)ReplaceFileAtomically(file,
                                             [](const ChunkWriter& write) {
                                                 write("partial");
                                                 throw std::runtime_error("stopped");
                                             }),
                 std::runtime_error);
    expectOldFileIntact();
    ASSERT_FALSE(ReplaceFileAtomically(file, pieces));
    EXPECT_EQ(ReadBytes(file), "012345678901234567890123456789");
}

TEST_F(AtomicFileFailure, WriteLimitAtTheSizeIsNoFailure) {
    ScopedAtomicFileFaults faults({.failWriteAfter = 4});
    EXPECT_FALSE(ReplaceFileAtomically(file, "four"));
    EXPECT_EQ(ReadBytes(file), "four");
}

TEST_F(AtomicFileFailure, FlushFailing) {
    ScopedAtomicFileFaults faults({.failSync = true});
    EXPECT_TRUE(ReplaceFileAtomically(file, "new"));
    expectOldFileIntact();
}

TEST_F(AtomicFileFailure, RenameFailing) {
    ScopedAtomicFileFaults faults({.failRename = true});
    EXPECT_TRUE(ReplaceFileAtomically(file, "new"));
    expectOldFileIntact();
}

// A process killed at any step of the write leaves the old file whole; a
// temporary file it left is removed by the next write, but not one that a
// living writer still holds, nor a file of the user's that only looks alike.
TEST_F(AtomicFileFailure, KilledAtEveryStepLeavesNothingBehind) {
    using Step = AtomicFileFaults::Step;
    const fs::path alike = folder / ".records.vtr.vtmp-ABCDEFG";
    WriteBytes(alike, "user's");
    const fs::path held = folder / ".records.vtr.vtmp-Held00";
    WriteBytes(held, "being written");
    const int holder = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    for (const Step step : {Step::Create, Step::Write, Step::Sync, Step::Link, Step::Rename}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ScopedAtomicFileFaults faults({.killAt = step});
            [[maybe_unused]] const auto ec = ReplaceFileAtomically(file, std::string(300000, 'n'));
            ::_exit(0); // not reached: the write kills the process
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "step " << static_cast<int>(step) << " was never reached";
        const std::string content = ReadBytes(file);
        EXPECT_TRUE(content == old || content == std::string(300000, 'n'));
        if (step == Step::Link) { // named just before the rename: left behind
            EXPECT_EQ(folder.entries().size(), 4u);
        }

        ASSERT_FALSE(ReplaceFileAtomically(file, old));
        auto entries = folder.entries();
        std::sort(entries.begin(), entries.end());
        EXPECT_EQ(entries, (std::vector<std::string>{".records.vtr.vtmp-ABCDEFG",
                                                     ".records.vtr.vtmp-Held00", "records.vtr"}))
            << "step " << static_cast<int>(step);
    }
    ::close(holder);
}

TEST_F(AtomicFileFailure, FaultsEndWithTheirScope) {
    { ScopedAtomicFileFaults faults({.failRename = true}); }
    EXPECT_FALSE(ReplaceFileAtomically(file, "new"));
    EXPECT_EQ(ReadBytes(file), "new");
}

TEST_F(AtomicFileFailure, FolderWithoutWritePermission) {
    if (test::RunningAsRoot()) {
        GTEST_SKIP() << "root ignores permission bits; the injected faults cover this case";
    }
    ASSERT_EQ(::chmod(folder.path().c_str(), 0555), 0);
    EXPECT_EQ(ReplaceFileAtomically(file, "new"), std::errc::permission_denied);
    ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
    expectOldFileIntact();
}

TEST_F(AtomicFileFailure, ReadOnlyFileInWritableFolder) {
    if (test::RunningAsRoot()) {
        GTEST_SKIP() << "root may write any file";
    }
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    EXPECT_EQ(ReplaceFileAtomically(file, "new"), std::errc::permission_denied);
    expectOldFileIntact();
}

TEST_F(AtomicFileFailure, MissingFolderOrDirectoryInTheWay) {
    EXPECT_TRUE(ReplaceFileAtomically(folder / "no" / "such.vtr", "x"));
    fs::create_directory(folder / "dir.vtr");
    EXPECT_EQ(ReplaceFileAtomically(folder / "dir.vtr", "x"), std::errc::is_a_directory);
    EXPECT_TRUE(fs::is_directory(folder / "dir.vtr"));
    fs::remove(folder / "dir.vtr");
    // A FIFO or a device says what it is, not that it is a folder.
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(ReplaceFileAtomically(folder / "fifo", "x"), NotARegularFile());
    EXPECT_EQ(fs::status(folder / "fifo").type(), fs::file_type::fifo);
    fs::remove(folder / "fifo");
    EXPECT_EQ(ReplaceFileAtomically("/dev/null", "x"), NotARegularFile());
    expectOldFileIntact();
}

TEST(ReadWholeFile, ReadsEveryByteAndReportsMissingFiles) {
    TempFolder folder;
    const std::string bytes = bigContent();
    WriteBytes(folder / "a", bytes);
    std::string read = "stale";
    ASSERT_FALSE(ReadWholeFile(folder / "a", read));
    EXPECT_EQ(read, bytes);
    EXPECT_EQ(ReadWholeFile(folder / "missing", read), std::errc::no_such_file_or_directory);
    EXPECT_TRUE(read.empty());
    EXPECT_TRUE(ReadWholeFile(folder.path(), read)); // a folder is no file

    // A bound: a regular file by its size, an endless device once passed.
    EXPECT_FALSE(ReadWholeFile(folder / "a", read, bytes.size()));
    EXPECT_EQ(ReadWholeFile(folder / "a", read, bytes.size() - 1), std::errc::file_too_large);
    EXPECT_TRUE(read.empty());
    EXPECT_EQ(ReadWholeFile("/dev/zero", read, 100000), std::errc::file_too_large);
    EXPECT_TRUE(read.empty());
}

} // namespace
} // namespace vantrel
