#pragma once

#include "formats/record_file_kind.h"
#include "session/disk_file.h"
#include "session/progress.h"
#include "session/prompts.h"
#include "session/session.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

// UTF-8 texts of the file commands.
inline constexpr const char* kSaveBeforeLoadQuestion = "Текущий файл не сохранен. Сохранить?";
inline constexpr const char* kWipeQuestion = "Уничтожить незашифрованную копию файла?";
inline constexpr const char* kPlainSavedWarning =
    "Внимание!\rФайл сохранен в незашифрованном виде.";
inline constexpr const char* kCaptionPrefix = "Vantrel - ";
inline constexpr const char* kOpeningProgress = "Открытие файла ";
inline constexpr const char* kSavingProgress = "Сохранение файла ";

// The questions about a file that does not decrypt into a record file (the
// path goes between the two parts).
inline constexpr const char* kDoubtfulFileQuestion[] = {
    "Файл \"", "\" не похож на файл записей: возможно, он сохранен под паролем "
               "другого пользователя или поврежден.\rВсе равно показать его содержимое?"};
inline constexpr const char* kOverwriteDoubtfulQuestion[] = {
    "Файл \"", "\" при открытии не был похож на файл записей: возможно, в нем записи "
               "другого пользователя.\rЗаписать текущий список поверх него?"};

// Asked before a save dialog's choice replaces a file that is there (the path
// goes between the two parts).
inline constexpr const char* kReplaceQuestion[] = {"Файл \"", "\" уже существует.\rЗаменить его?"};
// Whether anything (a dangling link included) is at `path`.
bool SomethingIsAt(const std::filesystem::path& path);
// Asks kReplaceQuestion about `path`; whether the user answered Yes.
bool ReplacingAgreed(Prompts& prompts, const std::filesystem::path& path);

// Said instead of the wipe question when a ".txt" file is no record text (the
// path goes between the two parts).
inline constexpr const char* kNotRecordTextNote[] = {
    "Файл \"", "\" не похож на текстовый файл записей: возможно, он зашифрован. "
               "Уничтожение этого файла не предлагается.\rЕсли это зашифрованный файл "
               "записей, замените в его имени расширение \".txt\" на \".vtr\" и откройте "
               "его снова."};

// Follows the reason when a record file was saved or opened but could not be
// remembered for the next login (%s: the file).
inline constexpr const char* kNotRememberedNote =
    "Файл %s не запомнен: при следующем входе в программу он не будет открыт "
    "автоматически.";

// A file changed on disk by someone else while the list has changes of its
// own (the path goes between the two parts). The answers: reload, save a copy,
// cancel.
inline constexpr const char* kDiskChangedQuestion[] = {
    "Файл \"", "\" изменён на диске другой программой (например, синхронизацией с другим "
               "компьютером), а в текущем списке есть несохранённые изменения. Записать список "
               "поверх файла — значит потерять изменения, сделанные там.\r\r"
               "Перечитать — загрузить файл с диска; Ваши изменения будут потеряны.\r"
               "Сохранить копию — сохранить текущий список в новый файл рядом с ним; файл "
               "останется таким, каким его записала другая программа.\r"
               "Отмена — ничего не записывать; вопрос будет задан при следующем сохранении."};
inline constexpr const char* kReloadButton = "Перечитать";
inline constexpr const char* kSaveCopyButton = "Сохранить копию";
inline constexpr const char* kCancelButton = "Отмена";
// The current file is no longer on disk (the path goes between the two parts).
inline constexpr const char* kFileGoneQuestion[] = {
    "Файл \"", "\" удалён с диска или переименован другой программой.\r"
               "Записать текущий список в этот файл снова?"};
// What the status bar says after a look at the disk.
inline constexpr const char* kReloadedNote = "Файл изменён на диске и перечитан";
inline constexpr const char* kChangedWithEditsNote =
    "Файл изменён на диске другой программой; перед сохранением будет задан вопрос";
inline constexpr const char* kGoneNote =
    "Файл удалён с диска; перед сохранением будет задан вопрос";
inline constexpr const char* kReloadLaterNote =
    "Файл изменён на диске; он будет перечитан, когда закроется окно записи";
inline constexpr const char* kSavedCopyNote = "Список сохранен в копию: ";
// A classic file written back in the protected form (once per file).
inline constexpr const char* kWrittenProtectedNote =
    "Файл записан в защищённом виде; прежние версии программы его не откроют";
// The file changed on disk could not be read again (the reason follows).
inline constexpr const char* kReloadFailedNote =
    "Файл изменён на диске, но перечитать его не удалось; список оставлен как был, перед "
    "сохранением будет задан вопрос. ";
inline constexpr const char* kNotRecordFileReason =
    "Он не похож на файл записей: возможно, он сохранен под другим паролем или поврежден.";

// Copies that sync tools made of a file beside it (the path goes between the
// two parts, the copies' names follow, one a line).
inline constexpr const char* kConflictCopiesNote[] = {
    "Рядом с файлом \"", "\" лежат его копии, созданные программой синхронизации при "
                         "конфликте изменений. В них могут быть записи, которых нет в этом "
                         "файле; откройте их, чтобы сравнить:"};
// The note that names the conflict copies beside `file`; empty when there
// are none.
std::string ConflictCopiesNote(const std::filesystem::path& file,
                               const std::vector<std::filesystem::path>& copies);

// What a look at the current file on disk found and did.
struct DiskCheck {
    enum class Outcome {
        Unchanged,
        Reloaded,         // the list was read again
        WaitingForEditor, // to be read again once the editor has closed
        KeptEdits,        // the list has changes of its own: the next write asks
        Gone,
        ReloadFailed, // the list and the modified flag are as they were
    };
    Outcome outcome = Outcome::Unchanged;
    std::string note; // for the status bar (UTF-8); empty when there is nothing to say
};

// The file commands of the main window and the two routines under them, as
// plain code over the session: what they ask goes through Prompts, the list
// changes reach the views through the session's observers. Failures
// throw vantrel::Error and leave the state described at each member.
class FileCommands {
public:
    FileCommands(Session& session, Prompts& prompts) : session_(session), prompts_(prompts) {}

    // Where reading and writing encrypted files report their progress (none
    // when null). The progress must outlive these commands.
    void setProgress(Progress* progress) { progress_ = progress; }
    // While a command runs (with its questions and its file work), the
    // commands Open, Save and Save As do nothing when started again.
    bool busy() const { return busy_; }
    // Whether a file is being read or written (by a command, the login's
    // reopen, the close sequence's save or a reload), its questions included.
    bool fileWorkRunning() const { return busy_ || working_; }

    // The window caption changed (UTF-8), e.g. "Vantrel - /home/u/a.vtr".
    std::function<void(const std::string& caption)> onCaptionChanged;
    // A record file was opened (by Open or at the login) and is current.
    std::function<void(const std::filesystem::path& file)> onFileOpened;
    // A note for the status bar (UTF-8), e.g. after the file was read again.
    std::function<void(const std::string& note)> onStatus;

    // Writes the record list as a file of `kind` (encrypted with the session's
    // cipher; the encrypted kind in the protected form when the user is
    // protected or the list came from a protected file, the first time over
    // the current file with kWrittenProtectedNote) and sets the caption. Leaves the current file
    // and the modified flag alone. The file is replaced atomically: on failure the old file stays
    // whole and the caption is unchanged. Over a file that was shown although it did not look like
    // a record file, it asks first; false when the user declines (nothing is written then). Over
    // the current file it first looks whether someone else changed it on disk since it was read or
    // written, and then asks (reload, save a copy, cancel; or, for a file gone, whether to write it
    // again); false unless the list was saved. When it went to a conflict copy, that copy is the
    // current file now.
    bool saveFile(const std::filesystem::path& path, RecordFileKind kind);
    // Offers to save unsaved changes, then replaces the record list with the
    // content of the file of `kind` (a protected file, told by its bytes,
    // whatever `kind`), sets the caption and the current file. A
    // file that cannot be read leaves list, caption and current file as they
    // were. An encrypted file whose content cannot be a record file (another
    // user's password, damage) is shown only when the user says so; false
    // when the user declines (nothing changes then beyond the save offered
    // first).
    bool openFile(const std::filesystem::path& path, RecordFileKind kind);

    // The save dialog, offering the current file (a ".txt" one as ".vtr"); a
    // name of a file that is there is taken only when the
    // user agrees to replace it, otherwise the dialog comes again. nullopt
    // when the dialog is cancelled.
    std::optional<std::filesystem::path> chooseSaveName();

    // Open: a ".txt" name is read as plain text and its wipe offered (not when
    // its bytes cannot be record text: that is said instead); any other name is
    // decrypted and remembered for the user (not when it did not look like a
    // record file).
    void FileOpenCmdExecute();
    // Save: remembers the current file, then writes it encrypted; with no
    // current file, or a ".txt" one (an import), it is Save As.
    void FileSaveCmdExecute();
    // Save As: a ".txt" name gets plain text and a warning (nothing else
    // changes); any other name becomes the current, remembered file.
    void FileSaveAsCmdExecute();
    // Open, Save and Save As read or write the record file as asked even when
    // it cannot be remembered (a path 1251 cannot hold, a settings file that
    // cannot be written); the reason is shown as an error afterwards.

    // Looks at the current file on disk (the window does so when the file or
    // its folder changes and when it is activated): a file changed by someone
    // else is read again at once when the list has no changes of its own and
    // no editor is open; otherwise the next write of the file asks first.
    DiskCheck checkDisk(bool editorOpen);

    // The path as the settings file stores it (1251 bytes). A path that 1251
    // cannot hold is refused with vantrel::Error.
    static std::string RememberedPathText(const std::filesystem::path& path);

private:
    enum class Opened { Declined, RecordText, NotRecordText };
    Opened open(const std::filesystem::path& path, RecordFileKind kind);
    template <typename Command> void runOnce(Command&& command);
    void openCommand();
    void saveCommand();
    void saveAsCommand();
    template <typename Work>
    void withProgress(const char* what, const std::filesystem::path& path, Work&& work);
    // Remembers `path` as the user's file; returns the message for the user
    // when that is impossible. Never throws vantrel::Error.
    std::optional<std::string> remember(const std::filesystem::path& path);
    void report(const std::optional<std::string>& notRemembered);
    void setCaption(const std::filesystem::path& path);
    // Takes the fingerprint of the current file as just read or written.
    void know(const std::filesystem::path& path);
    // How `path` stands on disk when it is the current file and its
    // fingerprint is known; nullopt otherwise.
    std::optional<DiskState> diskStateOf(const std::filesystem::path& path);
    // Asks about a write over the current file that is `state` on disk. True
    // when the write may go on; `copied` when the list went to a conflict copy
    // instead (which is the current file then).
    bool resolveDiskChange(const std::filesystem::path& path, DiskState state, bool& copied);
    void status(const std::string& note);
    // Reads the current file again, keeping the sort; throws vantrel::Error
    // with the reason when it cannot (nothing changes then).
    void reload();
    // Writes the list and sets the caption; no questions.
    void write(const std::filesystem::path& path, RecordFileKind kind);

    Session& session_;
    Prompts& prompts_;
    // The file last loaded although it did not look like a record file, until
    // the user agrees to write over it; empty when there is none.
    std::filesystem::path doubtfulFile_;
    // The current file as it was last read or written; nullopt while there is
    // none (or it was never read whole).
    std::optional<FileFingerprint> known_;
    Progress* progress_ = nullptr;
    bool busy_ = false;
    // A file is being read or written (its questions may be open): a look at
    // the disk waits.
    bool working_ = false;
};

} // namespace vantrel
