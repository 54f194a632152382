#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

// How hard a password is to guess, as the zxcvbn estimator sees it: the
// estimate in bits (log2 of the guesses an attacker needs) and a verdict of
// five levels for the user.
namespace vantrel {

enum class StrengthLevel { VeryWeak, Weak, Medium, Good, Excellent };

// The lower bounds, in bits, of Weak, Medium, Good and Excellent. Common
// words, keyboard walks and a name with a year stay below 25 bits; generated
// passwords of all four sets are mostly Medium at 8 characters (median 47
// bits) and Excellent at 12 (median 72).
inline constexpr double kWeakFromBits = 25;
inline constexpr double kMediumFromBits = 35;
inline constexpr double kGoodFromBits = 50;
inline constexpr double kExcellentFromBits = 65;

struct Strength {
    double bits = 0;
    StrengthLevel level = StrengthLevel::VeryWeak;
};

// Estimates a password given as UTF-8. `userWords` (UTF-8) are words the user
// is likely to reuse in it (the record's name and resource): a password built
// from them counts as weak; an empty word matches nothing but keeps its place.
// The password is never changed; an empty one is VeryWeak with 0 bits.
Strength EstimateStrength(std::string_view passwordUtf8,
                          std::span<const std::string> userWords = {});

StrengthLevel LevelOfBits(double bits);

// "Очень слабый", "Слабый", "Средний", "Хороший", "Отличный" (UTF-8).
std::string_view StrengthVerdict(StrengthLevel level);

// Adds the words of a field (UTF-8) worth passing to the estimator, each once:
// the whole text and each run of three or more letters or digits in it (any
// character outside ASCII counts as a letter).
void AppendUserWords(std::string_view fieldUtf8, std::vector<std::string>& words);

// `userWords` with every word that cannot take part in the estimate of the
// password replaced by the empty text, and those at the end left out. A word
// can take part when its letters appear in order somewhere in the password,
// where any character that is not a Latin letter may stand for a letter (the
// estimator reads "1", "@", "$" and the like as letters). The estimate of a
// word depends on its place in the list, so the places stay. Equal passwords
// with different names then mostly share one estimate.
std::vector<std::string> MaskUnusableWords(std::string_view passwordUtf8,
                                           std::span<const std::string> userWords);

} // namespace vantrel
