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

// The lower bounds, in bits, of Weak, Medium, Good and Excellent. A generated
// 8-character password of all four sets lands in Medium, a 12-character one
// in Excellent; a keyboard walk or a common word is VeryWeak.
inline constexpr double kWeakFromBits = 25;
inline constexpr double kMediumFromBits = 40;
inline constexpr double kGoodFromBits = 60;
inline constexpr double kExcellentFromBits = 75;

struct Strength {
    double bits = 0;
    StrengthLevel level = StrengthLevel::VeryWeak;
};

// Estimates a password given as UTF-8. `userWords` (UTF-8) are words the user
// is likely to reuse in it (the record's name and resource): a password built
// from them counts as weak. The password is never changed; an empty one is
// VeryWeak with 0 bits.
Strength EstimateStrength(std::string_view passwordUtf8,
                          std::span<const std::string> userWords = {});

StrengthLevel LevelOfBits(double bits);

// "Очень слабый", "Слабый", "Средний", "Хороший", "Отличный" (UTF-8).
std::string_view StrengthVerdict(StrengthLevel level);

// The words of a record field worth passing to the estimator: the whole text
// and each run of three or more letters or digits in it, as UTF-8.
void AppendUserWords(std::string_view fieldCp1251, std::vector<std::string>& words);

// Those of `userWords` that can take part in the estimate of the password: a
// word whose letters appear in order somewhere in it, where any character
// that is not a Latin letter may stand for a letter (the estimator reads
// "1", "@", "$" and the like as letters). The others cannot change the
// estimate, so leaving them out lets equal passwords share one estimate.
std::vector<std::string> WordsInPassword(std::string_view passwordUtf8,
                                         std::span<const std::string> userWords);

} // namespace vantrel
