#pragma once

#include "formats/record.h"
#include "formats/record_file.h"

#include <string>
#include <string_view>

// Finding records by a typed text: the search field over the record list.
namespace vantrel {

// A record matches when its number, name, resource or note contains the text,
// letter case ignored by the 1251 case rules (Latin and Cyrillic, Ё/ё
// included). Passwords and dates are never searched. An empty text matches
// every record; a text with a character that 1251 cannot hold matches none,
// since no stored text can contain it.
class RecordSearch {
public:
    RecordSearch() = default;
    // `utf8Text` is the text as typed.
    explicit RecordSearch(std::string_view utf8Text);

    bool empty() const { return !impossible_ && folded_.empty(); }
    bool matches(const Record& record) const;
    // The same for a record walked in a file (the command-line tool's search).
    bool matches(const RecordView& record) const;

private:
    bool contains(std::string_view text) const;
    template <typename AnyRecord> bool matchesAny(const AnyRecord& record) const;

    std::string folded_; // the text in 1251, case-folded
    bool impossible_ = false;
};

} // namespace vantrel
