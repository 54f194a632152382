#include "health/strength.h"

#include <zxcvbn.h>

#include <algorithm>

namespace vantrel {

namespace {

bool IsLatinLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

unsigned char LowerLatin(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// Latin letters, digits and every byte of a UTF-8 character outside ASCII.
bool IsWordByte(unsigned char c) {
    return IsLatinLetter(c) || (c >= '0' && c <= '9') || c >= 0x80;
}

constexpr std::size_t kShortestUserWord = 3;

// The estimator reads C strings: a NUL would hide the rest of the text, so for
// the estimate alone it counts as U+FFFD, a character no dictionary holds.
std::string WithoutNul(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        result += c == '\0' ? std::string_view("\xEF\xBF\xBD") : std::string_view(&c, 1);
    }
    return result;
}

bool WordFitsAt(std::string_view password, std::size_t at, std::string_view word) {
    for (std::size_t i = 0; i < word.size(); ++i) {
        const auto p = static_cast<unsigned char>(password[at + i]);
        const auto w = static_cast<unsigned char>(word[i]);
        if (IsLatinLetter(p) && LowerLatin(p) != LowerLatin(w)) {
            return false;
        }
    }
    return true;
}

} // namespace

StrengthLevel LevelOfBits(double bits) {
    if (bits < kWeakFromBits) {
        return StrengthLevel::VeryWeak;
    }
    if (bits < kMediumFromBits) {
        return StrengthLevel::Weak;
    }
    if (bits < kGoodFromBits) {
        return StrengthLevel::Medium;
    }
    if (bits < kExcellentFromBits) {
        return StrengthLevel::Good;
    }
    return StrengthLevel::Excellent;
}

std::string_view StrengthVerdict(StrengthLevel level) {
    constexpr std::string_view kVerdicts[] = {"Очень слабый", "Слабый", "Средний", "Хороший",
                                              "Отличный"};
    return kVerdicts[static_cast<std::size_t>(level)];
}

Strength EstimateStrength(std::string_view passwordUtf8, std::span<const std::string> userWords) {
    if (passwordUtf8.empty()) {
        return {};
    }
    const std::string password = WithoutNul(passwordUtf8);
    // An empty word stands in as a word longer than the password: it keeps the
    // place of the others and can never match.
    const std::string unmatchable(password.size() + 1, 'x');
    std::vector<std::string> texts;
    texts.reserve(userWords.size());
    for (const std::string& word : userWords) {
        texts.push_back(word.empty() ? unmatchable : WithoutNul(word));
    }
    std::vector<const char*> words;
    words.reserve(texts.size() + 1);
    for (const std::string& text : texts) {
        words.push_back(text.c_str());
    }
    words.push_back(nullptr);
    const double bits = std::max(0.0, ZxcvbnMatch(password.c_str(), words.data(), nullptr));
    return {bits, LevelOfBits(bits)};
}

void AppendUserWords(std::string_view fieldUtf8, std::vector<std::string>& words) {
    const auto add = [&words](std::string_view word) {
        if (word.size() >= kShortestUserWord &&
            std::find(words.begin(), words.end(), word) == words.end()) {
            words.emplace_back(word);
        }
    };
    add(fieldUtf8);
    std::size_t start = 0;
    for (std::size_t i = 0; i <= fieldUtf8.size(); ++i) {
        if (i == fieldUtf8.size() || !IsWordByte(static_cast<unsigned char>(fieldUtf8[i]))) {
            if (i - start < fieldUtf8.size()) {
                add(fieldUtf8.substr(start, i - start));
            }
            start = i + 1;
        }
    }
}

std::vector<std::string> MaskUnusableWords(std::string_view passwordUtf8,
                                           std::span<const std::string> userWords) {
    std::vector<std::string> masked(userWords.size());
    std::size_t used = 0;
    for (std::size_t i = 0; i < userWords.size(); ++i) {
        const std::string& word = userWords[i];
        for (std::size_t at = 0; at + word.size() <= passwordUtf8.size() && !word.empty(); ++at) {
            if (WordFitsAt(passwordUtf8, at, word)) {
                masked[i] = word;
                used = i + 1;
                break;
            }
        }
    }
    masked.resize(used);
    return masked;
}

} // namespace vantrel
