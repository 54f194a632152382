#include "health/strength.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "base/secret.h"
#include "health/russian_words.h"

#include <zxcvbn.h>

#include <algorithm>
#include <cmath>
#include <optional>

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
// the estimate alone it counts as a character no dictionary holds: U+FFFD in
// UTF-8, the unused byte 0x98 in 1251.
std::string WithoutNul(std::string_view text, std::string_view stand = "\xEF\xBF\xBD") {
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        result += c == '\0' ? stand : std::string_view(&c, 1);
    }
    return result;
}

// The words as the estimator takes them, `convert`ed; an empty word (or one
// that cannot be converted) stands in as a word longer than the password: it
// keeps the place of the others and can never match.
template <typename Convert>
std::vector<std::string> EstimatorWords(std::span<const std::string> userWords,
                                        std::size_t passwordSize, Convert convert) {
    const std::string unmatchable(passwordSize + 1, 'x');
    std::vector<std::string> texts;
    texts.reserve(userWords.size());
    for (const std::string& word : userWords) {
        std::optional<std::string> text;
        if (!word.empty()) {
            text = convert(word);
        }
        texts.push_back(text ? std::move(*text) : unmatchable);
    }
    return texts;
}

double Zxcvbn(const std::string& password, const std::vector<std::string>& texts,
              ZxcMatch_t** info = nullptr) {
    std::vector<const char*> words;
    words.reserve(texts.size() + 1);
    for (const std::string& text : texts) {
        words.push_back(text.c_str());
    }
    words.push_back(nullptr);
    return ZxcvbnMatch(password.c_str(), words.data(), info);
}

// Where the Russian words found in a password are put among the user words:
// past the record's words, at a place that does not depend on how many of
// them there are, so leaving out unusable ones changes no estimate.
constexpr std::size_t kRussianWordsPlace = 16;

// The bits the estimator gives to a word at a place of its user words.
double PlaceBits(std::size_t place) {
    return std::log2(static_cast<double>(place) + 1);
}

// The bits that capitals add to a word, by the estimator's own rule: none for
// a word in small letters; one for a word in capitals or with only its first
// or last letter a capital; else the ways to choose up to as many capitals as
// there are letters of the less frequent case.
double CapitalBits(std::string_view word) {
    const auto upper = [](char c) { return FoldCase1251(c) != c; };
    const std::size_t capitals =
        static_cast<std::size_t>(std::count_if(word.begin(), word.end(), upper));
    if (capitals == 0) {
        return 0;
    }
    if (capitals == word.size() || (capitals == 1 && (upper(word.front()) || upper(word.back())))) {
        return 1;
    }
    const std::size_t fewer = std::min(capitals, word.size() - capitals);
    double ways = 0;
    double choose = 1; // C(size, k)
    for (std::size_t k = 1; k <= fewer; ++k) {
        choose = choose * static_cast<double>(word.size() - k + 1) / static_cast<double>(k);
        ways += choose;
    }
    return std::log2(ways);
}

// A Russian word found in a password, as typed there, and its true bits.
struct RussianWord {
    std::string typed;
    double bits;
};

// Every run of Russian letters in the password (1251) that is a known word
// in whatever case, once per spelling.
std::vector<RussianWord> FindRussianWords(std::string_view password,
                                          const std::vector<std::string>& userWords) {
    const RussianWords& words = RussianWords::Installed();
    std::vector<RussianWord> found;
    std::string folded;
    for (std::size_t start = 0; start < password.size(); ++start) {
        folded.clear();
        for (std::size_t end = start; end < password.size() && IsRussianLetter(password[end]);
             ++end) {
            folded += FoldRussian(password[end]);
            const RussianWords::Lookup word = words.find(folded);
            const std::string_view typed = password.substr(start, end - start + 1);
            const auto same = [typed](std::string_view other) { return other == typed; };
            if (folded.size() >= kShortestRussianWord && word.guesses != 0 &&
                std::none_of(userWords.begin(), userWords.end(), same) &&
                std::none_of(found.begin(), found.end(),
                             [&](const RussianWord& known) { return same(known.typed); })) {
                found.push_back({std::string(typed), std::log2(static_cast<double>(word.guesses)) +
                                                         CapitalBits(typed)});
            }
            if (!word.longer) {
                break;
            }
        }
    }
    WipeString(folded);
    return found;
}

// Whether `text` is `word` once or several times over.
bool IsRepeatOf(std::string_view text, std::string_view word) {
    if (word.empty() || text.size() % word.size() != 0) {
        return false;
    }
    for (std::size_t at = 0; at < text.size(); at += word.size()) {
        if (text.substr(at, word.size()) != word) {
            return false;
        }
    }
    return true;
}

// The estimate of a password in 1251, where each letter is one character,
// with the Russian words in it looked for. The estimator gives a user word the
// bits of its place; the path it picks is then priced with the words' true
// bits. A cheaper path might exist for the true bits, so the estimate without
// the Russian words, also a path, caps the result.
double EstimateWithRussianWords(const std::string& password, std::vector<std::string> userWords) {
    const double plain = Zxcvbn(password, userWords);
    std::vector<RussianWord> found = FindRussianWords(password, userWords);
    if (found.empty()) {
        return plain;
    }
    const std::size_t first = std::max(userWords.size(), kRussianWordsPlace);
    userWords.resize(first, std::string(password.size() + 1, 'x'));
    for (const RussianWord& word : found) {
        userWords.push_back(word.typed);
    }
    ZxcMatch_t* info = nullptr;
    double bits = Zxcvbn(password, userWords, &info);
    for (const ZxcMatch_t* match = info; match != nullptr; match = match->Next) {
        if ((match->Type & ~MULTIPLE_MATCH) != USER_MATCH) {
            continue;
        }
        const std::string_view text = std::string_view(password).substr(
            static_cast<std::size_t>(match->Begin), static_cast<std::size_t>(match->Length));
        for (std::size_t i = 0; i < found.size(); ++i) {
            if (IsRepeatOf(text, found[i].typed)) {
                bits += found[i].bits - PlaceBits(first + i);
                break;
            }
        }
    }
    ZxcvbnFreeInfo(info);
    // The found words are pieces of the password.
    for (RussianWord& word : found) {
        WipeString(word.typed);
    }
    for (std::string& word : userWords) {
        WipeString(word);
    }
    return std::min(plain, bits);
}

// The password in 1251 when it holds a Russian letter (and 1251 can hold
// all of it); its estimate then takes each letter as one character.
std::optional<std::string> RussianPassword(std::string_view passwordUtf8) {
    std::string password;
    try {
        password = Utf8ToCp1251(passwordUtf8);
    } catch (const Error&) {
        return std::nullopt;
    }
    std::optional<std::string> russian;
    if (std::any_of(password.begin(), password.end(), IsRussianLetter)) {
        russian = WithoutNul(password, "\x98");
    }
    WipeString(password);
    return russian;
}

std::optional<std::string> To1251(const std::string& utf8) {
    try {
        return WithoutNul(Utf8ToCp1251(utf8), "\x98");
    } catch (const Error&) {
        return std::nullopt;
    }
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
    const auto asIs = [](const std::string& word) { return std::optional(WithoutNul(word)); };
    double bits = 0;
    if (std::optional<std::string> russian = RussianPassword(passwordUtf8)) {
        // Taken as typed, and as the same keys type it on the Latin layout
        // ("йцукен" is "qwerty"): the weaker of the two.
        const double typed =
            EstimateWithRussianWords(*russian, EstimatorWords(userWords, russian->size(), To1251));
        std::string latin = OnLatinLayout(*russian);
        bits = std::min(typed, Zxcvbn(latin, EstimatorWords(userWords, latin.size(), asIs)));
        WipeString(*russian);
        WipeString(latin);
    } else {
        const std::string password = WithoutNul(passwordUtf8);
        bits = Zxcvbn(password, EstimatorWords(userWords, password.size(), asIs));
    }
    bits = std::max(0.0, bits);
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
