#pragma once

#include "cipher/crypt_lib.h"
#include "formats/protected_file.h"
#include "formats/record.h"
#include "generator/generator_options.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

// Names a record for as long as the program runs: ids are never reused, and a
// record keeps its id when the list is sorted or other records come and go.
// Loading a file gives every record a new id.
using RecordId = std::uint64_t;

// Told about every change of the session's record list. "About to" comes before
// the change (the row is still the old one), the other after it.
class SessionObserver {
public:
    virtual ~SessionObserver() = default;
    // The whole list is replaced (a load), reordered (a sort) or emptied
    // (clearRecords: the records are already wiped when this is called).
    virtual void recordsAboutToBeReset() {}
    virtual void recordsReset() {}
    virtual void recordAboutToBeInserted(std::size_t /*row*/) {}
    virtual void recordInserted(std::size_t /*row*/) {}
    virtual void recordAboutToBeRemoved(std::size_t /*row*/) {}
    virtual void recordRemoved(std::size_t /*row*/) {}
    // The number or the fields of the record at `row` changed.
    virtual void recordChanged(std::size_t /*row*/) {}
};

// The open session of the program: the record list with stable ids, the
// current file and its modified flag, the user (with the logged-in flag) and
// the cipher keyed by the user's password, and the generator options. Views
// watch it through SessionObserver; what they select is theirs to keep (as
// record ids).
class Session {
public:
    Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // --- the record list, in list order (the order of the record file)
    const RecordList& records() const { return records_; }
    std::size_t size() const { return records_.size(); }
    RecordId idAt(std::size_t row) const { return ids_[row]; }
    std::optional<std::size_t> rowOf(RecordId id) const;
    // nullptr when no record has this id (any more).
    const Record* find(RecordId id) const;

    // Appends a record; sets the modified flag.
    RecordId add(Record record);
    // Appends the records in their order (an import); sets the modified flag
    // when there are any. Observers see a reset. Returns the id of the first
    // one, none for no records.
    std::optional<RecordId> addAll(RecordList records);
    // Gives the record new fields, keeping its number and place; sets the
    // modified flag. False when the id is gone.
    bool replaceFields(RecordId id, std::vector<std::string> fields);
    // Removes the record; sets the modified flag. False when the id is gone.
    bool remove(RecordId id);
    // The in-place number edit; sets the modified flag when the number really
    // changes. Throws vantrel::Error with a message for the user when the text
    // cannot be stored (see IsStorableRecordNumber); nothing changes then.
    void renumber(RecordId id, const std::string& number);
    // Sorts ascending by the column (0 = number, 1...6 = fields; stable) and
    // remembers it as the sort column. Changes no data: the flag stays.
    void sortBy(int column);
    int sortColumn() const { return sortColumn_; }
    // Whether the list was sorted in this run (a reload sorts it again).
    bool sorted() const { return sorted_; }
    // Sets the sort column and flag without sorting: for a list that is put
    // back in the order it had (the unlock of a locked program).
    void restoreSort(int column, bool sorted) {
        sortColumn_ = column;
        sorted_ = sorted;
    }
    // The number a new record gets (see NextRecordNumber).
    std::string nextNumber() const;
    // Replaces the whole list (a load), the old records wiped; every record
    // gets a new id. The modified flag is left alone.
    void replaceAll(RecordList records);
    // Empties the list, every record wiped (WipeRecord) before its memory is
    // given back; observers see a reset. The modified flag is left alone.
    void clearRecords();

    // --- the file
    const std::filesystem::path& currentFile() const { return currentFile_; }
    void setCurrentFile(std::filesystem::path file) { currentFile_ = std::move(file); }
    bool modified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }

    // --- the user
    // Keys record files and makes password checks. Before a login it holds the
    // program's keys and a design-time password.
    TCryptLib& cipher() { return cipher_; }
    const TCryptLib& cipher() const { return cipher_; }
    // The logged-in flag. The cipher's Tag mirrors it (0 or 1), where the
    // program's design keeps it; the session's own flag is the one that counts.
    bool loggedIn() const { return loggedIn_; }
    // Marks the user as logged in; the caller has keyed the cipher.
    void logIn(std::string userName);
    // Leaves the session as it was before any login: the list emptied and
    // wiped (clearRecords), the user name wiped, no current file, the modified
    // flag cleared, the cipher back on its design-time password (the user's
    // wiped) and the logged-in flag cleared. It asks nothing and saves nothing:
    // unsaved changes are lost unless the caller has offered to save them
    // first. The generator options, the program directory, the sort column and
    // the observers stay; record ids are still never reused. The protected
    // key is wiped and both protection flags are cleared.
    void logOut();
    const std::string& userName() const { return userName_; } // 1251 bytes

    // --- the protected form (formats/protected_file.h)
    // Whether the user's settings entry is a protected verifier: every
    // encrypted save of such a user writes the protected form.
    bool userProtected() const { return userProtected_; }
    void setUserProtected(bool isProtected) { userProtected_ = isProtected; }
    // Whether the list was read from a protected file: its saves keep that
    // form, whoever the user is.
    bool listProtected() const { return listProtected_; }
    void setListProtected(bool isProtected) { listProtected_ = isProtected; }
    // The key derived from the user's password for the protected form, kept
    // from an open (or the first protected save) for the saves after it, in
    // guarded memory; wiped at logOut and when the session goes away.
    ProtectedKeySlot& protectedKey() { return protectedKey_; }

    GeneratorOptions& generatorOptions() { return generatorOptions_; }
    const GeneratorOptions& generatorOptions() const { return generatorOptions_; }

    // --- where the settings file is
    // The folder that holds the settings file, with a trailing separator: the
    // program's own folder for a portable copy, else the user's configuration
    // folder (see SettingsFolderForThisRun).
    const std::filesystem::path& programDirectory() const { return programDirectory_; }
    void setProgramDirectory(std::filesystem::path folder) {
        programDirectory_ = std::move(folder);
    }
    std::filesystem::path settingsFile() const;

    // --- watching; an observer must be removed before it is destroyed
    void addObserver(SessionObserver* observer);
    void removeObserver(SessionObserver* observer);

private:
    template <typename Call> void notify(Call call);

    RecordList records_;
    std::vector<RecordId> ids_; // ids_[row] names records_[row]
    RecordId nextId_ = 1;
    int sortColumn_ = 0;
    bool sorted_ = false;
    std::filesystem::path currentFile_;
    bool modified_ = false;
    TCryptLib cipher_;
    bool loggedIn_ = false;
    std::string userName_;
    bool userProtected_ = false;
    bool listProtected_ = false;
    ProtectedKeySlot protectedKey_;
    GeneratorOptions generatorOptions_;
    std::filesystem::path programDirectory_;
    std::vector<SessionObserver*> observers_;
};

} // namespace vantrel
