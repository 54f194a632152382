#pragma once

#include "generator/generator_options.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The password generator: random strings drawn from the character sets that
// the generator options select. Every random number comes from the
// process-wide generator (cipher/random.h), one RandomBelow per draw, so a
// given seed always yields the same string.
namespace vantrel {

// The character sets, in pool order. The sign set holds "#" twice on purpose:
// "#" is drawn twice as often as any other sign.
inline constexpr std::string_view kCapitalLetters = "ABCDEFGHJKLMNPQRSTUVWXYZ"; // no I, O
inline constexpr std::string_view kSmallLetters = "abcdefghijkmnpqrstuvwxyz";   // no l, o
inline constexpr std::string_view kDigits = "23456789";                         // no 0, 1
inline constexpr std::string_view kSigns = "#%&()=@{[]}+#;-~.,";
// Appended when `Right` is on: the look-alikes the sets leave out, g and q,
// and twelve more signs.
inline constexpr std::string_view kExtraCharacters = "OIolgq01\\/:*?\"<>|`_$";

// The message the windows and the command-line tool show when no set is
// selected (UTF-8).
inline constexpr std::string_view kEmptyPoolMessage =
    "Необходимо выбрать хотя бы один набор символов";

// The pool for the options' flags: the selected sets in the order capitals,
// small letters, digits, signs, then the extra characters when `Right` is on.
// Repeated characters stay (they are drawn more often). Empty when nothing is
// selected.
std::string CharacterPool(const GeneratorOptions& options);

// The number of different characters in `pool`.
std::size_t DistinctCount(std::string_view pool);

// Draws one string from `pool`.
// Length: when minLength < maxLength, minLength + RandomBelow(maxLength -
// minLength + 1) (every length equally likely); otherwise minLength, with no
// draw. A length of 0 or less gives the empty string.
// Characters: position by position, one RandomBelow(pool size) per attempt.
// Without repeats an attempt that hits a character already placed is
// discarded and drawn again; the length is then capped at the number of
// distinct characters of the pool, so the drawing always ends.
// An empty pool gives the empty string without using the generator.
std::string DrawString(std::int32_t minLength, std::int32_t maxLength, std::string_view pool,
                       bool repeatsAllowed);

// DrawString over CharacterPool(options) with repeats as `Double` says.
// std::nullopt when the pool is empty (show kEmptyPoolMessage); the generator
// is not used then.
std::optional<std::string> GeneratePassword(const GeneratorOptions& options, std::int32_t minLength,
                                            std::int32_t maxLength);

} // namespace vantrel
