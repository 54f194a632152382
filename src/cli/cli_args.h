#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Command-line parsing for vantrel-cli: one command word, then its operands
// and options in any order. "--name value", "--name=value" and "-o value" are
// accepted; "--" ends the options.
namespace vantrel::cli {

// A mistake in the command line (exit code 2).
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct OptionSpec {
    std::string_view name;      // without the leading "--"
    std::string_view valueName; // empty for a flag
    std::string_view help;
    char shortName = 0;    // 0: no short form
    bool required = false; // a value option that must be given
};

struct CommandSpec {
    std::string_view name;
    std::vector<std::string_view> operands; // in this order
    std::vector<OptionSpec> options;
    std::string_view summary; // first line: the one-line description of the program help
    // How many of the first operands may be left out (shown in brackets); the
    // ones given are the last ones.
    std::size_t optionalOperands = 0;
};

struct Arguments {
    std::vector<std::string> operands;
    std::map<std::string, std::string, std::less<>> values;
    std::set<std::string, std::less<>> flags;
    bool help = false; // --help or -h was given: nothing else is checked

    bool Flag(std::string_view name) const { return flags.contains(name); }
    std::optional<std::string> Value(std::string_view name) const;
};

// The operands as usage lines show them, each after a blank, the ones that may
// be left out in brackets: " [SETTINGS] NAME".
std::string OperandList(const CommandSpec& definition);

// Parses the words after the command name. Throws UsageError for an unknown
// option, a missing or unexpected value, an option given twice, a missing
// required option, or a wrong number of operands.
Arguments ParseArguments(const CommandSpec& definition, std::span<const std::string> words);

// A whole number for an option, in min ... max. Throws UsageError naming the
// option otherwise.
std::int64_t ParseNumber(std::string_view option, std::string_view text, std::int64_t min,
                         std::int64_t max);

// "Usage: vantrel-cli NAME OPERANDS REQUIRED-OPTIONS [options]", the summary
// and the options.
std::string CommandHelp(const CommandSpec& definition);

} // namespace vantrel::cli
