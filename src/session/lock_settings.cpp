#include "session/lock_settings.h"

#include "base/error.h"
#include "formats/settings_file.h"
#include "formats/settings_names.h"
#include "generator/generator_settings.h"
#include "session/clipboard_settings.h"

namespace vantrel {

LockSettings LoadLockSettings(const std::filesystem::path& settingsPath) {
    LockSettings settings;
    const ClipboardDelay idle =
        LoadSecondsSetting(kLockSecondsKey, kDefaultLockSeconds, kMaxLockSeconds,
                           "программа не блокируется по времени бездействия", settingsPath);
    settings.idleSeconds = idle.seconds;
    settings.problem = idle.problem;

    const std::string value = ReadSetting(kProgramSection, kLockOnScreenLockKey, settingsPath);
    if (value == ReadFailureText()) {
        try {
            WriteSetting(kProgramSection, kLockOnScreenLockKey, "1", settingsPath);
        } catch (const Error&) {
        }
        return settings;
    }
    try {
        const std::int32_t flag = ParseStoredInteger(value);
        if (flag == 0 || flag == 1) {
            settings.onScreenLock = flag == 1;
            return settings;
        }
    } catch (const Error&) {
    }
    if (!settings.problem.empty()) {
        settings.problem += ". ";
    }
    settings.problem += "Неверное значение " + std::string(kLockOnScreenLockKey) +
                        " в файле настроек (нужно 0 или 1); программа блокируется вместе с "
                        "экраном";
    return settings;
}

void SaveLockSettings(const LockSettings& settings, const std::filesystem::path& settingsPath) {
    WriteSetting(kProgramSection, kLockSecondsKey, std::to_string(settings.idleSeconds),
                 settingsPath);
    WriteSetting(kProgramSection, kLockOnScreenLockKey, settings.onScreenLock ? "1" : "0",
                 settingsPath);
}

} // namespace vantrel
