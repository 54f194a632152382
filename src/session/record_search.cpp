#include "session/record_search.h"

#include "base/cp1251.h"
#include "base/error.h"

#include <algorithm>
#include <array>

namespace vantrel {

RecordSearch::RecordSearch(std::string_view utf8Text) {
    try {
        folded_ = FoldCase1251(Utf8ToCp1251(utf8Text));
    } catch (const Error&) {
        impossible_ = true;
    }
}

bool RecordSearch::contains(std::string_view text) const {
    // Folds the record's text as it goes, so nothing is copied per record.
    const auto found =
        std::search(text.begin(), text.end(), folded_.begin(), folded_.end(),
                    [](char stored, char wanted) { return FoldCase1251(stored) == wanted; });
    return found != text.end();
}

bool RecordSearch::matches(const Record& record) const {
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

} // namespace vantrel
