// The settings reader and writer on arbitrary file content: reads never fail,
// a write is read back, and a write changes no other value.
#include "base/cp1251.h"
#include "formats/settings_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <stdlib.h>

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

const std::filesystem::path& settingsPath() {
    static const std::filesystem::path path = [] {
        // Every write flushes the file to disk; a memory-backed folder keeps
        // that cheap enough for thousands of runs a second.
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "vantrel-fuzz-XXXXXX").string();
        check(::mkdtemp(pattern.data()) != nullptr);
        static const std::filesystem::path folder = pattern;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        });
        return vantrel::SettingsFilePath(folder);
    }();
    return path;
}

struct Entry {
    std::string section;
    std::string key;
    std::string value;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path& path = settingsPath();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    const char* sections[] = {"UsersName", "GeneratorSetting", "S"};
    std::vector<Entry> before;
    for (const char* section : sections) {
        for (const std::string& key : vantrel::ReadSectionKeys(section, path)) {
            check(!key.empty());
            std::string value = vantrel::ReadSetting(section, key, path);
            check(value.size() <= 2047);
            before.push_back({section, key, std::move(value)});
        }
    }
    check(vantrel::ReadSetting("S", "", path) == vantrel::ReadFailureText());

    vantrel::WriteSetting("GeneratorSetting", "MinPwd", "12", path);
    check(vantrel::ReadSetting("generatorsetting", "minpwd", path) == "12");
    for (const Entry& entry : before) {
        const bool written = entry.section == std::string("GeneratorSetting") &&
                             vantrel::EqualsIgnoreCase1251(entry.key, "MinPwd");
        if (!written) {
            check(vantrel::ReadSetting(entry.section, entry.key, path) == entry.value);
        }
    }
    return 0;
}
