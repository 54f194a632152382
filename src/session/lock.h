#pragma once

#include "session/session.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

// Locking the open session: the record list, unsaved changes included, is kept
// only as a snapshot sealed under the user's password (Argon2id and
// XChaCha20-Poly1305, libsodium), and the session is emptied as at a log-out.
// Unlocking takes the password again, tests it against the user's entry in the
// settings file and puts back the list exactly as it was.
namespace vantrel {

// UTF-8 texts of the unlock.
inline constexpr const char* kWrongUnlockPasswordMessage =
    "Неверный пароль. Программа остаётся заблокированной.";
inline constexpr const char* kQuitWhileLockedQuestion =
    "В заблокированном списке есть несохранённые изменения. При выходе они будут "
    "потеряны.\rРазблокировать программу, чтобы сохранить их?";

class SessionLock {
public:
    explicit SessionLock(Session& session);
    ~SessionLock();
    SessionLock(const SessionLock&) = delete;
    SessionLock& operator=(const SessionLock&) = delete;

    bool locked() const { return sealed_ != nullptr; }
    // The user who locked (1251 bytes); empty while unlocked.
    const std::string& userName() const { return userName_; }
    // Whether the locked list has unsaved changes.
    bool modified() const { return modified_; }

    // Seals the list of a logged-in session under the password its cipher
    // holds, remembers the current file, the modified flag, the sort and the
    // row of `selected`, then logs the session out (every record, the user
    // name and the password wiped). Does nothing when nobody is logged in or
    // it is locked already. Throws vantrel::Error when libsodium fails; the
    // session is untouched then.
    void lock(std::optional<RecordId> selected);

    struct Unlocked {
        // The record that was selected, under its new id.
        std::optional<RecordId> selected;
    };
    // Tests `password` (1251 bytes) against the user's entry in the settings
    // file (UserEntryAccepts; a user without an entry, the unnamed one of
    // this run, is tested by the snapshot alone) and opens the snapshot with
    // it. On success the session is logged in again with the list, the file,
    // the modified flag, the sort and the selected record as they were;
    // nullopt for a wrong password (nothing changes, it stays locked).
    std::optional<Unlocked> unlock(const std::string& password);

    // Forgets the snapshot (the user ends the program without unlocking).
    void discard();

private:
    struct Sealed;
    void forget();

    Session& session_;
    std::unique_ptr<Sealed> sealed_;
    std::string userName_;
    bool modified_ = false;
};

} // namespace vantrel
