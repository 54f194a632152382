#pragma once

#include "base/secret.h"
#include "cli/cli_args.h"
#include "formats/record.h"

#include <filesystem>
#include <iosfwd>
#include <span>
#include <string>
#include <vector>

// The commands of vantrel-cli and the one entry point that runs them.
namespace vantrel::cli {

// Exit codes.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitNo = 1;      // a negative answer (check-user, search, ...)
inline constexpr int kExitUsage = 2;   // a mistake in the command line
inline constexpr int kExitFailure = 3; // I/O errors, bad input

struct CommandContext {
    const Arguments& args;
    std::istream& in;
    std::ostream& out;

    // The password as 1251 bytes: the first line of `in` with
    // --password-stdin, otherwise typed on the terminal without echo. With
    // `confirm` a typed password is asked twice (a new file's password).
    SecretString ReadPassword(bool confirm) const;
};

// The -o OUT of a command; UsageError when it is empty.
std::filesystem::path OutputPath(const Arguments& args);

using CommandHandler = int (*)(const CommandContext&);

struct Command {
    CommandSpec definition;
    CommandHandler run;
};

// The commands in the order the program's help lists them.
const std::vector<Command>& Commands();

// Runs the command line (without the program name): prints help, version,
// results to `out` and one line per error to `err`; returns the exit code.
int RunCli(std::span<const std::string> words, std::istream& in, std::ostream& out,
           std::ostream& err);

// The handlers, one module per group.
int ListCommand(const CommandContext& context);
int ShowCommand(const CommandContext& context);
int ExportCommand(const CommandContext& context);
int ImportCommand(const CommandContext& context);
int ImportCsvCommand(const CommandContext& context);
int EncryptCommand(const CommandContext& context);
int DecryptCommand(const CommandContext& context);
int GenerateCommand(const CommandContext& context);
int CheckUserCommand(const CommandContext& context);
int ConvertCommand(const CommandContext& context);
int ProtectUserCommand(const CommandContext& context);
int ReportCommand(const CommandContext& context);
int SearchCommand(const CommandContext& context);
int AddCommand(const CommandContext& context);
int EditCommand(const CommandContext& context);
int RemoveCommand(const CommandContext& context);
int ClipCommand(const CommandContext& context);
int EstimateCommand(const CommandContext& context);

} // namespace vantrel::cli
