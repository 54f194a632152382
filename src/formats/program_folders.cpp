#include "formats/program_folders.h"

#include "formats/settings_file.h"

#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vantrel {

namespace {

// The program name's folder under the configuration folder.
constexpr const char* kConfigFolderName = "vantrel";

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// $HOME, or the home folder of the user's account when HOME is unset.
std::string homeFolder() {
    std::string home = environment("HOME");
    if (home.empty()) {
        std::vector<char> buffer(16384);
        passwd entry{};
        passwd* found = nullptr;
        if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
            found != nullptr && found->pw_dir != nullptr) {
            home = found->pw_dir;
        }
    }
    return home;
}

SettingsPlace probeSettingsPlace(const std::filesystem::path& programDirectory) {
    SettingsPlace place;
    place.programDirectory = programDirectory;
    place.programDirectoryWritable = ::access(programDirectory.c_str(), W_OK) == 0;
    place.programDirectoryInstalled = IsInstalledProgramDirectory(programDirectory);
    std::error_code error;
    place.settingsFileInProgramDirectory =
        std::filesystem::exists(SettingsFilePath(programDirectory), error);
    place.xdgConfigHome = environment("XDG_CONFIG_HOME");
    place.home = homeFolder();
    return place;
}

} // namespace

std::filesystem::path RunningProgramDirectory() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return std::filesystem::current_path(error) / "";
    }
    return program.parent_path() / "";
}

std::filesystem::path DataDirectory(const std::filesystem::path& programDirectory) {
    // The relative way from the installed program folder to the data folder,
    // so that a copy installed under any prefix finds its own files.
    return (programDirectory / VANTREL_DATA_FROM_PROGRAM).lexically_normal() / "";
}

bool IsInstalledProgramDirectory(const std::filesystem::path& programDirectory) {
    std::error_code error;
    return std::filesystem::equivalent(programDirectory, VANTREL_INSTALLED_PROGRAM_DIR, error) ||
           std::filesystem::is_directory(DataDirectory(programDirectory), error);
}

std::filesystem::path ChooseSettingsFolder(const SettingsPlace& place) {
    if (place.settingsFileInProgramDirectory ||
        (place.programDirectoryWritable && !place.programDirectoryInstalled)) {
        return place.programDirectory;
    }
    std::filesystem::path config(place.xdgConfigHome);
    // A relative XDG_CONFIG_HOME is invalid and must be ignored.
    if (!config.is_absolute()) {
        if (!std::filesystem::path(place.home).is_absolute()) {
            return place.programDirectory;
        }
        config = std::filesystem::path(place.home) / ".config";
    }
    return config / kConfigFolderName / "";
}

const std::filesystem::path& SettingsFolderForThisRun() {
    static const std::filesystem::path folder =
        ChooseSettingsFolder(probeSettingsPlace(RunningProgramDirectory()));
    return folder;
}

void PrepareSettingsFolder(const std::filesystem::path& settingsFolder,
                           const std::filesystem::path& programDirectory) {
    if (settingsFolder == programDirectory) {
        return;
    }
    const std::filesystem::path folder = settingsFolder.parent_path();
    std::error_code error;
    std::filesystem::create_directories(folder.parent_path(), error);
    // The settings file holds the users' password checks: the folder is the user's alone.
    ::mkdir(folder.c_str(), S_IRWXU);
}

std::optional<std::filesystem::path>
FindFileIn(const std::string& name, std::initializer_list<std::filesystem::path> folders) {
    for (const std::filesystem::path& folder : folders) {
        const std::filesystem::path candidate = folder / name;
        std::error_code error;
        if (std::filesystem::exists(candidate, error)) {
            return candidate;
        }
    }
    return std::nullopt;
}

} // namespace vantrel
