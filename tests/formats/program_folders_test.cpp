// Where the settings file and the shipped data files are looked up.
#include "formats/program_folders.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace vantrel {
namespace {

namespace fs = std::filesystem;

TEST(SettingsFolder, PortableCopyOrPerUserConfiguration) {
    struct Case {
        const char* what;
        bool writable;
        bool holdsSettings;
        const char* xdg;
        const char* home;
        const char* expected;
    };
    for (const Case& c : std::vector<Case>{
             {"portable: writable folder", true, false, "/xdg", "/home/u", "/opt/v/"},
             {"portable: settings already there", false, true, "/xdg", "/home/u", "/opt/v/"},
             {"installed: XDG_CONFIG_HOME", false, false, "/xdg", "/home/u", "/xdg/vantrel/"},
             {"installed: no XDG_CONFIG_HOME", false, false, "", "/home/u",
              "/home/u/.config/vantrel/"},
             {"installed: relative XDG_CONFIG_HOME is ignored", false, false, "cfg", "/home/u",
              "/home/u/.config/vantrel/"},
             {"installed: no home either", false, false, "", "", "/opt/v/"},
             {"installed: relative home", false, false, "", "home", "/opt/v/"},
         }) {
        EXPECT_EQ(ChooseSettingsFolder({"/opt/v/", c.writable, c.holdsSettings, c.xdg, c.home}),
                  fs::path(c.expected))
            << c.what;
    }
}

TEST(SettingsFolder, PreparedPrivatelyOnlyWhenNotTheProgramFolder) {
    test::TempFolder dir;
    const fs::path program = dir / "bin" / "";
    PrepareSettingsFolder(program, program);
    EXPECT_FALSE(fs::exists(program));

    const fs::path settings = dir / "config" / "vantrel" / "";
    PrepareSettingsFolder(settings, program);
    struct stat info {};
    ASSERT_EQ(::stat(settings.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // An existing folder is left as it is.
    fs::permissions(settings, fs::perms::owner_all | fs::perms::group_read);
    PrepareSettingsFolder(settings, program);
    ASSERT_EQ(::stat(settings.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0740u);
}

TEST(ProgramFiles, DataFolderBesideTheProgramFolder) {
    EXPECT_EQ(DataDirectory("/usr/bin/"), fs::path("/usr/share/vantrel/"));
    EXPECT_EQ(DataDirectory("/tmp/prefix/bin/"), fs::path("/tmp/prefix/share/vantrel/"));
    EXPECT_EQ(RunningProgramDirectory().filename(), fs::path());
    EXPECT_TRUE(fs::exists(RunningProgramDirectory() / "formats_tests"));
}

TEST(ProgramFiles, FirstFolderThatHoldsTheFile) {
    test::TempFolder dir;
    for (const char* folder : {"work", "data", "program"}) {
        fs::create_directory(dir / folder);
    }
    const auto find = [&] {
        return FindFileIn("licence.txt", {dir / "work", dir / "data", dir / "program"});
    };
    EXPECT_EQ(find(), std::nullopt);
    test::WriteBytes(dir / "program" / "licence.txt", "p");
    EXPECT_EQ(find(), dir / "program" / "licence.txt");
    test::WriteBytes(dir / "data" / "licence.txt", "d");
    EXPECT_EQ(find(), dir / "data" / "licence.txt");
    test::WriteBytes(dir / "work" / "licence.txt", "w");
    EXPECT_EQ(find(), dir / "work" / "licence.txt");
    // The empty folder is the working folder: the bare name is returned.
    const fs::path previous = fs::current_path();
    fs::current_path(dir / "work");
    EXPECT_EQ(FindFileIn("licence.txt", {fs::path(), dir / "data"}), fs::path("licence.txt"));
    fs::current_path(previous);
}

} // namespace
} // namespace vantrel
