#include "cli/cli_args.h"

#include <charconv>

namespace vantrel::cli {

namespace {

std::string Dashed(const OptionSpec& option) {
    return "--" + std::string(option.name);
}

const OptionSpec* FindLong(const CommandSpec& definition, std::string_view name) {
    for (const OptionSpec& option : definition.options) {
        if (option.name == name) {
            return &option;
        }
    }
    return nullptr;
}

const OptionSpec* FindShort(const CommandSpec& definition, char name) {
    for (const OptionSpec& option : definition.options) {
        if (option.shortName != 0 && option.shortName == name) {
            return &option;
        }
    }
    return nullptr;
}

// "-o OUT" (or "--name VALUE") of an option as the usage line shows it.
std::string UsageForm(const OptionSpec& option) {
    const std::string name =
        option.shortName != 0 ? std::string("-") + option.shortName : Dashed(option);
    return name + " " + std::string(option.valueName);
}

} // namespace

std::string OperandList(const CommandSpec& definition) {
    std::string text;
    for (std::size_t i = 0; i < definition.operands.size(); ++i) {
        const bool optional = i < definition.optionalOperands;
        text += optional ? " [" : " ";
        text += definition.operands[i];
        text += optional ? "]" : "";
    }
    return text;
}

std::optional<std::string> Arguments::Value(std::string_view name) const {
    if (auto found = values.find(name); found != values.end()) {
        return found->second;
    }
    return std::nullopt;
}

Arguments ParseArguments(const CommandSpec& definition, std::span<const std::string> words) {
    Arguments result;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (optionsEnded || word == "-" || !word.starts_with("-")) {
            result.operands.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        if (word == "--help" || word == "-h") {
            result.help = true;
            return result;
        }

        const OptionSpec* option = nullptr;
        std::optional<std::string> inlineValue;
        if (word.starts_with("--")) {
            const std::string_view body = std::string_view(word).substr(2);
            const auto equals = body.find('=');
            option = FindLong(definition, body.substr(0, equals));
            if (equals != std::string_view::npos) {
                inlineValue = std::string(body.substr(equals + 1));
            }
        } else if (word.size() == 2) {
            option = FindShort(definition, word[1]);
        }
        if (option == nullptr) {
            throw UsageError("unknown option '" + word + "' for '" + std::string(definition.name) +
                             "'");
        }

        const std::string name(option->name);
        if (option->valueName.empty()) {
            if (inlineValue) {
                throw UsageError("option " + Dashed(*option) + " takes no value");
            }
            if (!result.flags.insert(name).second) {
                throw UsageError("option " + Dashed(*option) + " is given twice");
            }
            continue;
        }
        if (!inlineValue) {
            if (i + 1 >= words.size()) {
                throw UsageError("option " + Dashed(*option) + " needs a value (" +
                                 std::string(option->valueName) + ")");
            }
            inlineValue = words[++i];
        }
        if (!result.values.emplace(name, *inlineValue).second) {
            throw UsageError("option " + Dashed(*option) + " is given twice");
        }
    }

    for (const OptionSpec& option : definition.options) {
        if (option.required && !result.values.contains(option.name)) {
            throw UsageError("the option " + UsageForm(option) + " is missing");
        }
    }
    const std::size_t most = definition.operands.size();
    const std::size_t fewest = most - definition.optionalOperands;
    if (result.operands.size() < fewest || result.operands.size() > most) {
        const bool tooFew = result.operands.size() < fewest;
        throw UsageError(std::string(tooFew ? "missing operand" : "too many operands") + " for '" +
                         std::string(definition.name) + "' (expected" + OperandList(definition) +
                         (definition.operands.empty() ? " none" : "") + ")");
    }
    return result;
}

std::int64_t ParseNumber(std::string_view option, std::string_view text, std::int64_t min,
                         std::int64_t max) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, 10);
    if (text.empty() || error != std::errc{} || stop != end || value < min || value > max) {
        throw UsageError("--" + std::string(option) + " needs a whole number from " +
                         std::to_string(min) + " to " + std::to_string(max) + ", not '" +
                         std::string(text) + "'");
    }
    return value;
}

std::string CommandHelp(const CommandSpec& definition) {
    std::string text =
        "Usage: vantrel-cli " + std::string(definition.name) + OperandList(definition);
    for (const OptionSpec& option : definition.options) {
        if (option.required) {
            text += " " + UsageForm(option);
        }
    }
    text += " [options]\n\n" + std::string(definition.summary) + "\n";
    text += "\nOptions:\n";
    for (const OptionSpec& option : definition.options) {
        std::string left = "  ";
        if (option.shortName != 0) {
            left += std::string("-") + option.shortName + ", ";
        }
        left += Dashed(option);
        if (!option.valueName.empty()) {
            left += " " + std::string(option.valueName);
        }
        left.resize(std::max<std::size_t>(left.size() + 2, 26), ' ');
        text += left + std::string(option.help) + "\n";
    }
    text += "  -h, --help              this help\n";
    return text;
}

} // namespace vantrel::cli
