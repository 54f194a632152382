// generate: names and passwords from the password generator.
#include "cipher/random.h"
#include "cli/commands.h"
#include "cli/generate_options.h"
#include "generator/password_generator.h"

#include <algorithm>
#include <optional>
#include <ostream>

namespace vantrel::cli {

namespace {

constexpr std::int64_t kShortest = 1;
constexpr std::int64_t kLongest = 100;
constexpr std::int64_t kDefaultMin = 8;
constexpr std::int64_t kDefaultMax = 12;
constexpr std::int64_t kMostStrings = 100000;

std::optional<std::int64_t> NumberOption(const Arguments& args, std::string_view name,
                                         std::int64_t min, std::int64_t max) {
    const auto text = args.Value(name);
    if (!text) {
        return std::nullopt;
    }
    return ParseNumber(name, *text, min, max);
}

} // namespace

const std::vector<OptionSpec>& GenerateOptionSpecs() {
    static const std::vector<OptionSpec> options{
        {"upper", "", "Latin capitals without I and O"},
        {"lower", "", "Latin small letters without l and o"},
        {"digits", "", "digits without 0 and 1"},
        {"signs", "", "signs #%&()=@{[]}+;-~.,"},
        {"extra", "", "add the look-alikes O I o l g q 0 1 and \\/:*?\"<>|`_$"},
        {"repeat", "", "a character may occur more than once"},
        {"min", "N", "shortest length, 1...100 (default 8)"},
        {"max", "N", "longest length, 1...100 (default 12)"},
        {"seed", "N", "start the generator at seed N (0...4294967295) instead of the clock"}};
    return options;
}

GenerateRequest ReadGenerateOptions(const Arguments& args) {
    GenerateRequest request;
    GeneratorOptions& options = request.sets;
    options.BigChar = args.Flag("upper");
    options.SmallChar = args.Flag("lower");
    options.Digit = args.Flag("digits");
    options.Sign = args.Flag("signs");
    options.Right = args.Flag("extra");
    options.Double = args.Flag("repeat");

    // Like the editor's length boxes: a single bound moves the other one along.
    const auto min = NumberOption(args, "min", kShortest, kLongest);
    const auto max = NumberOption(args, "max", kShortest, kLongest);
    if (min && max && *min > *max) {
        throw UsageError("--min " + std::to_string(*min) + " is above --max " +
                         std::to_string(*max));
    }
    request.minLength =
        static_cast<std::int32_t>(min ? *min : std::min(kDefaultMin, max.value_or(kDefaultMin)));
    request.maxLength =
        static_cast<std::int32_t>(max ? *max : std::max(kDefaultMax, min.value_or(kDefaultMax)));
    if (const auto seed = NumberOption(args, "seed", 0, 0xFFFFFFFF)) {
        request.seed = static_cast<std::uint32_t>(*seed);
    }
    if (CharacterPool(options).empty()) {
        throw UsageError(std::string(kEmptyPoolMessage));
    }
    return request;
}

void StartGenerator(const GenerateRequest& request) {
    // As the record editor does; --seed replaces it right before the first draw.
    ReseedFromClock();
    if (request.seed) {
        SetRandomSeed(*request.seed);
    }
}

SecretString GenerateOne(const GenerateRequest& request) {
    return SecretString(
        GeneratePassword(request.sets, request.minLength, request.maxLength).value());
}

int GenerateCommand(const CommandContext& context) {
    const GenerateRequest request = ReadGenerateOptions(context.args);
    const auto count = NumberOption(context.args, "count", 1, kMostStrings).value_or(1);
    StartGenerator(request);
    for (std::int64_t i = 0; i < count; ++i) {
        context.out << GenerateOne(request).value() << '\n';
    }
    return kExitSuccess;
}

} // namespace vantrel::cli
