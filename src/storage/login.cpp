#include "storage/login.h"

#include "generator/generator_settings.h"
#include "storage/cp1251.h"
#include "storage/settings_file.h"

namespace vantrel {

namespace {

// The keys both cipher components share: a check string made by one is tested
// by the other.
constexpr std::int32_t kAddKey = 3517;
constexpr std::int32_t kMultKey = 2683;
// The checker's design-time password; every use replaces it first.
constexpr const char* kCheckerPassword = "vtrcheck";

} // namespace

LoginSteps::LoginSteps(ProgramState& state, FileCommands& files, Prompts& prompts)
    : state_(state), files_(files), prompts_(prompts) {
    checker_.SetCompression(true);
    checker_.SetAddKey(kAddKey);
    checker_.SetMultKey(kMultKey);
    checker_.SetPassword(kCheckerPassword);
}

bool LoginSteps::Enter(const std::string& name, const std::string& password) {
    checker_.SetPassword(password); // over 12 characters: throws, nothing read yet
    if (programDirectory) {
        state_.programDirectory = programDirectory();
    }
    const std::string check = ReadSetting(kUsersSection, name, state_.settingsFile());
    if (!checker_.CheckPassword(check, password)) {
        prompts_.inform(kMismatchMessage);
        return CreateUser(name, password);
    }
    state_.cryptLib.SetPassword(password);
    state_.cryptLib.Tag = 1;
    state_.userName = name;
    reopenRememberedFile(name);
    LoadGeneratorOptions(state_.generatorOptions, state_.settingsFile());
    return true;
}

void LoginSteps::reopenRememberedFile(const std::string& name) {
    try {
        const std::string remembered =
            ReadSetting(kRememberedFilesSection, name, state_.settingsFile());
        // The read-failure text is no path: a file of that name in the working
        // folder must not be opened in its place.
        if (remembered == ReadFailureText() || remembered.empty()) {
            prompts_.inform(kLastFileNotFoundMessage);
            return;
        }
        files_.LoadRecordFile(std::filesystem::path(Cp1251ToUtf8(remembered)), true);
    } catch (...) {
        prompts_.inform(kLastFileNotFoundMessage);
    }
}

bool LoginSteps::CreateUser(const std::string& name, const std::string& password) {
    if (prompts_.ask(kCreateUserQuestion) != Prompts::Answer::Ok) {
        return false;
    }
    if (name.empty() && password.empty()) {
        prompts_.inform(kNoNameNoPasswordMessage);
        return false;
    }
    if (!name.empty() && !IsStorableKey(name)) {
        prompts_.inform(kNameNotStorableMessage);
        return false;
    }
    state_.cryptLib.SetPassword(password); // over 12 characters: throws, nothing written
    const std::string check = state_.cryptLib.MakePasswordCheck();
    if (!name.empty()) {
        WriteSetting(kUsersSection, name, check, state_.settingsFile());
    }
    state_.cryptLib.Tag = 1;
    state_.userName = name;
    return true;
}

} // namespace vantrel
