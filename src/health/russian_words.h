#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Russian text for the strength estimate, which knows only Latin words and
// the Latin keyboard: the words of the system's Russian spelling dictionary
// and the most common Russian passwords, and the keys of the Russian layout
// as they read on the Latin one. Texts are 1251 bytes.
namespace vantrel {

// The Russian word list of the hunspell-ru package: UTF-8, a count on its first
// line, then one word a line, its affix flags after a "/".
inline constexpr const char* kRussianWordListPath = "/usr/share/hunspell/ru_RU.dic";

// The shortest word worth looking for: two letters are guessed faster one by
// one than in a list.
inline constexpr std::size_t kShortestRussianWord = 3;

class RussianWords {
public:
    // The common passwords and the words of `list` (nullptr: the common
    // passwords alone). Only words of Cyrillic letters are kept, folded.
    explicit RussianWords(std::istream* list);
    RussianWords(const RussianWords&) = delete;
    RussianWords& operator=(const RussianWords&) = delete;

    // The common passwords and the words of kRussianWordListPath, read at the
    // first call; without that file, the common passwords alone.
    static const RussianWords& Installed();

    struct Lookup {
        // How many guesses an attacker with these lists needs for the word:
        // its place among the common passwords, or half the word list for
        // another word of it (the list has no order of frequency); 0 when it
        // is no word of either.
        std::size_t guesses = 0;
        // Whether a longer word begins with it: the search of a password goes
        // on letter by letter only while one does.
        bool longer = false;
    };
    // Looks up a folded word (FoldRussian).
    Lookup find(std::string_view folded) const;
    std::size_t size() const { return words_.size(); }

private:
    std::string text_; // every kept word, the views below point into it
    std::vector<std::pair<std::string_view, std::size_t>> words_; // sorted, each once
};

// Whether the 1251 byte is a letter of the Russian alphabet.
bool IsRussianLetter(char c);
// The letter in small form with ё as е, as the words are kept; any other byte
// as it is.
char FoldRussian(char c);

// The text as the same keys type it on the Latin layout: "йцукен" is
// "qwerty", "Пароль" is "Gfhjkm", "х" is "[". Any other byte stays.
std::string OnLatinLayout(std::string_view text);

} // namespace vantrel
