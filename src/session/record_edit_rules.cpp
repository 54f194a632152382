#include "session/record_edit_rules.h"

#include "formats/record_rules.h"

#include <string_view>
#include <unordered_set>

namespace vantrel {

std::vector<std::string> DropDownEntries(const RecordList& records, RecordField field) {
    std::vector<std::string> entries;
    std::unordered_set<std::string_view> taken;
    const auto index = static_cast<std::size_t>(field);
    for (const Record& record : records) {
        if (index >= record.fields.size()) {
            continue;
        }
        const std::string& text = record.fields[index];
        if (text.empty() || text == " " || !taken.insert(text).second) {
            continue;
        }
        entries.push_back(text);
    }
    return entries;
}

RecordId StoreEditorRecord(Session& session, std::optional<RecordId> edited, EditorTexts texts) {
    std::vector<std::string> fields =
        StoredFields(std::move(texts.name), std::move(texts.password), std::move(texts.resource),
                     std::move(texts.startDate), std::move(texts.endDate), std::move(texts.note));
    if (edited && session.find(*edited) != nullptr) {
        session.replaceFields(*edited, std::move(fields));
        return *edited;
    }
    return session.add(Record{session.nextNumber(), std::move(fields)});
}

} // namespace vantrel
