#include "generator/generator_settings.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "formats/settings_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string>

namespace vantrel {

namespace {

const std::string kSection{kGeneratorSection};

// The keys EnsureGeneratorKeys creates, in the order and spelling it writes them.
constexpr std::array<std::string_view, 8> kEnsuredKeys = {
    "BigChar", "SmallChar", "Digit", "Sign", "Right", "Double", "minPWD", "maxPWD"};

bool ReadFlag(const char* key, const std::filesystem::path& path) {
    return ReadSetting(kSection, key, path) == "True";
}

std::int32_t ReadLength(const char* key, const std::filesystem::path& path) {
    return ParseStoredInteger(ReadSetting(kSection, key, path));
}

void WriteFlag(const char* key, bool on, const std::filesystem::path& path) {
    WriteSetting(kSection, key, on ? "True" : "False", path);
}

void WriteLength(const char* key, std::int32_t value, const std::filesystem::path& path) {
    WriteSetting(kSection, key, std::to_string(value), path);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::int32_t ParseStoredInteger(std::string_view value) {
    std::string_view text = value;
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    // from_chars takes a "-" but not a "+"; a "+" is allowed only before a digit.
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') {
        text.remove_prefix(1);
    }
    std::int32_t result = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, result, 10);
    if (text.empty() || error != std::errc{} || stop != end) {
        throw Error(formatMessage("'%s' is not a valid integer value", Cp1251ToUtf8(value)));
    }
    return result;
}

void EnsureGeneratorKeys(const std::filesystem::path& settingsPath) {
    const std::vector<std::string> present = ReadSectionKeys(kSection, settingsPath);
    for (std::string_view name : kEnsuredKeys) {
        const bool found = std::any_of(present.begin(), present.end(), [&](const std::string& key) {
            return EqualsIgnoreCase1251(key, name);
        });
        if (!found) {
            WriteSetting(kSection, std::string(name), "0", settingsPath);
        }
    }
}

void LoadGeneratorOptions(GeneratorOptions& options, const std::filesystem::path& settingsPath) {
    EnsureGeneratorKeys(settingsPath);
    options.BigChar = ReadFlag("BigChar", settingsPath);
    options.SmallChar = ReadFlag("SmallChar", settingsPath);
    options.Digit = ReadFlag("Digit", settingsPath);
    options.Sign = ReadFlag("Sign", settingsPath);
    options.MinPwd = ReadLength("MinPwd", settingsPath);
    options.MaxPwd = ReadLength("MaxPwd", settingsPath);
    options.Right = ReadFlag("Right", settingsPath);
    options.Double = ReadFlag("Double", settingsPath);
}

void SaveGeneratorOptions(const GeneratorOptions& options,
                          const std::filesystem::path& settingsPath) {
    WriteFlag("BigChar", options.BigChar, settingsPath);
    WriteFlag("SmallChar", options.SmallChar, settingsPath);
    WriteFlag("Digit", options.Digit, settingsPath);
    WriteFlag("Sign", options.Sign, settingsPath);
    WriteLength("MinPwd", options.MinPwd, settingsPath);
    WriteLength("MaxPwd", options.MaxPwd, settingsPath);
    WriteFlag("Right", options.Right, settingsPath);
    WriteFlag("Double", options.Double, settingsPath);
}

} // namespace vantrel
