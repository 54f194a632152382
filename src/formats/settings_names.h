#pragma once

// The names in the settings file that every reader and writer of it shares: the
// program, the command-line tool and files written by earlier runs rely on them.
namespace vantrel {

inline constexpr const char* kSettingsFileName = "VTR.ini";

// User name -> password check string.
inline constexpr const char* kUsersSection = "UsersName";
// User name -> the record file reopened at login (1251 path).
inline constexpr const char* kRememberedFilesSection = "UsersFiles";
// The generator options (their keys are listed in generator_settings.cpp).
inline constexpr const char* kGeneratorSection = "GeneratorSetting";
// Window settings of the program.
inline constexpr const char* kProgramSection = "VTRSettings";
inline constexpr const char* kFlatToolbarKey = "FlattbMain";
// Seconds a copied secret stays on the clipboard (session/clipboard_settings.h).
inline constexpr const char* kClipboardSecondsKey = "ClipboardSeconds";
// The list of breached passwords the password report checks (1251 path;
// health/breach_list.h).
inline constexpr const char* kBreachListFileKey = "BreachListFile";
// Seconds without input before the program locks, and whether it locks with
// the screen (session/lock_settings.h).
inline constexpr const char* kLockSecondsKey = "LockSeconds";
inline constexpr const char* kLockOnScreenLockKey = "LockOnScreenLock";

} // namespace vantrel
