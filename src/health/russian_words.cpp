#include "health/russian_words.h"

#include "base/cp1251.h"
#include "base/error.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <optional>
#include <utility>
#include <vector>

namespace vantrel {

namespace {

// The most common Russian passwords typed in Cyrillic, the most common first
// (UTF-8): words, names and the rows of the Russian keyboard.
constexpr const char* kCommonPasswords[] = {
    "пароль",  "йцукен",    "привет",     "любовь",   "солнышко",  "наташа",    "максим",
    "андрей",  "александр", "фывапролдж", "йцукенг",  "ячсмить",   "котенок",   "зайка",
    "сергей",  "дмитрий",   "марина",     "светлана", "анастасия", "екатерина", "татьяна",
    "ангел",   "люблю",     "россия",     "москва",   "мама",      "малыш",     "медведь",
    "счастье", "пушистик",  "цветочек",   "барсик",   "мурзик",    "рыбка",     "кошка",
    "собака",  "родина",    "зенит",      "спартак",  "фыва",
};

// The Russian layout's letters and the Latin keys that carry them.
constexpr std::pair<const char*, const char*> kLayout[] = {
    {"йцукенгшщзхъфывапролджэячсмитьбюё", "qwertyuiop[]asdfghjkl;'zxcvbnm,.`"},
    {"ЙЦУКЕНГШЩЗХЪФЫВАПРОЛДЖЭЯЧСМИТЬБЮЁ", "QWERTYUIOP{}ASDFGHJKL:\"ZXCVBNM<>~"},
};

// 1251 byte -> the Latin key of the same key; 0 for a byte that is no letter.
std::array<char, 256> MakeLayoutTable() {
    std::array<char, 256> table{};
    for (const auto& [cyrillic, latin] : kLayout) {
        const std::string letters = Utf8ToCp1251(cyrillic);
        for (std::size_t i = 0; i < letters.size(); ++i) {
            table[static_cast<unsigned char>(letters[i])] = latin[i];
        }
    }
    return table;
}

// The word (UTF-8) in 1251, folded, when it is made of Russian letters only.
std::optional<std::string> FoldedWord(std::string_view utf8) {
    std::string word;
    try {
        word = Utf8ToCp1251(utf8);
    } catch (const Error&) {
        return std::nullopt;
    }
    if (word.size() < kShortestRussianWord ||
        !std::all_of(word.begin(), word.end(), IsRussianLetter)) {
        return std::nullopt;
    }
    std::transform(word.begin(), word.end(), word.begin(), [](char c) { return FoldRussian(c); });
    return word;
}

} // namespace

bool IsRussianLetter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0xC0 || byte == 0xA8 || byte == 0xB8; // А...я, Ё, ё
}

char FoldRussian(char c) {
    const char folded = FoldCase1251(c);
    return folded == '\xB8' ? '\xE5' : folded; // ё as е: both are typed for it
}

std::string OnLatinLayout(std::string_view text) {
    static const std::array<char, 256> table = MakeLayoutTable();
    std::string latin(text);
    for (char& c : latin) {
        if (const char key = table[static_cast<unsigned char>(c)]; key != 0) {
            c = key;
        }
    }
    return latin;
}

RussianWords::RussianWords(std::istream* list) {
    std::vector<std::pair<std::size_t, std::size_t>> places; // of the words in text_
    const auto keep = [&](std::string_view utf8) {
        if (const auto word = FoldedWord(utf8)) {
            places.emplace_back(text_.size(), word->size());
            text_ += *word;
        }
    };
    for (const char* password : kCommonPasswords) {
        keep(password);
    }
    const std::size_t common = places.size();
    std::string line;
    while (list != nullptr && std::getline(*list, line)) {
        keep(std::string_view(line).substr(0, line.find_first_of("/\r")));
    }
    // text_ no longer grows: the views stay valid.
    const std::size_t listGuesses = common + std::max<std::size_t>((places.size() - common) / 2, 1);
    words_.reserve(places.size());
    for (std::size_t i = 0; i < places.size(); ++i) {
        words_.emplace_back(std::string_view(text_).substr(places[i].first, places[i].second),
                            i < common ? i + 1 : listGuesses);
    }
    // A common password that is also in the list keeps its place.
    std::sort(words_.begin(), words_.end());
    words_.erase(std::unique(words_.begin(), words_.end(),
                             [](const auto& a, const auto& b) { return a.first == b.first; }),
                 words_.end());
}

const RussianWords& RussianWords::Installed() {
    static const RussianWords words = [] {
        std::ifstream list(kRussianWordListPath);
        return RussianWords(list ? &list : nullptr);
    }();
    return words;
}

RussianWords::Lookup RussianWords::find(std::string_view folded) const {
    const auto at =
        std::lower_bound(words_.begin(), words_.end(), folded,
                         [](const auto& word, std::string_view key) { return word.first < key; });
    Lookup found;
    if (at != words_.end() && at->first == folded) {
        found.guesses = at->second;
    }
    const auto next = found.guesses != 0 ? at + 1 : at;
    found.longer = next != words_.end() && next->first.starts_with(folded);
    return found;
}

} // namespace vantrel
