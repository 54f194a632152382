#include "session/file_commands.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "base/file_lock.h"
#include "formats/record_file.h"
#include "formats/settings_file.h"
#include "formats/settings_names.h"

#include <chrono>
#include <optional>
#include <utility>

namespace vantrel {

std::string ConflictCopiesNote(const std::filesystem::path& file,
                               const std::vector<std::filesystem::path>& copies) {
    if (copies.empty()) {
        return {};
    }
    std::string note = kConflictCopiesNote[0] + file.string() + kConflictCopiesNote[1];
    for (const std::filesystem::path& copy : copies) {
        note += "\r" + copy.filename().string();
    }
    return note;
}

std::string FileCommands::RememberedPathText(const std::filesystem::path& path) {
    try {
        return Utf8ToCp1251(path.string());
    } catch (const Error& error) {
        throw Error("Путь к файлу \"" + path.string() + "\" нельзя запомнить в файле настроек: " +
                    error.what() + ". Выберите имя файла и папку без таких символов");
    }
}

template <typename Command> void FileCommands::runOnce(Command&& command) {
    if (busy_) {
        return;
    }
    busy_ = true;
    struct Clear {
        bool& flag;
        ~Clear() { flag = false; }
    } clear{busy_};
    command();
}

// Runs file work with the cipher's block reports passed on to the progress.
template <typename Work>
void FileCommands::withProgress(const char* what, const std::filesystem::path& path, Work&& work) {
    if (progress_ == nullptr) {
        work();
        return;
    }
    struct Scope {
        Progress& progress;
        TCryptLib& cipher;
        Scope(Progress& p, TCryptLib& c, const std::string& text) : progress(p), cipher(c) {
            progress.begin(text);
            cipher.OnProgress = [&p](int permille) { p.advance(permille); };
        }
        ~Scope() {
            cipher.OnProgress = nullptr;
            progress.end();
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
    } scope(*progress_, session_.cipher(), what + path.filename().string());
    work();
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

bool SomethingIsAt(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

bool ReplacingAgreed(Prompts& prompts, const std::filesystem::path& path) {
    return prompts.confirm(kReplaceQuestion[0] + path.string() + kReplaceQuestion[1],
                           Prompts::Buttons::YesNo) == Prompts::Answer::Yes;
}

std::optional<std::filesystem::path> FileCommands::chooseSaveName() {
    const auto replacesFile = [this](const std::filesystem::path& path) {
        // A file shown although it did not look like a record file has its
        // own question in saveFile.
        return SomethingIsAt(path) && path != doubtfulFile_;
    };
    // An imported ".txt" is offered as an encrypted file of the same name.
    std::filesystem::path suggested = session_.currentFile();
    if (!suggested.empty() && RecordFileKindOfPath(suggested) == RecordFileKind::PlainText) {
        suggested.replace_extension(".vtr");
    }
    auto name = prompts_.saveFileName(suggested);
    while (name && replacesFile(*name) && !ReplacingAgreed(prompts_, *name)) {
        name = prompts_.saveFileName(*name);
    }
    return name;
}

namespace {

// Sets a flag for a scope and gives it back its value afterwards.
class ScopedFlag {
public:
    explicit ScopedFlag(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
    ~ScopedFlag() { flag_ = was_; }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;

private:
    bool& flag_;
    bool was_;
};

} // namespace

std::optional<DiskState> FileCommands::diskStateOf(const std::filesystem::path& path) {
    if (!known_ || session_.currentFile().empty() || path != session_.currentFile()) {
        return std::nullopt;
    }
    return CompareWithDisk(*known_, path);
}

void FileCommands::know(const std::filesystem::path& path) {
    try {
        known_ = TakeFingerprint(path);
    } catch (const Error&) {
        known_.reset(); // unreadable just after the write: nothing to compare with
    }
}

void FileCommands::status(const std::string& note) {
    if (onStatus) {
        onStatus(note);
    }
}

bool FileCommands::resolveDiskChange(const std::filesystem::path& path, DiskState state,
                                     bool& copied) {
    if (state == DiskState::Gone) {
        return prompts_.confirm(kFileGoneQuestion[0] + path.string() + kFileGoneQuestion[1],
                                Prompts::Buttons::YesNo) == Prompts::Answer::Yes;
    }
    // The list holds nothing of its own: the file as it is now replaces it.
    // When it cannot be read, the user decides as for a changed list.
    if (!session_.modified()) {
        try {
            reload();
            status(kReloadedNote);
            return false;
        } catch (const Error&) {
        }
    }
    switch (
        prompts_.askDiskChange(kDiskChangedQuestion[0] + path.string() + kDiskChangedQuestion[1])) {
    case Prompts::DiskChangeAnswer::Reload:
        reload();
        status(kReloadedNote);
        return false;
    case Prompts::DiskChangeAnswer::SaveCopy: {
        const std::filesystem::path copy = ConflictCopyName(path, std::chrono::system_clock::now());
        // The copy is a new name: it replaces nothing of anyone's. It keeps
        // the file's extension, and is written as that extension is read.
        write(copy, RecordFileKindOfPath(copy));
        session_.setCurrentFile(copy);
        know(copy);
        doubtfulFile_.clear();
        status(kSavedCopyNote + copy.string());
        copied = true;
        return false;
    }
    case Prompts::DiskChangeAnswer::Cancel:
        break;
    }
    return false;
}

void FileCommands::write(const std::filesystem::path& path, RecordFileKind kind) {
    // A protected user, or a list read from a protected file, never writes
    // the classic encrypted form.
    const bool protect =
        kind == RecordFileKind::Encrypted && (session_.userProtected() || session_.listProtected());
    const RecordFileKind form = protect ? RecordFileKind::Protected : kind;
    withProgress(kSavingProgress, path, [&] {
        WriteRecordFile(path, form, session_.cipher(), session_.records(), session_.protectedKey());
    });
    setCaption(path);
    if (protect && !session_.listProtected()) {
        session_.setListProtected(true);
        if (path == session_.currentFile()) {
            status(kWrittenProtectedNote);
        }
    }
}

bool FileCommands::saveFile(const std::filesystem::path& path, RecordFileKind kind) {
    ScopedFlag working(working_);
    for (;;) {
        const std::optional<DiskState> before = diskStateOf(path);
        if (before && *before != DiskState::Unchanged) {
            bool copied = false;
            if (!resolveDiskChange(path, *before, copied)) {
                return copied;
            }
        }
        const bool overDoubtful = !doubtfulFile_.empty() && path == doubtfulFile_;
        if (overDoubtful && prompts_.confirm(kOverwriteDoubtfulQuestion[0] + path.string() +
                                                 kOverwriteDoubtfulQuestion[1],
                                             Prompts::Buttons::YesNo) != Prompts::Answer::Yes) {
            return false;
        }
        // The command-line tool takes the same lock around its replacement of
        // a record file; a write made while a question was open is asked
        // about again.
        const FileLock lock(path);
        if (before && diskStateOf(path) != before) {
            continue;
        }
        write(path, kind);
        if (overDoubtful) {
            doubtfulFile_.clear();
        }
        if (path == session_.currentFile()) {
            know(path);
        }
        return true;
    }
}

void FileCommands::reload() {
    const std::filesystem::path path = session_.currentFile();
    // Taken before the read: a write that comes during it shows as a change
    // at the next look, and the file is read once more.
    const std::optional<FileFingerprint> before = TakeFingerprint(path);
    if (!before) {
        throw FileError(formatMessage(kCannotOpenFileText, path.string()),
                        std::make_error_code(std::errc::no_such_file_or_directory));
    }
    LoadedRecordFile loaded;
    withProgress(kOpeningProgress, path, [&] {
        loaded = ReadRecordFile(path, RecordFileKindOfPath(path), session_.cipher(),
                                session_.protectedKey());
    });
    if (!loaded.plausible) {
        for (Record& record : loaded.records) {
            WipeRecord(record);
        }
        throw Error(kNotRecordFileReason);
    }
    session_.replaceAll(std::move(loaded.records));
    session_.setListProtected(loaded.kind == RecordFileKind::Protected);
    if (session_.sorted()) {
        session_.sortBy(session_.sortColumn());
    }
    known_ = before;
    doubtfulFile_.clear();
    session_.setModified(false);
}

DiskCheck FileCommands::checkDisk(bool editorOpen) {
    using Outcome = DiskCheck::Outcome;
    // A command at work (its questions open) looks at the disk itself.
    if (busy_ || working_) {
        return {};
    }
    ScopedFlag working(working_);
    try {
        const std::optional<DiskState> state = diskStateOf(session_.currentFile());
        if (!state || *state == DiskState::Unchanged) {
            return {};
        }
        if (*state == DiskState::Gone) {
            return {Outcome::Gone, kGoneNote};
        }
        switch (ActionOnDiskChange(session_.modified(), editorOpen)) {
        case ChangeAction::AskAtWrite:
            return {Outcome::KeptEdits, kChangedWithEditsNote};
        case ChangeAction::WaitForEditor:
            return {Outcome::WaitingForEditor, kReloadLaterNote};
        case ChangeAction::Reload:
            break;
        }
        reload();
        return {Outcome::Reloaded, kReloadedNote};
    } catch (const Error& error) {
        return {Outcome::ReloadFailed, kReloadFailedNote + ErrorBoxText(error.what())};
    }
}

bool FileCommands::openFile(const std::filesystem::path& path, RecordFileKind kind) {
    return open(path, kind) != Opened::Declined;
}

FileCommands::Opened FileCommands::open(const std::filesystem::path& path, RecordFileKind kind) {
    ScopedFlag working(working_);
    if (session_.modified() &&
        prompts_.confirm(kSaveBeforeLoadQuestion, Prompts::Buttons::OkCancel) ==
            Prompts::Answer::Ok) {
        if (auto chosen = chooseSaveName()) {
            // Always encrypted, whatever the extension; the remembered file
            // stays as it is.
            if (saveFile(*chosen, RecordFileKind::Encrypted)) {
                session_.setModified(false);
            }
        }
    }
    // Taken before the read, as reload does.
    std::optional<FileFingerprint> fingerprint = TakeFingerprint(path);
    LoadedRecordFile loaded;
    withProgress(kOpeningProgress, path, [&] {
        loaded = ReadRecordFile(path, kind, session_.cipher(), session_.protectedKey());
    });
    if (!loaded.plausible &&
        prompts_.confirm(kDoubtfulFileQuestion[0] + path.string() + kDoubtfulFileQuestion[1],
                         Prompts::Buttons::YesNo) != Prompts::Answer::Yes) {
        return Opened::Declined;
    }
    doubtfulFile_ = loaded.plausible ? std::filesystem::path() : path;
    session_.replaceAll(std::move(loaded.records));
    session_.setListProtected(loaded.kind == RecordFileKind::Protected);
    setCaption(path);
    session_.setCurrentFile(path);
    known_ = std::move(fingerprint);
    if (onFileOpened) {
        onFileOpened(path);
    }
    return loaded.recordText ? Opened::RecordText : Opened::NotRecordText;
}

void FileCommands::FileOpenCmdExecute() {
    runOnce([this] { openCommand(); });
}

void FileCommands::openCommand() {
    const auto name = prompts_.openFileName();
    if (!name) {
        return;
    }
    const RecordFileKind kind = RecordFileKindOfPath(*name);
    if (kind == RecordFileKind::PlainText) {
        // Bytes that cannot be record text may be the only copy of records
        // saved encrypted under this name: they are never offered for the wipe.
        if (open(*name, kind) == Opened::NotRecordText) {
            prompts_.inform(kNotRecordTextNote[0] + name->string() + kNotRecordTextNote[1]);
            return;
        }
        if (prompts_.confirm(kWipeQuestion, Prompts::Buttons::OkCancel) == Prompts::Answer::Ok) {
            if (auto message = WipeFile(*name)) {
                prompts_.inform(*message);
            }
        }
        return;
    }
    if (!openFile(*name, kind) || !doubtfulFile_.empty()) {
        return; // declined, or shown but not to be reopened at the next login
    }
    report(remember(*name));
}

void FileCommands::FileSaveCmdExecute() {
    runOnce([this] { saveCommand(); });
}

void FileCommands::saveCommand() {
    // Encrypted records under a ".txt" name would be read as plain text when
    // opened again: an imported file is saved under a name of the user's choice.
    if (session_.currentFile().empty() ||
        RecordFileKindOfPath(session_.currentFile()) == RecordFileKind::PlainText) {
        saveAsCommand();
        return;
    }
    const std::filesystem::path current = session_.currentFile();
    // The file is remembered before it is written, so a failed save still
    // leaves it remembered (and the modified flag set); a file that did not
    // look like a record file only once the user has agreed to write over it.
    // A failure to remember is shown once the file is written.
    const bool rememberFirst = doubtfulFile_.empty() || current != doubtfulFile_;
    std::optional<std::string> notRemembered;
    if (rememberFirst) {
        notRemembered = remember(current);
    }
    if (!saveFile(current, RecordFileKind::Encrypted)) {
        return;
    }
    // A list saved into a conflict copy goes on in the copy.
    if (!rememberFirst || session_.currentFile() != current) {
        notRemembered = remember(session_.currentFile());
    }
    session_.setModified(false);
    report(notRemembered);
}

void FileCommands::FileSaveAsCmdExecute() {
    runOnce([this] { saveAsCommand(); });
}

void FileCommands::saveAsCommand() {
    const auto name = chooseSaveName();
    if (!name) {
        return;
    }
    const RecordFileKind kind = RecordFileKindOfPath(*name);
    if (kind == RecordFileKind::PlainText) {
        if (saveFile(*name, kind)) {
            prompts_.inform(kPlainSavedWarning);
        }
        return;
    }
    // The name becomes the current file only once the file has been written:
    // a failed save keeps the file that was current.
    const std::filesystem::path before = session_.currentFile();
    if (!saveFile(*name, kind)) {
        return;
    }
    // A list saved into a conflict copy (the name was the current file,
    // changed on disk) goes on in the copy.
    const bool copied = session_.currentFile() != before;
    if (!copied && session_.currentFile() != *name) {
        session_.setCurrentFile(*name);
        know(*name);
    }
    session_.setModified(false);
    report(remember(session_.currentFile()));
}

} // namespace vantrel
