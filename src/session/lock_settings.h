#pragma once

#include <filesystem>
#include <string>

// When the program locks by itself: key "LockSeconds" in section
// "VTRSettings" (seconds without keyboard or mouse input, 0 for never; read
// by the rules of "ClipboardSeconds") and key "LockOnScreenLock" (1: lock when
// the screen locks and before the machine sleeps; 0: not).
namespace vantrel {

inline constexpr int kDefaultLockSeconds = 0;
inline constexpr int kMaxLockSeconds = 24 * 60 * 60;

struct LockSettings {
    int idleSeconds = kDefaultLockSeconds;
    bool onScreenLock = true;
    // Why a stored value was not used (UTF-8, for the status bar); empty
    // when every value was.
    std::string problem;
};

// Reads both keys; a missing one gives its default, which is then written for
// the user to find; a value that cannot be read gives the default and a
// problem. Never throws.
LockSettings LoadLockSettings(const std::filesystem::path& settingsPath);

// Stores both keys in place, every other byte of the file as it was. Throws
// vantrel::Error "Unable to write to %s".
void SaveLockSettings(const LockSettings& settings, const std::filesystem::path& settingsPath);

} // namespace vantrel
