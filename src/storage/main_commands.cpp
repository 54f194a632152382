#include "storage/main_commands.h"

#include "cipher/error.h"
#include "storage/cp1251.h"
#include "storage/record_rules.h"

#include <algorithm>
#include <filesystem>
#include <utility>

namespace vantrel {

namespace {

bool hasSelection(const ProgramState& state) {
    return state.selected && *state.selected < state.records.size();
}

} // namespace

EditorRequest PrepareAdd(ProgramState& state) {
    state.editingExisting = false;
    return {kNewRecordCaption, std::nullopt};
}

EditorRequest PrepareEdit(ProgramState& state) {
    if (!hasSelection(state)) {
        return PrepareAdd(state);
    }
    state.editingExisting = true;
    const Record& record = state.records[*state.selected];
    return {kEditRecordCaption + Cp1251ToUtf8(record.number), record};
}

bool DeleteSelected(ProgramState& state, Prompts& prompts) {
    if (prompts.confirm(kDeleteQuestion, Prompts::Buttons::YesNo) != Prompts::Answer::Yes) {
        return false;
    }
    if (!hasSelection(state)) {
        return false;
    }
    state.records.erase(state.records.begin() +
                        static_cast<RecordList::difference_type>(*state.selected));
    state.selected.reset();
    state.modified = true;
    return true;
}

void SortByColumn(ProgramState& state, int column) {
    state.sortColumn = column;
    if (!hasSelection(state)) {
        state.selected.reset();
        SortRecords(state.records, column);
        return;
    }
    // Records equal in every part also have equal sort keys, so the stable sort
    // keeps their relative order: the selected record is the same occurrence
    // among its equals after the sort as before it.
    const std::size_t at = *state.selected;
    const Record selected = state.records[at];
    const auto occurrence =
        std::count(state.records.begin(), state.records.begin() + static_cast<long>(at), selected);
    SortRecords(state.records, column);
    long seen = 0;
    for (std::size_t row = 0; row < state.records.size(); ++row) {
        if (state.records[row] == selected && seen++ == occurrence) {
            state.selected = row;
            return;
        }
    }
    state.selected.reset(); // unreachable: the sort keeps every record
}

bool IsStorableRecordNumber(const std::string& number) {
    if (!number.empty() && number.front() == '\t') {
        return false;
    }
    return number.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

void RenameRecord(ProgramState& state, std::size_t row, const std::string& number) {
    if (row >= state.records.size()) {
        return;
    }
    if (!IsStorableRecordNumber(number)) {
        throw Error("Номер записи не может начинаться с табуляции или содержать "
                    "перевод строки");
    }
    state.records[row].number = number;
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

bool CloseSequence(ProgramState& state, Prompts& prompts, FileCommands& files,
                   const std::function<void()>& saveGeneratorOptions) {
    // A settings file that cannot be written must not keep the user from
    // leaving: the failure is shown and the close goes on.
    if (saveGeneratorOptions) {
        RunCommand(prompts, saveGeneratorOptions);
    }
    if (!state.modified) {
        return true;
    }
    switch (prompts.confirm(kCloseQuestion, Prompts::Buttons::YesNoCancel)) {
    case Prompts::Answer::Yes:
        return RunCommand(prompts, [&] {
            std::error_code error;
            if (!state.currentFile.empty() && std::filesystem::exists(state.currentFile, error)) {
                files.SaveRecordFile(state.currentFile, true);
            } else if (auto chosen = prompts.saveFileName()) {
                files.SaveRecordFile(*chosen, true);
            }
        });
    case Prompts::Answer::No:
        return true;
    default:
        return false;
    }
}

} // namespace vantrel
