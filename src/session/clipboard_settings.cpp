#include "session/clipboard_settings.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "formats/settings_file.h"
#include "formats/settings_names.h"
#include "generator/generator_settings.h"

#include <algorithm>
#include <string_view>

namespace vantrel {

namespace {

bool hasKey(const char* name, const std::filesystem::path& settingsPath) {
    const auto keys = ReadSectionKeys(kProgramSection, settingsPath);
    return std::any_of(keys.begin(), keys.end(),
                       [name](const std::string& key) { return EqualsIgnoreCase1251(key, name); });
}

// The stored value as the status bar shows it: UTF-8, long values shortened.
std::string shownValue(const std::string& value) {
    constexpr std::size_t kShown = 24;
    std::string shown = Cp1251ToUtf8(value.substr(0, kShown));
    return value.size() > kShown ? shown + "…" : shown;
}

std::string clipboardFallbackNote() {
    return "буфер обмена очищается через " + std::to_string(kDefaultClipboardSeconds) + " с";
}

} // namespace

std::optional<ClipboardDelay> ReadSecondsSetting(const char* key, int defaultSeconds,
                                                 int maxSeconds, const std::string& fallbackNote,
                                                 const std::filesystem::path& settingsPath) {
    if (!hasKey(key, settingsPath)) {
        return std::nullopt;
    }
    ClipboardDelay delay;
    delay.seconds = defaultSeconds;
    const std::string value = ReadSetting(kProgramSection, key, settingsPath);
    const bool empty = value == ReadFailureText();
    try {
        const std::int32_t seconds = empty ? -1 : ParseStoredInteger(value);
        if (seconds >= 0 && seconds <= maxSeconds) {
            delay.seconds = seconds;
            return delay;
        }
    } catch (const Error&) {
    }
    delay.problem = "Неверное значение " + std::string(key) + " в файле настроек: «" +
                    (empty ? std::string() : shownValue(value)) + "» (нужно число секунд от 0 до " +
                    std::to_string(maxSeconds) + "); " + fallbackNote;
    return delay;
}

ClipboardDelay LoadSecondsSetting(const char* key, int defaultSeconds, int maxSeconds,
                                  const std::string& fallbackNote,
                                  const std::filesystem::path& settingsPath) {
    if (std::optional<ClipboardDelay> stored =
            ReadSecondsSetting(key, defaultSeconds, maxSeconds, fallbackNote, settingsPath)) {
        return *stored;
    }
    try {
        WriteSetting(kProgramSection, key, std::to_string(defaultSeconds), settingsPath);
    } catch (const Error&) {
    }
    ClipboardDelay delay;
    delay.seconds = defaultSeconds;
    return delay;
}

ClipboardDelay LoadClipboardSeconds(const std::filesystem::path& settingsPath) {
    return LoadSecondsSetting(kClipboardSecondsKey, kDefaultClipboardSeconds, kMaxClipboardSeconds,
                              clipboardFallbackNote(), settingsPath);
}

std::optional<ClipboardDelay> ReadClipboardSeconds(const std::filesystem::path& settingsPath) {
    return ReadSecondsSetting(kClipboardSecondsKey, kDefaultClipboardSeconds, kMaxClipboardSeconds,
                              clipboardFallbackNote(), settingsPath);
}

void SaveClipboardSeconds(int seconds, const std::filesystem::path& settingsPath) {
    WriteSetting(kProgramSection, kClipboardSecondsKey, std::to_string(seconds), settingsPath);
}

} // namespace vantrel
