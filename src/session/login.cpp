#include "session/login.h"

#include "session/user_entry.h"

#include "base/cp1251.h"
#include "formats/program_cipher.h"
#include "formats/settings_file.h"
#include "formats/settings_names.h"
#include "generator/generator_settings.h"

#include <exception>
#include <optional>
#include <system_error>

namespace vantrel {

namespace {

// The checker's design-time password; every use replaces it first.
constexpr const char* kCheckerPassword = "vtrcheck";

// Whether nothing is at the remembered path (1251). A path that cannot even be
// looked at is not taken as missing: the load then says why.
bool isMissing(const std::string& remembered) {
    std::error_code unknown;
    const auto status = std::filesystem::status(Cp1251ToUtf8(remembered), unknown);
    return status.type() == std::filesystem::file_type::not_found;
}

} // namespace

LoginSteps::LoginSteps(Session& session, FileCommands& files, Prompts& prompts)
    : session_(session), files_(files), prompts_(prompts) {
    ConfigureProgramCipher(checker_, kCheckerPassword);
}

bool LoginSteps::Enter(const std::string& name, const std::string& password) {
    checker_.SetPassword(password); // over 12 characters: throws, nothing read yet
    if (programDirectory) {
        session_.setProgramDirectory(programDirectory());
    }
    const std::string check = ReadSetting(kUsersSection, name, session_.settingsFile());
    const bool accepted = UserEntryAccepts(check, password, checker_);
    // The checker keeps no copy of the typed password: a locked program must
    // hold none.
    checker_.SetPassword(kCheckerPassword);
    checker_.WipeKey();
    if (!accepted) {
        prompts_.inform(kMismatchMessage);
        return CreateUser(name, password);
    }
    session_.cipher().SetPassword(password);
    session_.protectedKey().reset(); // derived from another password
    session_.logIn(name);
    session_.setUserProtected(IsProtectedUserEntry(check));
    reopenRememberedFile(name);
    LoadGeneratorOptions(session_.generatorOptions(), session_.settingsFile());
    return true;
}

void LoginSteps::reopenRememberedFile(const std::string& name) {
    try {
        const std::string remembered =
            ReadSetting(kRememberedFilesSection, name, session_.settingsFile());
        // The read-failure text is no path: a file of that name in the working
        // folder must not be opened in its place.
        if (remembered == ReadFailureText() || remembered.empty() || isMissing(remembered)) {
            prompts_.inform(kLastFileNotFoundMessage);
            return;
        }
        files_.openFile(std::filesystem::path(Cp1251ToUtf8(remembered)), RecordFileKind::Encrypted);
    } catch (const std::exception& error) {
        prompts_.inform(ErrorBoxText(error.what()) + "\r" + kLastFileNotOpenedNote);
    }
}

bool LoginSteps::passwordRepeated(const std::string& password) {
    const std::optional<SecretString> repeated = prompts_.askPassword(kRepeatPasswordPrompt);
    if (!repeated) {
        return false;
    }
    if (repeated->value() != password) {
        prompts_.inform(kRepeatMismatchMessage);
        return false;
    }
    return true;
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
    SecretString previous(session_.cipher().Password());
    session_.cipher().SetPassword(password); // over 12 characters: throws, nothing written
    if (!passwordRepeated(password)) {
        session_.cipher().SetPassword(previous.value());
        return false;
    }
    session_.protectedKey().reset(); // derived from another password
    const std::string check = session_.cipher().MakePasswordCheck();
    if (!name.empty()) {
        WriteSetting(kUsersSection, name, check, session_.settingsFile());
    }
    session_.logIn(name);
    session_.setUserProtected(false);
    return true;
}

} // namespace vantrel
