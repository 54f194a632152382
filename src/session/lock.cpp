#include "session/lock.h"

#include "base/error.h"
#include "formats/settings_file.h"
#include "formats/settings_names.h"
#include "session/user_entry.h"

#include <sodium.h>

#include <cstdint>
#include <vector>

namespace vantrel {

namespace {

// Bytes in libsodium's guarded memory: kept out of swap and core files, and
// wiped when given back.
class GuardedBytes {
public:
    explicit GuardedBytes(std::size_t size)
        : data_(static_cast<unsigned char*>(sodium_malloc(size == 0 ? 1 : size))), size_(size) {
        if (data_ == nullptr) {
            throw Error("Недостаточно памяти для блокировки программы");
        }
    }
    ~GuardedBytes() { sodium_free(data_); }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    unsigned char* data() { return data_; }
    const unsigned char* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    unsigned char* data_;
    std::size_t size_;
};

void initSodium() {
    if (sodium_init() < 0) {
        throw Error("Не удалось подготовить шифрование для блокировки программы");
    }
}

// The snapshot's plain layout: per record the count of its fields, then the
// number and each field as a length and the bytes (lengths as 32-bit
// little-endian). It keeps every byte of every text, which the record file's
// text (whose fields are trimmed and cannot hold a line break) would not.
constexpr std::size_t kLengthBytes = 4;

std::size_t snapshotSize(const RecordList& records) {
    std::size_t size = 0;
    for (const Record& record : records) {
        size += 2 * kLengthBytes + record.number.size();
        for (const std::string& field : record.fields) {
            size += kLengthBytes + field.size();
        }
    }
    return size;
}

class SnapshotWriter {
public:
    explicit SnapshotWriter(GuardedBytes& out) : out_(out) {}
    void length(std::size_t value) {
        if (value > UINT32_MAX) {
            throw Error("Слишком длинный текст записи для блокировки программы");
        }
        for (std::size_t i = 0; i < kLengthBytes; ++i) {
            out_.data()[at_++] = static_cast<unsigned char>(value >> (8 * i));
        }
    }
    void text(const std::string& bytes) {
        length(bytes.size());
        for (const char c : bytes) {
            out_.data()[at_++] = static_cast<unsigned char>(c);
        }
    }

private:
    GuardedBytes& out_;
    std::size_t at_ = 0;
};

class SnapshotReader {
public:
    SnapshotReader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
    bool done() const { return at_ == size_; }
    std::size_t length() {
        need(kLengthBytes);
        std::size_t value = 0;
        for (std::size_t i = 0; i < kLengthBytes; ++i) {
            value |= static_cast<std::size_t>(data_[at_++]) << (8 * i);
        }
        return value;
    }
    std::string text() {
        const std::size_t size = length();
        need(size);
        std::string bytes(reinterpret_cast<const char*>(data_ + at_), size);
        at_ += size;
        return bytes;
    }

private:
    void need(std::size_t bytes) const {
        if (size_ - at_ < bytes) {
            throw Error("Снимок заблокированного списка повреждён");
        }
    }
    const unsigned char* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

void writeSnapshot(const RecordList& records, GuardedBytes& out) {
    SnapshotWriter writer(out);
    for (const Record& record : records) {
        writer.length(record.fields.size());
        writer.text(record.number);
        for (const std::string& field : record.fields) {
            writer.text(field);
        }
    }
}

RecordList readSnapshot(const GuardedBytes& plain) {
    RecordList records;
    SnapshotReader reader(plain.data(), plain.size());
    while (!reader.done()) {
        Record record;
        const std::size_t fields = reader.length();
        record.number = reader.text();
        for (std::size_t i = 0; i < fields; ++i) {
            record.fields.push_back(reader.text());
        }
        records.push_back(std::move(record));
    }
    return records;
}

} // namespace

struct SessionLock::Sealed {
    unsigned char salt[crypto_pwhash_SALTBYTES];
    unsigned char nonce[crypto_aead_xchacha20poly1305_ietf_NPUBBYTES];
    std::vector<unsigned char> cipherText;
    std::filesystem::path currentFile;
    int sortColumn = 0;
    bool sorted = false;
    std::optional<std::size_t> selectedRow;
    // The protected form of the user and of the list: the saves after an
    // unlock keep it (the key itself is wiped and derived again).
    bool userProtected = false;
    bool listProtected = false;

    // The key of the snapshot, from the password and the salt; false when
    // Argon2id could not run (out of memory).
    bool deriveKey(const std::string& password, GuardedBytes& key) const {
        return crypto_pwhash(key.data(), key.size(), password.data(), password.size(), salt,
                             crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE,
                             crypto_pwhash_ALG_ARGON2ID13) == 0;
    }
};

SessionLock::SessionLock(Session& session) : session_(session) {}

SessionLock::~SessionLock() {
    forget();
}

void SessionLock::lock(std::optional<RecordId> selected) {
    if (locked() || !session_.loggedIn()) {
        return;
    }
    initSodium();
    auto sealed = std::make_unique<Sealed>();
    randombytes_buf(sealed->salt, sizeof sealed->salt);
    randombytes_buf(sealed->nonce, sizeof sealed->nonce);

    GuardedBytes key(crypto_aead_xchacha20poly1305_ietf_KEYBYTES);
    if (!sealed->deriveKey(session_.cipher().Password(), key)) {
        throw Error("Недостаточно памяти для блокировки программы");
    }
    GuardedBytes plain(snapshotSize(session_.records()));
    writeSnapshot(session_.records(), plain);
    sealed->cipherText.resize(plain.size() + crypto_aead_xchacha20poly1305_ietf_ABYTES);
    unsigned long long sealedSize = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(sealed->cipherText.data(), &sealedSize, plain.data(),
                                               plain.size(), nullptr, 0, nullptr, sealed->nonce,
                                               key.data());
    sealed->cipherText.resize(sealedSize);

    sealed->currentFile = session_.currentFile();
    sealed->sortColumn = session_.sortColumn();
    sealed->sorted = session_.sorted();
    sealed->userProtected = session_.userProtected();
    sealed->listProtected = session_.listProtected();
    if (selected) {
        sealed->selectedRow = session_.rowOf(*selected);
    }
    userName_ = session_.userName();
    modified_ = session_.modified();
    sealed_ = std::move(sealed);
    session_.logOut();
}

std::optional<SessionLock::Unlocked> SessionLock::unlock(const std::string& password) {
    if (!locked()) {
        return std::nullopt;
    }
    if (password.size() > TCryptLib::kMaxPasswordLength) {
        return std::nullopt;
    }
    const std::string entry = ReadSetting(kUsersSection, userName_, session_.settingsFile());
    if (entry != ReadFailureText() && !UserEntryAccepts(entry, password)) {
        return std::nullopt;
    }
    initSodium();
    GuardedBytes key(crypto_aead_xchacha20poly1305_ietf_KEYBYTES);
    if (!sealed_->deriveKey(password, key)) {
        throw Error("Недостаточно памяти для разблокировки программы");
    }
    const std::vector<unsigned char>& sealedText = sealed_->cipherText;
    GuardedBytes plain(sealedText.size() - crypto_aead_xchacha20poly1305_ietf_ABYTES);
    unsigned long long plainSize = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(plain.data(), &plainSize, nullptr,
                                                   sealedText.data(), sealedText.size(), nullptr, 0,
                                                   sealed_->nonce, key.data()) != 0) {
        return std::nullopt; // another password that the entry also takes
    }
    RecordList records = readSnapshot(plain);

    session_.cipher().SetPassword(password);
    session_.logIn(userName_);
    session_.replaceAll(std::move(records));
    session_.setCurrentFile(sealed_->currentFile);
    session_.setModified(modified_);
    session_.restoreSort(sealed_->sortColumn, sealed_->sorted);
    session_.setUserProtected(sealed_->userProtected);
    session_.setListProtected(sealed_->listProtected);
    Unlocked unlocked;
    if (sealed_->selectedRow && *sealed_->selectedRow < session_.size()) {
        unlocked.selected = session_.idAt(*sealed_->selectedRow);
    }
    forget();
    return unlocked;
}

void SessionLock::discard() {
    forget();
}

void SessionLock::forget() {
    sealed_.reset();
    userName_.clear();
    modified_ = false;
}

} // namespace vantrel
