#pragma once

#include "base/secret.h"
#include "cli/cli_args.h"
#include "generator/generator_options.h"

#include <cstdint>
#include <optional>
#include <vector>

// The generator's options on the command line: the generate command's own,
// and the ones add and edit take with --generate.
namespace vantrel::cli {

// --upper, --lower, --digits, --signs, --extra, --repeat, --min, --max, --seed.
const std::vector<OptionSpec>& GenerateOptionSpecs();

struct GenerateRequest {
    GeneratorOptions sets; // the character sets and --repeat; lengths below
    std::int32_t minLength = 0;
    std::int32_t maxLength = 0;
    std::optional<std::uint32_t> seed;
};

// The options given; UsageError for a bad number, --min above --max or no
// character set.
GenerateRequest ReadGenerateOptions(const Arguments& args);

// Starts the generator as the record editor does: from the clock, or at --seed.
void StartGenerator(const GenerateRequest& request);

// One string drawn by the request (after StartGenerator).
SecretString GenerateOne(const GenerateRequest& request);

} // namespace vantrel::cli
