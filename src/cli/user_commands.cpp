// check-user: tests a password against a user's check string.
#include "base/cp1251.h"
#include "base/error.h"
#include "cli/cli_files.h"
#include "cli/commands.h"
#include "formats/program_folders.h"
#include "formats/settings_file.h"
#include "formats/settings_names.h"
#include "session/user_entry.h"

#include <ostream>

namespace vantrel::cli {

int CheckUserCommand(const CommandContext& context) {
    const std::vector<std::string>& operands = context.args.operands;
    // Without a settings file named, the one the program itself uses.
    const std::filesystem::path settings = operands.size() == 2
                                               ? std::filesystem::path(operands[0])
                                               : SettingsFilePath(SettingsFolderForThisRun());
    const std::string name = Utf8ToCp1251(operands.back());
    RequireReadable(settings); // a missing file is a failure, not a "no"

    const std::string check = ReadSetting(kUsersSection, name, settings);
    // As the login dialog, the password is never trimmed, so every password
    // that user creation accepts also passes here.
    const SecretString password = context.ReadPassword(false);
    if (UserEntryAccepts(check, password.value())) {
        context.out << "The password matches.\n";
        return kExitSuccess;
    }
    // Like the login: an unknown user and a wrong password look the same.
    context.out << "The user name and the password do not match.\n";
    return kExitNo;
}

} // namespace vantrel::cli
