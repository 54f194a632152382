#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The settings file "VTR.ini": an INI file of 1251 text with CR LF line ends,
// read and written one value per call (nothing is cached).
namespace vantrel {

// The settings file's path: the program directory followed by "VTR.ini". Every
// access to the settings file uses this one function.
std::filesystem::path SettingsFilePath(const std::filesystem::path& programDirectory);

// The value a read yields when the file, the section or the key is missing, or
// the key is empty: "Ошибка при считывании параметра" as 1251 bytes.
const std::string& ReadFailureText();

// The value of `key` in `section` (names compared without regard to letter
// case, Latin and Cyrillic), trimmed of blanks, at most 2047 characters; or
// ReadFailureText(). Never throws.
std::string ReadSetting(const std::string& section, const std::string& key,
                        const std::filesystem::path& path);

// Stores the value, creating the file, the section (at the end of the file) or
// the key (at the end of its section) as needed; an existing key keeps its
// letter case; all other lines stay byte for byte. The file is replaced
// atomically. Throws vantrel::Error "Unable to write to %s" on failure.
void WriteSetting(const std::string& section, const std::string& key, const std::string& value,
                  const std::filesystem::path& path);

// The key names present in `section`, in file order; empty when the file or the
// section is missing.
std::vector<std::string> ReadSectionKeys(const std::string& section,
                                         const std::filesystem::path& path);

// Whether `key` comes back as the same key from the file: no "=", not starting
// with "[" or ";", no blanks at either end, not empty.
bool IsStorableKey(const std::string& key);

} // namespace vantrel
