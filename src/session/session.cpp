#include "session/session.h"

#include "base/error.h"
#include "base/secret.h"
#include "formats/program_cipher.h"
#include "formats/record_rules.h"
#include "formats/settings_file.h"

#include <algorithm>

namespace vantrel {

namespace {

// The cipher's design-time password, in place until a user logs in.
constexpr const char* kDesignTimePassword = "vantrel";

} // namespace

Session::Session() {
    ConfigureProgramCipher(cipher_, kDesignTimePassword);
}

template <typename Call> void Session::notify(Call call) {
    for (SessionObserver* observer : observers_) {
        call(*observer);
    }
}

std::optional<std::size_t> Session::rowOf(RecordId id) const {
    const auto at = std::find(ids_.begin(), ids_.end(), id);
    if (at == ids_.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(at - ids_.begin());
}

const Record* Session::find(RecordId id) const {
    const auto row = rowOf(id);
    return row ? &records_[*row] : nullptr;
}

RecordId Session::add(Record record) {
    const std::size_t row = records_.size();
    notify([row](SessionObserver& o) { o.recordAboutToBeInserted(row); });
    records_.push_back(std::move(record));
    ids_.push_back(nextId_++);
    modified_ = true;
    notify([row](SessionObserver& o) { o.recordInserted(row); });
    return ids_.back();
}

std::optional<RecordId> Session::addAll(RecordList records) {
    if (records.empty()) {
        return std::nullopt;
    }
    const RecordId first = nextId_;
    notify([](SessionObserver& o) { o.recordsAboutToBeReset(); });
    for (std::size_t i = 0; i < records.size(); ++i) {
        ids_.push_back(nextId_++);
    }
    MoveRecordsWiping(records, records_);
    modified_ = true;
    notify([](SessionObserver& o) { o.recordsReset(); });
    return first;
}

bool Session::replaceFields(RecordId id, std::vector<std::string> fields) {
    const auto row = rowOf(id);
    if (!row) {
        return false;
    }
    records_[*row].fields = std::move(fields);
    modified_ = true;
    notify([&](SessionObserver& o) { o.recordChanged(*row); });
    return true;
}

bool Session::remove(RecordId id) {
    const auto row = rowOf(id);
    if (!row) {
        return false;
    }
    notify([&](SessionObserver& o) { o.recordAboutToBeRemoved(*row); });
    const auto at = static_cast<std::ptrdiff_t>(*row);
    records_.erase(records_.begin() + at);
    ids_.erase(ids_.begin() + at);
    modified_ = true;
    notify([&](SessionObserver& o) { o.recordRemoved(*row); });
    return true;
}

void Session::renumber(RecordId id, const std::string& number) {
    const auto row = rowOf(id);
    if (!row || records_[*row].number == number) {
        return;
    }
    if (!IsStorableRecordNumber(number)) {
        throw Error("Номер записи не может начинаться с табуляции или содержать "
                    "перевод строки и другие управляющие символы");
    }
    records_[*row].number = number;
    modified_ = true;
    notify([&](SessionObserver& o) { o.recordChanged(*row); });
}

void Session::sortBy(int column) {
    sortColumn_ = column;
    sorted_ = true;
    const std::vector<std::size_t> order = SortedOrder(records_, column);
    notify([](SessionObserver& o) { o.recordsAboutToBeReset(); });
    records_ = TakeInOrder(std::move(records_), order);
    ids_ = TakeInOrder(std::move(ids_), order);
    notify([](SessionObserver& o) { o.recordsReset(); });
}

std::string Session::nextNumber() const {
    return NextRecordNumber(records_);
}

void Session::replaceAll(RecordList records) {
    notify([](SessionObserver& o) { o.recordsAboutToBeReset(); });
    for (Record& record : records_) {
        WipeRecord(record);
    }
    records_ = std::move(records);
    ids_.resize(records_.size());
    for (RecordId& id : ids_) {
        id = nextId_++;
    }
    notify([](SessionObserver& o) { o.recordsReset(); });
}

void Session::clearRecords() {
    for (Record& record : records_) {
        WipeRecord(record);
    }
    notify([](SessionObserver& o) { o.recordsAboutToBeReset(); });
    records_.clear();
    ids_.clear();
    notify([](SessionObserver& o) { o.recordsReset(); });
}

void Session::logIn(std::string userName) {
    loggedIn_ = true;
    cipher_.Tag = 1;
    WipeString(userName_);
    userName_ = std::move(userName);
}

void Session::logOut() {
    clearRecords();
    WipeString(userName_);
    currentFile_.clear();
    modified_ = false;
    cipher_.SetPassword(kDesignTimePassword);
    cipher_.WipeKey();
    loggedIn_ = false;
    cipher_.Tag = 0;
    userProtected_ = false;
    listProtected_ = false;
    protectedKey_.reset(); // sodium_free wipes it
}

std::filesystem::path Session::settingsFile() const {
    return SettingsFilePath(programDirectory_);
}

void Session::addObserver(SessionObserver* observer) {
    observers_.push_back(observer);
}

void Session::removeObserver(SessionObserver* observer) {
    std::erase(observers_, observer);
}

} // namespace vantrel
