#pragma once

#include "formats/record.h"
#include "session/session.h"

#include <optional>
#include <string>
#include <vector>

// The rules of the record editor that need no window: its drop-down lists,
// the limits of its length boxes and how OK writes the record.
namespace vantrel {

// The length boxes run from 1 to 100.
inline constexpr int kMinGeneratedLength = 1;
inline constexpr int kMaxGeneratedLength = 100;

// The six texts of the editor (1251 bytes), as its controls hold them.
struct EditorTexts {
    std::string name;
    std::string password;
    std::string resource;
    std::string startDate;
    std::string endDate;
    std::string note;
};

// The drop-down list of one field: its texts in list order, leaving out empty
// texts, a single blank " " and texts already taken (exact comparison, letter
// case included). Records without that field contribute nothing to it.
std::vector<std::string> DropDownEntries(const RecordList& records, RecordField field);

// OK of the editor. When `edited` names a record of the session, that record
// keeps its number and place and gets the six fields; otherwise (a new record,
// or one that is gone meanwhile) a record numbered by the session's numbering
// rule is appended, so the user's input is never dropped. An empty note is
// stored as " ". Sets the modified flag. Returns the stored record's id.
RecordId StoreEditorRecord(Session& session, std::optional<RecordId> edited, EditorTexts texts);

} // namespace vantrel
