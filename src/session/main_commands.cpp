#include "session/main_commands.h"

#include "base/cp1251.h"
#include "formats/record_file_kind.h"

#include <filesystem>

namespace vantrel {

EditorRequest PrepareAdd() {
    return {kNewRecordCaption, std::nullopt};
}

EditorRequest PrepareEdit(const Session& session, std::optional<RecordId> selected) {
    const Record* record = selected ? session.find(*selected) : nullptr;
    if (record == nullptr) {
        return PrepareAdd();
    }
    return {kEditRecordCaption + Cp1251ToUtf8(record->number), selected};
}

namespace {

const std::string& FieldOf(const Record& record, std::size_t field) {
    static const std::string none;
    return field < record.fields.size() ? record.fields[field] : none;
}

} // namespace

std::optional<RecordKey> KeyOfRecord(const Session& session, std::optional<RecordId> id) {
    const Record* record = id ? session.find(*id) : nullptr;
    if (record == nullptr) {
        return std::nullopt;
    }
    return RecordKey{record->number, FieldOf(*record, kFieldName),
                     FieldOf(*record, kFieldResource)};
}

std::optional<RecordId> FindRecordByKey(const Session& session, const RecordKey& key) {
    for (std::size_t row = 0; row < session.size(); ++row) {
        const Record& record = session.records()[row];
        if (record.number == key.number && FieldOf(record, kFieldName) == key.name &&
            FieldOf(record, kFieldResource) == key.resource) {
            return session.idAt(row);
        }
    }
    return std::nullopt;
}

bool DeleteRecord(Session& session, std::optional<RecordId> selected, Prompts& prompts) {
    if (prompts.confirm(kDeleteQuestion, Prompts::Buttons::YesNo) != Prompts::Answer::Yes) {
        return false;
    }
    return selected && session.remove(*selected);
}

void TogglePasswordColumn(PasswordColumn& column) {
    if (column.autoSize) {
        column = {false, 0};
    } else {
        column = {true, kShownPasswordWidth};
    }
}

std::vector<int> ShareColumnWidths(int available, const std::vector<ColumnRule>& rules) {
    std::vector<int> widths;
    widths.reserve(rules.size());
    int used = 0;
    long long minimumSum = 0;
    int autoCount = 0;
    for (const ColumnRule& rule : rules) {
        widths.push_back(rule.width);
        used += rule.width;
        if (rule.autoSize) {
            minimumSum += rule.width;
            ++autoCount;
        }
    }
    const int extra = available - used;
    if (extra <= 0 || autoCount == 0) {
        return widths;
    }
    // Share in proportion to the minimums (equally when they are all 0); the
    // last auto-size column takes the rounding rest so the columns fill the width.
    int given = 0;
    std::size_t last = 0;
    for (std::size_t i = 0; i < rules.size(); ++i) {
        if (!rules[i].autoSize) {
            continue;
        }
        const long long share = minimumSum > 0
                                    ? extra * static_cast<long long>(rules[i].width) / minimumSum
                                    : extra / autoCount;
        widths[i] += static_cast<int>(share);
        given += static_cast<int>(share);
        last = i;
    }
    widths[last] += extra - given;
    return widths;
}

bool CloseSequence(Session& session, Prompts& prompts, FileCommands& files,
                   const std::function<void()>& saveGeneratorOptions) {
    // A settings file that cannot be written must not keep the user from
    // leaving: the failure is shown and the close goes on.
    if (saveGeneratorOptions) {
        RunCommand(prompts, saveGeneratorOptions);
    }
    if (!session.modified()) {
        return true;
    }
    switch (prompts.confirm(kCloseQuestion, Prompts::Buttons::YesNoCancel)) {
    case Prompts::Answer::Yes: {
        // Declining to write over a file that did not look like a record file
        // keeps the window open, so the records can still be saved elsewhere.
        bool saved = true;
        const bool completed = RunCommand(prompts, [&] {
            std::error_code error;
            const std::filesystem::path& current = session.currentFile();
            // A ".txt" current file is an import: the save goes where the
            // user chooses, as with Save.
            if (!current.empty() && RecordFileKindOfPath(current) == RecordFileKind::Encrypted &&
                std::filesystem::exists(current, error)) {
                saved = files.saveFile(current, RecordFileKind::Encrypted);
            } else if (auto chosen = files.chooseSaveName()) {
                saved = files.saveFile(*chosen, RecordFileKind::Encrypted);
            }
        });
        return completed && saved;
    }
    case Prompts::Answer::No:
        return true;
    default:
        return false;
    }
}

} // namespace vantrel
