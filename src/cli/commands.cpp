#include "cli/commands.h"

#include "base/error.h"
#include "cli/generate_options.h"
#include "cli/password_input.h"
#include "cli/record_change.h"
#include "cli/terminal_text.h"
#include "formats/program_cipher.h"
#include "health/password_report.h"
#include "product_config.h"

#include <iostream>
#include <string>

namespace vantrel::cli {

namespace {

const OptionSpec kPasswordStdin{"password-stdin", "",
                                "read the password as the first line of standard input"};
const OptionSpec kOutput{"output", "OUT", "the file to write (required)", 'o', true};
const OptionSpec kForce{"force", "", "replace OUT when it exists"};
const OptionSpec kForceShow{"force", "", "go on when FILE does not decrypt into records"};
const OptionSpec kForceExport{"force", "",
                              "replace OUT when it exists; go on when FILE does not decrypt "
                              "into records"};
const OptionSpec kPlain{"plain", "", "FILE is a plain-text record file"};
const OptionSpec kNoCompression{"no-compression", "", "no compression step (default: on)"};
const std::string kAddKeyHelp =
    "additive key, not 0 (default " + std::to_string(kProgramAddKey) + ")";
const std::string kMultKeyHelp =
    "multiplicative key, not 0 (default " + std::to_string(kProgramMultKey) + ")";
const std::string kReportHelp = "Reports weak, reused, expired and empty passwords.\n"
                                "Weak: the zxcvbn estimate is below " +
                                std::to_string(static_cast<int>(kReportWeakBelowBits)) +
                                " bits. Reused: the same password (byte for byte)\n"
                                "in two or more records. Expired: the end date is before today.\n"
                                "Breached (with --breaches): the SHA-1 of the password (UTF-8) is\n"
                                "in LIST, looked up by binary search; a damaged LIST is an error.\n"
                                "Passwords are shown only with --show-passwords.\n"
                                "Exit code 0: nothing found; 1: something found.";
const OptionSpec kAddKey{"add-key", "N", kAddKeyHelp};
const OptionSpec kMultKey{"mult-key", "N", kMultKeyHelp};

// The options of a command followed by more of them.
std::vector<OptionSpec> Joined(std::vector<OptionSpec> options,
                               const std::vector<OptionSpec>& more) {
    options.insert(options.end(), more.begin(), more.end());
    return options;
}

const std::string kRecordPasswordHelp =
    "With --password-stdin the first line of standard input is the file's password\n"
    "and, with --ask-password, the second line the record's password (the first\n"
    "line, for a plain-text FILE). Texts are stored in Windows-1251: other\n"
    "characters and control characters are refused, and nothing is written.\n"
    "The file is changed under its lock and replaced atomically; it keeps its\n"
    "kind and mode.";
const std::string kAddHelp =
    "Adds a record and prints its number.\n"
    "--ask-password or --generate gives its password; a generated one is printed\n"
    "only with --show-password. Without --number the record gets one above the\n"
    "highest number in FILE.\n" +
    kRecordPasswordHelp;
const std::string kEditHelp = "Changes the fields given of the record numbered NUMBER.\n"
                              "Several records with that number are an error naming them.\n" +
                              kRecordPasswordHelp;

std::vector<Command> MakeCommands() {
    return {
        {{"list",
          {"FILE"},
          {kPlain, {"show-passwords", "", "add the password column"}, kForceShow, kPasswordStdin},
          "Lists the records of a record file as a table.\n"
          "Columns: number, name, resource, start, end, note."},
         ListCommand},
        {{"search",
          {"FILE", "TEXT"},
          {kPlain, kPasswordStdin},
          "Lists the records whose number, name, resource or note contains TEXT.\n"
          "Letter case is ignored (Latin and Cyrillic); passwords and dates are not\n"
          "searched. Exit code 0: records found; 1: none."},
         SearchCommand},
        {{"show",
          {"FILE", "NUMBER"},
          {kPlain, kForceShow, kPasswordStdin},
          "Shows one record, every field, the password included.\n"
          "Every record whose number is NUMBER is shown."},
         ShowCommand},
        {{"add",
          {"FILE"},
          Joined({kPlain}, Joined(RecordFieldOptions(), {kPasswordStdin})),
          kAddHelp},
         AddCommand},
        {{"edit",
          {"FILE", "NUMBER"},
          Joined({kPlain}, Joined(RecordFieldOptions(), {kPasswordStdin})),
          kEditHelp},
         EditCommand},
        {{"rm",
          {"FILE", "NUMBER"},
          {kPlain, {"yes", "", "delete without asking"}, kPasswordStdin},
          "Deletes the record numbered NUMBER.\n"
          "Asks on the terminal first, unless --yes is given. Exit code 1: not deleted."},
         RemoveCommand},
        {{"clip",
          {"FILE", "NUMBER"},
          {kPlain,
           {"field", "FIELD", "password (default), name or resource"},
           {"seconds", "N", "seconds until the clipboard is cleared, 0 for never"},
           kPasswordStdin},
          "Puts a field of a record on the clipboard, then clears it.\n"
          "Through wl-copy on Wayland, else xclip or xsel. The clipboard is cleared after\n"
          "N seconds (default: ClipboardSeconds of the program's settings file, else 30)\n"
          "or at Ctrl+C, unless it holds something else by then."},
         ClipCommand},
        {{"report",
          {"FILE"},
          {kPlain,
           {"format", "FORMAT", "table (default) or json"},
           {"show-passwords", "", "add the passwords"},
           {"breaches", "LIST",
            "add the passwords found in LIST, a sorted SHA1HEX:COUNT list of breached passwords"},
           kForceShow,
           kPasswordStdin},
          kReportHelp},
         ReportCommand},
        {{"export",
          {"FILE"},
          {kOutput,
           {"format", "FORMAT", "text (default): a plain-text record file; csv: comma-separated"},
           {"layout", "LAYOUT",
            "with --format csv: vantrel (default), keepassxc, bitwarden or chrome"},
           kForceExport,
           kPasswordStdin},
          "Writes an encrypted record file as a plain-text one.\n"
          "The text is Windows-1251 with CR LF line ends; with --format csv it is UTF-8\n"
          "comma-separated values in the columns of this or another program. It holds\n"
          "every password in clear, so OUT always gets mode 0600, also when it replaces\n"
          "a file."},
         ExportCommand},
        {{"import",
          {"TXT"},
          {kOutput, kForce, {"protected", "", "write the protected form"}, kPasswordStdin},
          "Saves a plain-text record file as an encrypted one.\n"
          "A password typed on the terminal is asked twice. With --protected OUT is\n"
          "written in the protected form (see convert)."},
         ImportCommand},
        {{"import-csv",
          {"CSV"},
          {kOutput,
           {"into", "FILE", "add the records to those of the record file FILE (OUT may be FILE)"},
           {"replace-unstorable", "", "write \"?\" for each character outside Windows-1251"},
           {"protected", "", "write a new OUT in the protected form (see convert)"},
           kForce,
           kPasswordStdin},
          "Saves the records of a comma-separated export as an encrypted record file.\n"
          "The layout (vantrel, keepassxc, bitwarden, chrome, firefox) is recognised\n"
          "from the header row. Records get numbers after the highest one of FILE\n"
          "(vantrel keeps its own). A character that a record file cannot hold stops\n"
          "the import with the list of its fields and nothing written, unless\n"
          "--replace-unstorable. Without --into a typed password is asked twice."},
         ImportCsvCommand},
        {{"convert",
          {"IN"},
          {kOutput,
           {"to", "FORM", "protected or legacy (required)", 0, true},
           kForceExport,
           kPasswordStdin},
          "Rewrites a record file in the protected or the classic (legacy) form.\n"
          "The record text stays the same, byte for byte. The protected form derives\n"
          "its key with Argon2id (64 MiB) and detects every change; older versions of\n"
          "the program and other programs that read only the legacy form cannot open it."},
         ConvertCommand},
        {{"encrypt",
          {"IN"},
          {kOutput, kForce, kNoCompression, kAddKey, kMultKey, kPasswordStdin},
          "Encrypts any file as a record-file container.\n"
          "A password typed on the terminal is asked twice."},
         EncryptCommand},
        {{"decrypt",
          {"IN"},
          {kOutput, kForce, kNoCompression, kAddKey, kMultKey, kPasswordStdin},
          "Decrypts a container (or an encrypted record file).\n"
          "A wrong password or key gives meaningless bytes, not an error. The output may\n"
          "be plain text with passwords, so OUT always gets mode 0600."},
         DecryptCommand},
        {{"generate",
          {},
          Joined(GenerateOptionSpecs(),
                 {{"count", "N", "how many strings, 1...100000 (default 1)"}}),
          "Generates names or passwords, one per line.\n"
          "At least one character set is needed. Without --repeat a string is never longer\n"
          "than the number of different characters it is drawn from."},
         GenerateCommand},
        {{"estimate",
          {},
          {kPasswordStdin},
          "Estimates the strength of a password, as the record editor shows it.\n"
          "Exit code 0: \"Средний\" or better; 1: weaker."},
         EstimateCommand},
        {{"check-user",
          {"SETTINGS", "NAME"},
          {kPasswordStdin},
          "Tests a user's password against a settings file.\n"
          "Exit code 0: the password is the one stored for user NAME; 1: it is not.\n"
          "Without SETTINGS, the settings file of the program Vantrel Lite installed\n"
          "beside this tool: VTR.ini in its folder for a portable copy, else\n"
          "$XDG_CONFIG_HOME/vantrel/VTR.ini (~/.config/vantrel/VTR.ini).",
          1},
         CheckUserCommand},
        {{"protect-user",
          {"SETTINGS", "NAME"},
          {kPasswordStdin},
          "Replaces a user's classic password check string by a protected verifier.\n"
          "The password is checked first (exit code 3 when it does not match). The\n"
          "verifier is Argon2id (64 MiB); older versions of the program cannot log in\n"
          "as this user afterwards. Without SETTINGS, the file check-user uses.",
          1},
         ProtectUserCommand},
    };
}

std::string ProgramHelp() {
    std::string text = "Usage: vantrel-cli COMMAND ARGUMENTS [options]\n"
                       "       vantrel-cli --version | --help\n\n"
                       "Commands:\n";
    for (const Command& command : Commands()) {
        std::string left =
            "  " + std::string(command.definition.name) + OperandList(command.definition);
        left.resize(std::max<std::size_t>(left.size() + 2, 28), ' ');
        const std::string_view summary = command.definition.summary;
        text += left + std::string(summary.substr(0, summary.find('\n'))) + "\n";
    }
    text += "\n"
            "\"vantrel-cli COMMAND --help\" describes a command. Passwords are never given on\n"
            "the command line: they are typed on the terminal without echo, or read with\n"
            "--password-stdin as the first line of standard input.\n\n"
            "Exit codes: 0 success, 1 negative answer (check-user, report, search, rm,\n"
            "estimate), 2 usage error, 3 failure (input/output, bad input).\n\n"
            "An encrypted file whose decrypted text cannot be a record file (a wrong\n"
            "password, or a damaged file) stops list, show, report and export with exit\n"
            "code 3; --force goes on all the same.\n\n"
            "Every command that reads a record file reads both forms, classic and\n"
            "protected, told apart by the file's first bytes. A protected file that does\n"
            "not decrypt (a wrong password, any changed or missing byte) always stops\n"
            "with exit code 3.\n";
    return text;
}

const Command* FindCommand(std::string_view name) {
    for (const Command& command : Commands()) {
        if (command.definition.name == name) {
            return &command;
        }
    }
    return nullptr;
}

} // namespace

SecretString CommandContext::ReadPassword(bool confirm) const {
    if (args.Flag("password-stdin")) {
        return PasswordTo1251(ReadPasswordLine(in).value());
    }
    SecretString password = PasswordTo1251(ReadPasswordFromTerminal("Password: ").value());
    if (confirm &&
        PasswordTo1251(ReadPasswordFromTerminal("Repeat the password: ").value()).value() !=
            password.value()) {
        throw Error("The two passwords differ");
    }
    return password;
}

std::filesystem::path OutputPath(const Arguments& args) {
    const std::string output = args.Value("output").value_or("");
    if (output.empty()) {
        throw UsageError("the output file name is empty");
    }
    return output;
}

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = MakeCommands();
    return commands;
}

int RunCli(std::span<const std::string> words, std::istream& in, std::ostream& out,
           std::ostream& err) {
    const Command* command = nullptr;
    try {
        if (words.empty()) {
            throw UsageError("no command given");
        }
        if (words[0].starts_with("-")) {
            if (words.size() == 1 && (words[0] == "--help" || words[0] == "-h")) {
                out << ProgramHelp();
                return kExitSuccess;
            }
            if (words.size() == 1 && words[0] == "--version") {
                out << product::kVersion << "\n";
                return kExitSuccess;
            }
            const bool known = words[0] == "--help" || words[0] == "-h" || words[0] == "--version";
            throw UsageError(known ? "'" + words[0] + "' takes no arguments"
                                   : "unknown option '" + words[0] + "'; a command comes first");
        }
        command = FindCommand(words[0]);
        if (command == nullptr) {
            throw UsageError("unknown command '" + words[0] + "'");
        }
        const Arguments args = ParseArguments(command->definition, words.subspan(1));
        if (args.help) {
            out << CommandHelp(command->definition);
            return kExitSuccess;
        }
        return command->run(CommandContext{args, in, out});
    } catch (const UsageError& e) {
        err << "vantrel-cli: " << EscapeControls(e.what()) << " (see \"vantrel-cli "
            << (command ? std::string(command->definition.name) + " " : std::string())
            << "--help\")\n";
        return kExitUsage;
    } catch (const FileError& e) {
        err << "vantrel-cli: " << EscapeControls(e.what()) << ": " << e.reason().message() << "\n";
        return kExitFailure;
    } catch (const std::exception& e) {
        // Errors repeat command-line arguments, which may be any bytes.
        err << "vantrel-cli: " << EscapeControls(e.what()) << "\n";
        return kExitFailure;
    }
}

} // namespace vantrel::cli
