#pragma once

#include "session/file_commands.h"
#include "session/prompts.h"
#include "session/session.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The rules behind the main window's record commands and its close sequence,
// as plain code over the session. The window only wires them to
// widgets and redraws.
namespace vantrel {

// UTF-8 texts of the main window's questions and captions.
inline constexpr const char* kNewRecordCaption = "Новая запись";
inline constexpr const char* kEditRecordCaption = "Редактирование записи ";
inline constexpr const char* kDeleteQuestion = "Удалить выделенную запись?";
inline constexpr const char* kCloseQuestion =
    "Текущий файл не сохранен.\rСохранить перед выходом из программы?";

// What the record editor is opened with: a caption (UTF-8) and the record to
// edit, or none for a new record.
struct EditorRequest {
    std::string caption;
    std::optional<RecordId> record;
};

// Add: the editor makes a new record.
EditorRequest PrepareAdd();
// Edit: the selected record, or the same as Add when nothing (or a record that
// is gone) is selected.
EditorRequest PrepareEdit(const Session& session, std::optional<RecordId> selected);

// What names a record across a reload of its file, which gives every record
// a new id: its number, name and resource (1251 bytes).
struct RecordKey {
    std::string number;
    std::string name;
    std::string resource;
};
std::optional<RecordKey> KeyOfRecord(const Session& session, std::optional<RecordId> id);
// The first record with the key; nullopt when there is none.
std::optional<RecordId> FindRecordByKey(const Session& session, const RecordKey& key);

// Asks about deleting; on Yes removes the selected record (when there is one)
// and sets the modified flag. Returns whether a record was removed.
bool DeleteRecord(Session& session, std::optional<RecordId> selected, Prompts& prompts);

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
// asks whether to save: Yes writes the current file, encrypted, or the file
// chosen in the save dialog when the current one is not there or is a ".txt".
// Returns whether the window may close: false on Cancel and when the save
// that Yes started failed (the error is shown; nothing is lost by staying
// open).
bool CloseSequence(Session& session, Prompts& prompts, FileCommands& files,
                   const std::function<void()>& saveGeneratorOptions);

} // namespace vantrel
