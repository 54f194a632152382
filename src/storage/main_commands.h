#pragma once

#include "storage/file_commands.h"
#include "storage/program_state.h"
#include "storage/prompts.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The rules behind the main window's record commands and its close sequence,
// as plain code over the program-wide state. The window only wires them to
// widgets and redraws.
namespace vantrel {

// UTF-8 texts of the main window's questions and captions.
inline constexpr const char* kNewRecordCaption = "Новая запись";
inline constexpr const char* kEditRecordCaption = "Редактирование записи ";
inline constexpr const char* kDeleteQuestion = "Удалить выделенную запись?";
inline constexpr const char* kCloseQuestion =
    "Текущий файл не сохранен.\rСохранить перед выходом из программы?";

// What the record editor is opened with.
struct EditorRequest {
    std::string caption;          // UTF-8
    std::optional<Record> record; // set when an existing record is edited
};

// Add: the editor appends a new record.
EditorRequest PrepareAdd(ProgramState& state);
// Edit: the selected record, or the same as Add when nothing is selected.
EditorRequest PrepareEdit(ProgramState& state);

// Asks about deleting; on Yes removes the selected record (when there is one),
// clears the selection and sets the modified flag. Returns whether a record was
// removed.
bool DeleteSelected(ProgramState& state, Prompts& prompts);

// Sorts the records ascending by the column (0 = number, 1...6 = fields) and
// stores it as the sort column; the selected record stays selected at its new
// place.
void SortByColumn(ProgramState& state, int column);

// Whether a text can stand as a record number in the record file: a number line
// must stay one line (no CR, LF or NUL) and must not be read back as a field
// (no leading TAB).
bool IsStorableRecordNumber(const std::string& number);

// The in-place edit of a record number (1251 bytes). Throws vantrel::Error with
// a message for the user when the text cannot be stored; the modified flag is
// left alone either way.
void RenameRecord(ProgramState& state, std::size_t row, const std::string& number);

// The password column: hidden (width 0, no auto-size) until ShowPwd shows it.
struct PasswordColumn {
    bool autoSize = false;
    int width = 0;
};
inline constexpr int kShownPasswordWidth = 70;
// ShowPwd: auto-size on -> hidden; otherwise -> width 70 with auto-size.
void TogglePasswordColumn(PasswordColumn& column);

// How a list column takes its width: fixed, or auto-size with a minimum. Auto-
// size columns share what the fixed ones leave of the available width in
// proportion to their minimums, never going below them.
struct ColumnRule {
    bool autoSize = false;
    int width = 0; // the fixed width, or the minimum of an auto-size column
};
std::vector<int> ShareColumnWidths(int available, const std::vector<ColumnRule>& rules);

// The close sequence of the main window. Stores the generator options first
// (a failure is reported and the close goes on), then, with unsaved changes,
// asks whether to save. Returns whether the window may close: false on Cancel
// and when the save that Yes started failed (the error is shown; nothing is
// lost by staying open).
bool CloseSequence(ProgramState& state, Prompts& prompts, FileCommands& files,
                   const std::function<void()>& saveGeneratorOptions);

} // namespace vantrel
