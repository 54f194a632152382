#pragma once

#include <filesystem>
#include <optional>
#include <string>

// How long a copied secret stays on the clipboard: key "ClipboardSeconds" in
// section "VTRSettings" of the settings file, in whole seconds, 0 for never.
namespace vantrel {

inline constexpr int kDefaultClipboardSeconds = 30;
inline constexpr int kMaxClipboardSeconds = 24 * 60 * 60;

struct ClipboardDelay {
    int seconds = kDefaultClipboardSeconds;
    // Why the stored value was not used (UTF-8, for the status bar); empty
    // when it was, or when there was none.
    std::string problem;
};

// A setting in whole seconds in section "VTRSettings" (the clipboard delay,
// the idle time before the program locks), read by the rules below.
// `fallbackNote` ends the problem text: what applies instead (UTF-8). The
// Read form gives std::nullopt when the key is missing and never writes.
std::optional<ClipboardDelay> ReadSecondsSetting(const char* key, int defaultSeconds,
                                                 int maxSeconds, const std::string& fallbackNote,
                                                 const std::filesystem::path& settingsPath);
ClipboardDelay LoadSecondsSetting(const char* key, int defaultSeconds, int maxSeconds,
                                  const std::string& fallbackNote,
                                  const std::filesystem::path& settingsPath);

// Reads the delay by the rules of the other integer settings (an optional sign
// and decimal digits, blanks around them). A value that is not such a number
// or lies outside 0 ... kMaxClipboardSeconds gives the default and a problem;
// the file is left as it is. A missing key gives the default, which is then
// written for the user to find (a failed write changes nothing: the default
// applies all the same). Never throws.
ClipboardDelay LoadClipboardSeconds(const std::filesystem::path& settingsPath);

// The delay the settings file holds, by the rules of LoadClipboardSeconds;
// std::nullopt when it has none. Never writes, never throws.
std::optional<ClipboardDelay> ReadClipboardSeconds(const std::filesystem::path& settingsPath);

// Stores the delay in decimal. Throws vantrel::Error "Unable to write to %s".
void SaveClipboardSeconds(int seconds, const std::filesystem::path& settingsPath);

} // namespace vantrel
