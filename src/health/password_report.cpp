#include "health/password_report.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "formats/record_rules.h"
#include "health/breach_list.h"
#include "session/expiry.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <deque>
#include <limits>
#include <thread>
#include <unordered_map>

#include <sodium.h>

namespace vantrel {

namespace {

// What the estimate of one record depends on: its password and those of its
// name and resource words that can match in it, at their places.
struct EstimateJob {
    std::string password;
    std::vector<std::string> words;
    Strength strength;
};

std::string JobKey(const std::string& password, const std::vector<std::string>& words) {
    // Length-prefixed parts: passwords and words may hold any byte.
    std::string key = std::to_string(password.size()) + ':' + password;
    for (const std::string& word : words) {
        key += std::to_string(word.size()) + ':' + word;
    }
    return key;
}

void RunEstimates(std::vector<EstimateJob>& jobs) {
    const std::size_t threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1,
                                                        std::max<std::size_t>(jobs.size(), 1));
    std::atomic<std::size_t> next{0};
    const auto work = [&jobs, &next] {
        for (std::size_t i = next++; i < jobs.size(); i = next++) {
            jobs[i].strength = EstimateStrength(jobs[i].password, jobs[i].words);
        }
    };
    std::vector<std::jthread> helpers;
    for (std::size_t i = 1; i < threads; ++i) {
        helpers.emplace_back(work);
    }
    work();
}

constexpr std::uint32_t kNoSet = std::numeric_limits<std::uint32_t>::max();

// The distinct passwords seen, each as a set of the records that share it,
// found by a keyed 128-bit BLAKE2b hash of the password's bytes: no password
// is held, and two different ones meet with a chance below 2^-90 even among
// billions. The key is new in every run.
class PasswordSets {
public:
    struct Set {
        std::array<std::uint64_t, 2> hash;
        std::uint32_t count = 0;
        std::uint32_t number = 0; // as a reused set, once numbered; 0 when not reused
    };

    PasswordSets() {
        if (sodium_init() < 0) {
            throw Error("The hash library cannot start");
        }
        crypto_generichash_keygen(key_.data());
    }
    ~PasswordSets() { sodium_memzero(key_.data(), key_.size()); }

    // The set of the password: a new one (count 0) when it was not seen yet.
    std::uint32_t find(std::string_view password) {
        Set wanted;
        crypto_generichash(reinterpret_cast<unsigned char*>(wanted.hash.data()), sizeof wanted.hash,
                           reinterpret_cast<const unsigned char*>(password.data()), password.size(),
                           key_.data(), key_.size());
        if ((sets_.size() + 1) * 4 > slots_.size() * 3) {
            grow();
        }
        std::size_t slot = place(wanted.hash);
        for (; slots_[slot] != 0; slot = (slot + 1) & (slots_.size() - 1)) {
            if (sets_[slots_[slot] - 1].hash == wanted.hash) {
                return slots_[slot] - 1;
            }
        }
        sets_.push_back(wanted);
        slots_[slot] = static_cast<std::uint32_t>(sets_.size());
        return slots_[slot] - 1;
    }

    Set& operator[](std::uint32_t set) { return sets_[set]; }
    std::size_t size() const { return sets_.size(); }
    // No find() after this.
    void dropIndex() { std::vector<std::uint32_t>().swap(slots_); }

private:
    std::size_t place(const std::array<std::uint64_t, 2>& hash) const {
        return static_cast<std::size_t>(hash[0]) & (slots_.size() - 1);
    }
    void grow() {
        std::vector<std::uint32_t> old(std::max<std::size_t>(slots_.size() * 2, 1024));
        old.swap(slots_);
        for (const std::uint32_t entry : old) {
            if (entry != 0) {
                std::size_t slot = place(sets_[entry - 1].hash);
                while (slots_[slot] != 0) {
                    slot = (slot + 1) & (slots_.size() - 1);
                }
                slots_[slot] = entry;
            }
        }
    }

    std::array<unsigned char, crypto_generichash_KEYBYTES> key_;
    std::deque<Set> sets_;             // a deque grows without copying
    std::vector<std::uint32_t> slots_; // open addressing: set + 1, 0 when free
};

} // namespace

// Records with a password wait in a batch for their estimate: the batch's new
// estimates run in parallel, and only one batch of jobs (a password and its
// words) is held at a time. Estimates are reused from the cache, from the
// batch and from an earlier record with the same password and no words.
struct PasswordReportBuilder::State {
    static constexpr std::size_t kBatch = 4096;
    struct Waiting {
        std::uint32_t row;
        std::uint32_t set;
        std::size_t job; // kKnown: `bits` holds the estimate already
        double bits;
    };
    static constexpr std::size_t kKnown = std::numeric_limits<std::size_t>::max();

    std::chrono::year_month_day today;
    StrengthCache* cache;
    const BreachList* breaches;
    // By set, the times a breached password was seen; looked up once per set.
    std::unordered_map<std::uint32_t, std::uint32_t> timesSeenOfSet;
    PasswordSets sets;
    std::vector<std::uint32_t> setOfRow; // kNoSet for a record without a password
    std::vector<Waiting> waiting;
    std::vector<EstimateJob> jobs;
    std::unordered_map<std::string, std::size_t> jobByKey;
    std::vector<std::string> userWords;
    // By set, for passwords seen more than once: the estimate when none of the
    // record's words can match in it, which is how most records are estimated.
    // A password seen once is not worth the memory.
    std::unordered_map<std::uint32_t, double> bitsWithoutWords;

    PasswordReport report;

    ReportLines& group(ReportGroup which) { return report.groups[static_cast<std::size_t>(which)]; }

    void wait(std::uint32_t row, std::uint32_t set, const ReportFields& record) {
        userWords.clear();
        AppendUserWords(Cp1251ToUtf8(record.name), userWords);
        AppendUserWords(Cp1251ToUtf8(record.resource), userWords);
        std::string utf8 = Cp1251ToUtf8(record.password);
        std::vector<std::string> words = MaskUnusableWords(utf8, userWords);
        if (const auto known = bitsWithoutWords.find(set);
            words.empty() && known != bitsWithoutWords.end()) {
            waiting.push_back({row, set, kKnown, known->second});
            return;
        }
        std::string key = JobKey(utf8, words);
        if (cache != nullptr) {
            if (const auto found = cache->find(key); found != cache->end()) {
                waiting.push_back({row, set, kKnown, found->second.bits});
                return;
            }
        }
        const auto [job, added] = jobByKey.try_emplace(std::move(key), jobs.size());
        if (added) {
            jobs.push_back({std::move(utf8), std::move(words), {}});
        }
        waiting.push_back({row, set, job->second, 0});
    }

    void estimateBatch() {
        RunEstimates(jobs);
        for (Waiting& row : waiting) {
            if (row.job != kKnown) {
                row.bits = jobs[row.job].strength.bits;
                if (jobs[row.job].words.empty() && sets[row.set].count > 1) {
                    bitsWithoutWords.emplace(row.set, row.bits);
                }
            }
            if (row.bits < kReportWeakBelowBits) {
                ReportLine line;
                line.row = row.row;
                line.bits = row.bits;
                group(ReportGroup::Weak).push_back(line);
            }
        }
        if (cache != nullptr) {
            for (auto& [key, job] : jobByKey) {
                cache->emplace(key, jobs[job].strength);
            }
        }
        waiting.clear();
        jobs.clear();
        jobByKey.clear();
    }

    // The reused sets are numbered in the order of their first record and
    // listed set by set, each set's records in list order.
    void addReusedLines() {
        ReportLines& lines = group(ReportGroup::Reused);
        std::vector<std::uint32_t> next{0}; // by set number: where its next line goes
        for (std::uint32_t set = 0; set < sets.size(); ++set) {
            if (sets[set].count >= 2) {
                sets[set].number = static_cast<std::uint32_t>(next.size());
                next.push_back(next.back() + sets[set].count);
            }
        }
        lines.resize(next.back());
        for (std::uint32_t row = 0; row < setOfRow.size(); ++row) {
            if (setOfRow[row] == kNoSet || sets[setOfRow[row]].number == 0) {
                continue;
            }
            const PasswordSets::Set& set = sets[setOfRow[row]];
            ReportLine& line = lines[next[set.number - 1]++];
            line.row = row;
            line.reuseSet = set.number;
            line.reuseCount = set.count;
        }
    }
};

PasswordReportBuilder::PasswordReportBuilder(std::chrono::year_month_day today,
                                             StrengthCache* cache, const BreachList* breaches)
    : state_(std::make_unique<State>()) {
    state_->today = today;
    state_->cache = cache;
    state_->breaches = breaches;
    state_->report.breachesChecked = breaches != nullptr;
}

PasswordReportBuilder::~PasswordReportBuilder() = default;

std::size_t PasswordReportBuilder::recordCount() const {
    return state_->setOfRow.size();
}

void PasswordReportBuilder::add(const ReportFields& record) {
    State& state = *state_;
    if (state.setOfRow.size() >= kNoSet - 1) {
        throw Error("Too many records for the password report");
    }
    const auto row = static_cast<std::uint32_t>(state.setOfRow.size());
    ReportLine line;
    line.row = row;
    if (record.password.empty()) {
        state.setOfRow.push_back(kNoSet);
        state.group(ReportGroup::EmptyPassword).push_back(line);
    } else {
        const std::uint32_t set = state.sets.find(record.password);
        if (state.breaches != nullptr && state.sets[set].count == 0) {
            const std::uint64_t seen = state.breaches->timesSeen(record.password);
            if (seen > 0) {
                state.timesSeenOfSet.emplace(set,
                                             static_cast<std::uint32_t>(std::min<std::uint64_t>(
                                                 seen, std::numeric_limits<std::uint32_t>::max())));
            }
        }
        if (const auto seen = state.timesSeenOfSet.find(set); seen != state.timesSeenOfSet.end()) {
            ReportLine breached = line;
            breached.timesSeen = seen->second;
            state.group(ReportGroup::Breached).push_back(breached);
        }
        ++state.sets[set].count;
        state.setOfRow.push_back(set);
        state.wait(row, set, record);
        if (state.waiting.size() == State::kBatch) {
            state.estimateBatch();
        }
    }
    if (const Expiry expiry = EndDateExpiry(record.endDate, state.today);
        expiry.state == ExpiryState::Expired) {
        line.endDate = *expiry.endDate;
        state.group(ReportGroup::Expired).push_back(line);
    }
}

PasswordReport PasswordReportBuilder::finish() {
    State& state = *state_;
    state.estimateBatch();
    state.sets.dropIndex();
    state.addReusedLines();
    return std::move(state.report);
}

namespace {

struct GroupNames {
    std::string_view title;
    std::string_view key;
};
// In ReportGroup order.
constexpr GroupNames kGroupNames[] = {{"Слабые", "weak"},
                                      {"Повторяющиеся", "reused"},
                                      {"Истёкшие", "expired"},
                                      {"Пустой пароль", "empty"},
                                      {"Скомпрометированные", "breached"}};
static_assert(std::size(kGroupNames) == kReportGroupCount);

// "раз" or "раза" after a number: 2, 3, 4, 22, ... but not 12, 13, 14.
const char* TimesWord(std::uint64_t count) {
    const std::uint64_t lastTwo = count % 100;
    const std::uint64_t last = count % 10;
    return (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14)) ? "раза" : "раз";
}

} // namespace

std::string_view ReportGroupTitle(ReportGroup group) {
    return kGroupNames[static_cast<std::size_t>(group)].title;
}

std::string_view ReportGroupKey(ReportGroup group) {
    return kGroupNames[static_cast<std::size_t>(group)].key;
}

std::vector<ReportGroup> PasswordReport::shownGroups() const {
    std::vector<ReportGroup> shown(kReportGroups.begin(), kReportGroups.end());
    if (breachesChecked) {
        shown.push_back(ReportGroup::Breached);
    }
    return shown;
}

bool PasswordReport::empty() const {
    return std::all_of(groups.begin(), groups.end(),
                       [](const ReportLines& lines) { return lines.empty(); });
}

std::size_t PasswordReport::flaggedRecords(std::size_t recordCount) const {
    std::vector<bool> flagged(recordCount);
    for (const ReportLines& lines : groups) {
        for (const ReportLine& line : lines) {
            flagged[line.row] = true;
        }
    }
    return static_cast<std::size_t>(std::count(flagged.begin(), flagged.end(), true));
}

const std::string& RecordPassword(const Record& record) {
    return RecordFieldText(record, kFieldPassword);
}

PasswordReport BuildPasswordReport(const RecordList& records, std::chrono::year_month_day today,
                                   StrengthCache* cache, const BreachList* breaches) {
    PasswordReportBuilder builder(today, cache, breaches);
    for (const Record& record : records) {
        builder.add(ReportFieldsOf(record));
    }
    return builder.finish();
}

std::string ReportReason(ReportGroup group, const ReportLine& line) {
    switch (group) {
    case ReportGroup::Weak:
        return std::string(StrengthVerdict(line.strength().level)) + ", " +
               std::to_string(static_cast<long long>(std::floor(line.bits))) + " бит";
    case ReportGroup::Reused:
        return "Один пароль у записей: " + std::to_string(line.reuseCount) + " (набор " +
               std::to_string(line.reuseSet) + ")";
    case ReportGroup::Expired: {
        char date[16];
        std::snprintf(date, sizeof date, "%02u.%02u.%04d", unsigned(line.endDate.day()),
                      unsigned(line.endDate.month()), int(line.endDate.year()));
        return std::string("Срок истёк ") + date;
    }
    case ReportGroup::EmptyPassword:
        return "Пароль не задан";
    case ReportGroup::Breached:
        return "Встречается в утечках: " + std::to_string(line.timesSeen) + " " +
               TimesWord(line.timesSeen);
    }
    return {};
}

} // namespace vantrel
