#pragma once

#include "cipher/crypt_lib.h"
#include "generator/generator_options.h"
#include "storage/record.h"
#include "storage/settings_file.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace vantrel {

// The program-wide state that the main window owns and the other windows read
// and write.
struct ProgramState {
    ProgramState() {
        cryptLib.SetCompression(true);
        cryptLib.SetAddKey(3517);
        cryptLib.SetMultKey(2683);
        cryptLib.SetPassword("vantrel");
    }

    // The running program file's folder, with a trailing separator.
    std::filesystem::path programDirectory;
    std::filesystem::path currentFile;
    std::string userName; // 1251 bytes
    bool modified = false;
    // Encrypts record files with the user's password; its Tag is the logged-in
    // flag (0 before login, 1 after).
    TCryptLib cryptLib;
    bool editingExisting = false;
    int sortColumn = 0;
    RecordList records;
    // Index of the selected record of the list, if any.
    std::optional<std::size_t> selected;
    GeneratorOptions generatorOptions;

    std::filesystem::path settingsFile() const { return SettingsFilePath(programDirectory); }
    bool loggedIn() const { return cryptLib.Tag != 0; }
};

} // namespace vantrel
