// Where the settings file and the shipped data files are looked up.
#include "formats/program_folders.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

namespace fs = std::filesystem;

TEST(SettingsFolder, PortableCopyOrPerUserConfiguration) {
    struct Case {
        const char* what;
        bool writable;
        bool installed;
        bool holdsSettings;
        const char* xdg;
        const char* home;
        const char* expected;
    };
    for (const Case& c : std::vector<Case>{
             {"portable: writable folder", true, false, false, "/xdg", "/home/u", "/opt/v/"},
             {"portable: settings already there", false, false, true, "/xdg", "/home/u", "/opt/v/"},
             {"portable: settings already in an installed folder", false, true, true, "/xdg",
              "/home/u", "/opt/v/"},
             {"installed: writable (for root) all the same", true, true, false, "/xdg", "/home/u",
              "/xdg/vantrel/"},
             {"installed: XDG_CONFIG_HOME", false, false, false, "/xdg", "/home/u",
              "/xdg/vantrel/"},
             {"installed: no XDG_CONFIG_HOME", false, false, false, "", "/home/u",
              "/home/u/.config/vantrel/"},
             {"installed: relative XDG_CONFIG_HOME is ignored", false, false, false, "cfg",
              "/home/u", "/home/u/.config/vantrel/"},
             {"installed: no home either", false, false, false, "", "", "/opt/v/"},
             {"installed: relative home", false, false, false, "", "home", "/opt/v/"},
         }) {
        EXPECT_EQ(ChooseSettingsFolder(
                      {"/opt/v/", c.writable, c.installed, c.holdsSettings, c.xdg, c.home}),
                  fs::path(c.expected))
            << c.what;
    }
}

TEST(ProgramFiles, DataFolderBesideTheProgramFolder) {
    EXPECT_EQ(DataDirectory("/usr/bin/"), fs::path("/usr/share/vantrel/"));
    EXPECT_EQ(DataDirectory("/tmp/prefix/bin/"), fs::path("/tmp/prefix/share/vantrel/"));
    EXPECT_EQ(RunningProgramDirectory().filename(), fs::path());
    EXPECT_TRUE(fs::exists(RunningProgramDirectory() / "formats_tests"));
}

TEST(SettingsFolder, InstalledProgramFolders) {
    test::TempFolder prefix;
    fs::create_directories(prefix / "bin");
    EXPECT_FALSE(IsInstalledProgramDirectory(prefix / "bin" / ""));
    fs::create_directories(prefix / "share" / "vantrel");
    EXPECT_TRUE(IsInstalledProgramDirectory(prefix / "bin" / ""));
    EXPECT_FALSE(IsInstalledProgramDirectory(RunningProgramDirectory()));
}

TEST(ProgramFiles, FirstFolderThatHoldsTheFile) {
    test::TempFolder dir;
    const auto find = [&] { return FindFileIn("l.txt", {dir / "w", dir / "d", dir / "p"}); };
    EXPECT_EQ(find(), std::nullopt);
    // Each file added to an earlier folder takes the place of the later one.
    for (const char* folder : {"p", "d", "w"}) {
        fs::create_directory(dir / folder);
        test::WriteBytes(dir / folder / "l.txt", folder);
        EXPECT_EQ(find(), dir / folder / "l.txt");
    }
    // The empty folder is the working folder: the bare name is returned.
    const fs::path previous = fs::current_path();
    fs::current_path(dir / "w");
    EXPECT_EQ(FindFileIn("l.txt", {fs::path(), dir / "d"}), fs::path("l.txt"));
    fs::current_path(previous);
}

} // namespace
} // namespace vantrel
