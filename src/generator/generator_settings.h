#pragma once

#include "formats/settings_names.h"
#include "generator/generator_options.h"

#include <cstdint>
#include <filesystem>
#include <string_view>

// Moving the generator options between memory and the settings file, section
// "GeneratorSetting". Every routine takes the settings file's path
// (SettingsFilePath).
namespace vantrel {

// Writes "0" for each generator key the section lacks, in the order BigChar,
// SmallChar, Digit, Sign, Right, Double, minPWD, maxPWD. Key names are compared
// without regard to letter case; present keys keep their values and spelling.
// Throws vantrel::Error "Unable to write to %s" when a needed write fails.
void EnsureGeneratorKeys(const std::filesystem::path& settingsPath);

// EnsureGeneratorKeys, then reads BigChar, SmallChar, Digit, Sign, MinPwd,
// MaxPwd, Right, Double in this order, assigning each field as soon as it is
// read. A flag is on only when its value is exactly "True". A length that is
// not a decimal integer throws vantrel::Error "'%s' is not a valid integer
// value"; the fields read before it keep their new values, the others stay.
void LoadGeneratorOptions(GeneratorOptions& options, const std::filesystem::path& settingsPath);

// Writes BigChar, SmallChar, Digit, Sign ("True"/"False"), MinPwd, MaxPwd
// (decimal), Right, Double in this order. Throws vantrel::Error "Unable to
// write to %s" at the first failed write; later keys stay as they were.
void SaveGeneratorOptions(const GeneratorOptions& options,
                          const std::filesystem::path& settingsPath);

// A stored length as a 32-bit integer: an optional sign and decimal digits,
// blanks (space, tab) allowed around them. Anything else, or a number outside
// the 32-bit range, throws vantrel::Error "'%s' is not a valid integer value"
// with the value (1251 bytes) shown in UTF-8.
std::int32_t ParseStoredInteger(std::string_view value);

} // namespace vantrel
