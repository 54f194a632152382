#include "session/file_commands.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "formats/record_file.h"
#include "formats/settings_file.h"
#include "formats/settings_names.h"

#include <optional>
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

std::optional<std::string> FileCommands::remember(const std::filesystem::path& path) {
    // A name that cannot be a key of the settings file (the empty name of a
    // user created without one) could never be read back at a login: there is
    // nothing to remember then.
    if (!IsStorableKey(session_.userName())) {
        return std::nullopt;
    }
    // The record file is what the user asked for: neither a path that the
    // settings file cannot hold nor a settings file that cannot be written
    // may stop its save or open, only the remembering.
    try {
        WriteSetting(kRememberedFilesSection, session_.userName(), RememberedPathText(path),
                     session_.settingsFile());
        return std::nullopt;
    } catch (const Error& error) {
        return ErrorBoxText(error.what()) + "\r" + formatMessage(kNotRememberedNote, path.string());
    }
}

void FileCommands::report(const std::optional<std::string>& notRemembered) {
    if (notRemembered) {
        prompts_.showError(*notRemembered);
    }
}

void FileCommands::setCaption(const std::filesystem::path& path) {
    if (onCaptionChanged) {
        onCaptionChanged(kCaptionPrefix + path.string());
    }
}

void FileCommands::SaveRecordFile(const std::filesystem::path& path, bool encrypted) {
    vantrel::SaveRecordFile(session_.records(), path, encrypted ? &session_.cipher() : nullptr);
    setCaption(path);
}

void FileCommands::LoadRecordFile(const std::filesystem::path& path, bool encrypted) {
    if (session_.modified() &&
        prompts_.confirm(kSaveBeforeLoadQuestion, Prompts::Buttons::OkCancel) ==
            Prompts::Answer::Ok) {
        if (auto chosen = prompts_.saveFileName()) {
            // Always encrypted, whatever the extension; the remembered file
            // stays as it is.
            SaveRecordFile(*chosen, true);
            session_.setModified(false);
        }
    }
    session_.replaceAll(vantrel::LoadRecordFile(path, encrypted ? &session_.cipher() : nullptr));
    setCaption(path);
    session_.setCurrentFile(path);
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
    LoadRecordFile(*name, true);
    report(remember(*name));
}

void FileCommands::FileSaveCmdExecute() {
    if (session_.currentFile().empty()) {
        FileSaveAsCmdExecute();
        return;
    }
    // The file is remembered before it is written, so a failed save still
    // leaves it remembered (and the modified flag set); a failure to remember
    // is shown once the file is written.
    const auto notRemembered = remember(session_.currentFile());
    SaveRecordFile(session_.currentFile(), true);
    session_.setModified(false);
    report(notRemembered);
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
    // The name becomes the current file only once the file has been written:
    // a failed save keeps the file that was current.
    SaveRecordFile(*name, true);
    session_.setCurrentFile(*name);
    session_.setModified(false);
    report(remember(*name));
}

} // namespace vantrel
