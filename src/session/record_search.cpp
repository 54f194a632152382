#include "session/record_search.h"

#include "base/cp1251.h"
#include "base/error.h"

#include <algorithm>
#include <array>

namespace vantrel {

namespace {

// FoldCase1251 as a table here, so the per-byte lookup of a search is inlined.
const std::array<char, 256>& foldTable() {
    static const std::array<char, 256> table = [] {
        std::array<char, 256> fold{};
        for (std::size_t byte = 0; byte < fold.size(); ++byte) {
            fold[byte] = FoldCase1251(static_cast<char>(byte));
        }
        return fold;
    }();
    return table;
}

} // namespace

RecordSearch::RecordSearch(std::string_view utf8Text) {
    try {
        folded_ = FoldCase1251(Utf8ToCp1251(utf8Text));
    } catch (const Error&) {
        impossible_ = true;
    }
}

bool RecordSearch::contains(std::string_view text) const {
    // Folds the record's text as it goes, so nothing is copied per record.
    const std::array<char, 256>& fold = foldTable();
    const auto found = std::search(text.begin(), text.end(), folded_.begin(), folded_.end(),
                                   [&fold](char stored, char wanted) {
                                       return fold[static_cast<unsigned char>(stored)] == wanted;
                                   });
    return found != text.end();
}

template <typename AnyRecord> bool RecordSearch::matchesAny(const AnyRecord& record) const {
    if (impossible_) {
        return false;
    }
    if (folded_.empty() || contains(record.number)) {
        return true;
    }
    constexpr std::array kSearched = {kFieldName, kFieldResource, kFieldNote};
    return std::any_of(kSearched.begin(), kSearched.end(), [&](RecordField field) {
        const auto at = static_cast<std::size_t>(field);
        return at < record.fields.size() && contains(record.fields[at]);
    });
}

bool RecordSearch::matches(const Record& record) const {
    return matchesAny(record);
}

bool RecordSearch::matches(const RecordView& record) const {
    return matchesAny(record);
}

} // namespace vantrel
