#include "storage/record_edit_rules.h"

#include "storage/record_rules.h"

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

void StoreEditorRecord(ProgramState& state, EditorTexts texts) {
    std::vector<std::string> fields =
        StoredFields(std::move(texts.name), std::move(texts.password), std::move(texts.resource),
                     std::move(texts.startDate), std::move(texts.endDate), std::move(texts.note));
    if (state.editingExisting && state.selected && *state.selected < state.records.size()) {
        state.records[*state.selected].fields = std::move(fields);
    } else {
        Record record;
        record.number = NextRecordNumber(state.records);
        record.fields = std::move(fields);
        state.records.push_back(std::move(record));
    }
    state.modified = true;
}

} // namespace vantrel
