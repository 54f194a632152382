// convert and protect-user: the protected forms of a record file and of a
// user's settings entry.
#include "base/cp1251.h"
#include "base/error.h"
#include "cli/cli_files.h"
#include "cli/commands.h"
#include "cli/record_content.h"
#include "formats/program_folders.h"
#include "formats/record_file.h"
#include "formats/settings_file.h"
#include "formats/settings_names.h"
#include "session/user_entry.h"

#include <ostream>

namespace vantrel::cli {

namespace {

namespace fs = std::filesystem;

RecordFileKind TargetKind(const Arguments& args) {
    const std::string target = args.Value("to").value_or("");
    if (target == "protected") {
        return RecordFileKind::Protected;
    }
    if (target == "legacy") {
        return RecordFileKind::Encrypted;
    }
    throw UsageError("--to takes 'protected' or 'legacy'");
}

} // namespace

int ConvertCommand(const CommandContext& context) {
    const RecordFileKind target = TargetKind(context.args);
    const fs::path output = OutputPath(context.args);
    RequireNewOutput(output, context.args.Flag("force"));
    RecordContent content =
        ReadContent(context, context.args.operands[0], RecordFileKind::Encrypted);
    // The record text as it is, byte for byte: a protected file's is held
    // already, a classic one's is decrypted whole.
    if (content.kind == RecordFileKind::Encrypted) {
        SecretString text;
        content.cipher.DecryptStreamTo(
            ReadingFrom(content.bytes.value()), content.bytes.value().size(),
            [&text](const std::uint8_t* bytes, std::size_t count) {
                AppendSecret(text.value(),
                             std::string_view(reinterpret_cast<const char*>(bytes), count));
            });
        std::swap(content.bytes, text);
    }
    const std::string& text = content.bytes.value();
    const OutputLock lock(output);
    WriteRecordFile(output, target, content.cipher, ReadingFrom(text), text.size());
    return kExitSuccess;
}

int ProtectUserCommand(const CommandContext& context) {
    const std::vector<std::string>& operands = context.args.operands;
    const fs::path settings =
        operands.size() == 2 ? fs::path(operands[0]) : SettingsFilePath(SettingsFolderForThisRun());
    const std::string name = Utf8ToCp1251(operands.back());
    RequireReadable(settings);

    const std::string entry = ReadSetting(kUsersSection, name, settings);
    const SecretString password = context.ReadPassword(false);
    if (!UserEntryAccepts(entry, password.value())) {
        // Like the login: an unknown user and a wrong password look the same.
        throw Error("The user name and the password do not match");
    }
    if (IsProtectedUserEntry(entry)) {
        context.out << "The user is protected already.\n";
        return kExitSuccess;
    }
    WriteSetting(kUsersSection, name, MakeProtectedUserEntry(password.value()), settings);
    context.out << "The user is protected now: older versions of the program cannot log in as "
                   "this user.\n";
    return kExitSuccess;
}

} // namespace vantrel::cli
