#include "storage/file_commands.h"

#include "cipher/error.h"
#include "storage/cp1251.h"
#include "storage/record_file.h"
#include "storage/settings_file.h"

#include <utility>

namespace vantrel {

std::string FileCommands::RememberedPathText(const std::filesystem::path& path) {
    try {
        return Utf8ToCp1251(path.string());
    } catch (const Error& error) {
        throw Error("Путь к файлу \"" + path.string() + "\" нельзя запомнить в файле настроек: " +
                    error.what() + ". Выберите имя файла и папку без таких символов");
    }
}

void FileCommands::remember(const std::string& pathText) {
    // A name that cannot be a key of the settings file (the empty name of a
    // user created without one) could never be read back at a login: there is
    // nothing to remember then, and the save itself must not fail over it.
    if (!IsStorableKey(state_.userName)) {
        return;
    }
    WriteSetting(kRememberedFilesSection, state_.userName, pathText, state_.settingsFile());
}

void FileCommands::setCaption(const std::filesystem::path& path) {
    if (onCaptionChanged) {
        onCaptionChanged(kCaptionPrefix + path.string());
    }
}

void FileCommands::SaveRecordFile(const std::filesystem::path& path, bool encrypted) {
    vantrel::SaveRecordFile(state_.records, path, encrypted ? &state_.cryptLib : nullptr);
    setCaption(path);
}

void FileCommands::LoadRecordFile(const std::filesystem::path& path, bool encrypted) {
    if (state_.modified && prompts_.confirm(kSaveBeforeLoadQuestion, Prompts::Buttons::OkCancel) ==
                               Prompts::Answer::Ok) {
        if (auto chosen = prompts_.saveFileName()) {
            // Always encrypted, whatever the extension; the remembered file
            // stays as it is.
            SaveRecordFile(*chosen, true);
            state_.modified = false;
        }
    }
    RecordList records = vantrel::LoadRecordFile(path, encrypted ? &state_.cryptLib : nullptr);
    state_.records = std::move(records);
    state_.selected.reset();
    if (onRecordsReplaced) {
        onRecordsReplaced();
    }
    setCaption(path);
    state_.currentFile = path;
}

void FileCommands::FileOpenCmdExecute() {
    const auto name = prompts_.openFileName();
    if (!name) {
        return;
    }
    if (IsPlainTextPath(*name)) {
        LoadRecordFile(*name, false);
        if (prompts_.confirm(kWipeQuestion, Prompts::Buttons::OkCancel) == Prompts::Answer::Ok) {
            if (auto message = WipeFile(*name)) {
                prompts_.inform(*message);
            }
        }
        return;
    }
    const std::string remembered = RememberedPathText(*name);
    LoadRecordFile(*name, true);
    remember(remembered);
    state_.currentFile = *name;
}

void FileCommands::FileSaveCmdExecute() {
    if (state_.currentFile.empty()) {
        FileSaveAsCmdExecute();
        return;
    }
    // The file is remembered before it is written, so a failed save still
    // leaves it remembered (and the modified flag set).
    remember(RememberedPathText(state_.currentFile));
    SaveRecordFile(state_.currentFile, true);
    state_.modified = false;
}

void FileCommands::FileSaveAsCmdExecute() {
    const auto name = prompts_.saveFileName();
    if (!name) {
        return;
    }
    if (IsPlainTextPath(*name)) {
        SaveRecordFile(*name, false);
        prompts_.inform(kPlainSavedWarning);
        return;
    }
    const std::string remembered = RememberedPathText(*name);
    // The name becomes the current file only once the file has been written:
    // a failed save keeps the file that was current.
    SaveRecordFile(*name, true);
    state_.currentFile = *name;
    remember(remembered);
    state_.modified = false;
}

} // namespace vantrel
