#include "session/protection_command.h"

#include "base/cp1251.h"
#include "formats/record_file_kind.h"
#include "formats/settings_file.h"
#include "formats/settings_names.h"
#include "session/user_entry.h"

#include <sodium.h>

#include <optional>

namespace vantrel {

namespace {

std::string ExplanationText(const std::string& userName, const std::filesystem::path& file) {
    std::string text = kProtectExplanation[0] + userName + kProtectExplanation[1];
    if (!file.empty()) {
        text += kProtectExplanation[2] + file.string() + kProtectExplanation[3];
    }
    return text + kProtectExplanation[4];
}

bool SamePassword(const std::string& a, const std::string& b) {
    return a.size() == b.size() && sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

} // namespace

bool StrengthenProtection(Session& session, FileCommands& files, Prompts& prompts) {
    if (!session.loggedIn()) {
        return false;
    }
    if (session.userProtected()) {
        prompts.inform(kAlreadyProtectedMessage);
        return true;
    }
    const std::string& name = session.userName();
    if (!IsStorableKey(name)) {
        prompts.inform(kProtectNamelessMessage);
        return false;
    }
    // A ".txt" file is an import: it is never written encrypted by a save.
    std::filesystem::path file = session.currentFile();
    if (!file.empty() && RecordFileKindOfPath(file) == RecordFileKind::PlainText) {
        file.clear();
    }
    if (prompts.confirm(ExplanationText(Cp1251ToUtf8(name), file), Prompts::Buttons::OkCancel) !=
        Prompts::Answer::Ok) {
        return false;
    }
    const std::optional<SecretString> password = prompts.askPassword(kProtectPasswordPrompt);
    if (!password) {
        return false;
    }
    const std::string entry = ReadSetting(kUsersSection, name, session.settingsFile());
    if (!SamePassword(password->value(), session.cipher().Password()) ||
        !UserEntryAccepts(entry, password->value())) {
        prompts.inform(kProtectWrongPassword);
        return false;
    }
    WriteSetting(kUsersSection, name, MakeProtectedUserEntry(password->value()),
                 session.settingsFile());
    session.setUserProtected(true);
    if (!file.empty() && files.saveFile(file, RecordFileKind::Encrypted)) {
        session.setModified(false);
    }
    prompts.inform(kProtectDoneMessage);
    return true;
}

} // namespace vantrel
