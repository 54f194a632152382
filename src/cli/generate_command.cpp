// generate: names and passwords from the password generator.
#include "cipher/random.h"
#include "cli/commands.h"
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

int GenerateCommand(const CommandContext& context) {
    const Arguments& args = context.args;
    GeneratorOptions options;
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
    const auto minLength =
        static_cast<std::int32_t>(min ? *min : std::min(kDefaultMin, max.value_or(kDefaultMin)));
    const auto maxLength =
        static_cast<std::int32_t>(max ? *max : std::max(kDefaultMax, min.value_or(kDefaultMax)));
    const auto count = NumberOption(args, "count", 1, kMostStrings).value_or(1);
    const auto seed = NumberOption(args, "seed", 0, 0xFFFFFFFF);

    if (CharacterPool(options).empty()) {
        throw UsageError(std::string(kEmptyPoolMessage));
    }
    // As the record editor does; --seed replaces it right before the first draw.
    ReseedFromClock();
    if (seed) {
        SetRandomSeed(static_cast<std::uint32_t>(*seed));
    }
    for (std::int64_t i = 0; i < count; ++i) {
        context.out << GeneratePassword(options, minLength, maxLength).value() << '\n';
    }
    return kExitSuccess;
}

} // namespace vantrel::cli
