#pragma once

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>

// Where the program's own files are: the folder of the settings file (beside
// the program for a portable copy, per user for an installed one) and the
// shipped data files such as the licence text.
namespace vantrel {

// The folder of the running program file, with a trailing separator.
std::filesystem::path RunningProgramDirectory();

// The installed data folder that belongs to a program folder
// ("<prefix>/share/vantrel/" beside "<prefix>/bin/"), with a trailing separator.
std::filesystem::path DataDirectory(const std::filesystem::path& programDirectory);

// Whether a program folder is where an installation put the program: the
// "bin/" folder of the configured install prefix, or any folder with the
// installed data folder beside it (a program installed under another prefix,
// or by the Debian package).
bool IsInstalledProgramDirectory(const std::filesystem::path& programDirectory);

// What the choice of the settings folder depends on.
struct SettingsPlace {
    std::filesystem::path programDirectory;
    bool programDirectoryWritable = false;
    bool programDirectoryInstalled = false; // IsInstalledProgramDirectory
    bool settingsFileInProgramDirectory = false;
    std::string xdgConfigHome; // as set in the environment; empty when unset
    std::string home;          // the user's home folder; empty when unknown
};

// The settings folder, with a trailing separator: the program directory for a
// portable copy (its folder already holds the settings file, or is writable
// and not an installed one: root may write every installed folder),
// otherwise "vantrel/" under $XDG_CONFIG_HOME, or under ~/.config when that is
// unset or not an absolute path. Without a home folder either, it stays the
// program directory, where a write then fails with the file's name.
std::filesystem::path ChooseSettingsFolder(const SettingsPlace& place);

// The settings folder of this run: chosen once, at the first call, from the
// running program's folder and the environment; every later call returns the
// same folder.
const std::filesystem::path& SettingsFolderForThisRun();

// Creates the per-user settings folder (mode 0700, its parents as needed)
// when it is not the program directory and does not exist yet. A folder that
// cannot be made is left to the first write, which reports it.
void PrepareSettingsFolder(const std::filesystem::path& settingsFolder,
                           const std::filesystem::path& programDirectory);

// The first of the folders that holds a file `name`, as the path to open.
// Throws nothing; nullopt when none holds it.
std::optional<std::filesystem::path>
FindFileIn(const std::string& name, std::initializer_list<std::filesystem::path> folders);

} // namespace vantrel
