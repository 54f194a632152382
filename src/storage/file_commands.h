#pragma once

#include "storage/program_state.h"
#include "storage/prompts.h"

#include <filesystem>
#include <functional>
#include <string>

namespace vantrel {

// The file commands of the main window and the two routines under them, as
// plain code over the program-wide state: what they ask goes through Prompts,
// what the window must redraw is announced through the callbacks.
class FileCommands {
public:
    FileCommands(ProgramState& state, Prompts& prompts) : state_(state), prompts_(prompts) {}

    // The window caption changed (UTF-8), e.g. "Vantrel - /home/u/a.vtr".
    std::function<void(const std::string& caption)> onCaptionChanged;
    // The record list was replaced as a whole (after a load).
    std::function<void()> onRecordsReplaced;

    // Writes the record list (encrypted with state.cryptLib or plain) and sets
    // the caption. Leaves the current file and the modified flag alone.
    void SaveRecordFile(const std::filesystem::path& path, bool encrypted);
    // Offers to save unsaved changes, then replaces the record list with the
    // file's content, sets the caption and the current file.
    void LoadRecordFile(const std::filesystem::path& path, bool encrypted);

    void FileOpenCmdExecute();
    void FileSaveCmdExecute();
    void FileSaveAsCmdExecute();

private:
    ProgramState& state_;
    Prompts& prompts_;
};

} // namespace vantrel
