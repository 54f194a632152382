#include "health/password_report.h"

#include "base/cp1251.h"
#include "formats/record_rules.h"
#include "session/expiry.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <thread>
#include <unordered_map>

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

// The estimate of every record with a password; rows without one keep the
// default (VeryWeak, 0 bits) and are not read. The records are taken in
// batches whose new estimates run in parallel and then go into `known`, so
// only one batch of jobs (their words and the password) is held at a time.
std::vector<Strength> EstimateRecords(const RecordList& records, StrengthCache* cache) {
    constexpr std::size_t kBatch = 4096;
    StrengthCache local;
    StrengthCache& known = cache != nullptr ? *cache : local; // by JobKey(password, words)
    std::vector<Strength> strengths(records.size());
    std::vector<EstimateJob> jobs;
    std::unordered_map<std::string, std::size_t> jobByKey;
    std::vector<std::pair<std::size_t, std::size_t>> rowJobs; // (row, job) of this batch
    std::vector<std::string> userWords;
    for (std::size_t first = 0; first < records.size(); first += kBatch) {
        const std::size_t end = std::min(records.size(), first + kBatch);
        for (std::size_t row = first; row < end; ++row) {
            const std::string& password = RecordPassword(records[row]);
            if (password.empty()) {
                continue;
            }
            userWords.clear();
            AppendUserWords(Cp1251ToUtf8(RecordFieldText(records[row], kFieldName)), userWords);
            AppendUserWords(Cp1251ToUtf8(RecordFieldText(records[row], kFieldResource)), userWords);
            std::string utf8 = Cp1251ToUtf8(password);
            std::vector<std::string> words = MaskUnusableWords(utf8, userWords);
            std::string key = JobKey(utf8, words);
            if (const auto found = known.find(key); found != known.end()) {
                strengths[row] = found->second;
                continue;
            }
            const auto [job, added] = jobByKey.try_emplace(std::move(key), jobs.size());
            if (added) {
                jobs.push_back({std::move(utf8), std::move(words), {}});
            }
            rowJobs.emplace_back(row, job->second);
        }
        RunEstimates(jobs);
        for (const auto& [row, job] : rowJobs) {
            strengths[row] = jobs[job].strength;
        }
        for (auto& [key, job] : jobByKey) {
            known.emplace(key, jobs[job].strength);
        }
        jobs.clear();
        jobByKey.clear();
        rowJobs.clear();
    }
    return strengths;
}

void AddReusedSets(const RecordList& records, std::vector<ReportLine>& lines) {
    std::unordered_map<std::string_view, std::size_t> setOfPassword;
    std::vector<std::vector<std::size_t>> sets; // in the order of their first record
    for (std::size_t row = 0; row < records.size(); ++row) {
        const std::string& password = RecordPassword(records[row]);
        if (password.empty()) {
            continue;
        }
        const auto [found, added] = setOfPassword.try_emplace(password, sets.size());
        if (added) {
            sets.emplace_back();
        }
        sets[found->second].push_back(row);
    }
    std::size_t number = 0;
    for (const std::vector<std::size_t>& rows : sets) {
        if (rows.size() < 2) {
            continue;
        }
        ++number;
        for (const std::size_t row : rows) {
            ReportLine line;
            line.row = row;
            line.reuseSet = number;
            line.reuseCount = rows.size();
            lines.push_back(line);
        }
    }
}

struct GroupNames {
    std::string_view title;
    std::string_view key;
};
// In kReportGroups order.
constexpr GroupNames kGroupNames[] = {{"Слабые", "weak"},
                                      {"Повторяющиеся", "reused"},
                                      {"Истёкшие", "expired"},
                                      {"Пустой пароль", "empty"}};

} // namespace

std::string_view ReportGroupTitle(ReportGroup group) {
    return kGroupNames[static_cast<std::size_t>(group)].title;
}

std::string_view ReportGroupKey(ReportGroup group) {
    return kGroupNames[static_cast<std::size_t>(group)].key;
}

bool PasswordReport::empty() const {
    return std::all_of(groups.begin(), groups.end(),
                       [](const std::vector<ReportLine>& lines) { return lines.empty(); });
}

std::size_t PasswordReport::flaggedRecords(std::size_t recordCount) const {
    std::vector<bool> flagged(recordCount);
    for (const std::vector<ReportLine>& lines : groups) {
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
                                   StrengthCache* cache) {
    PasswordReport report;
    const auto group = [&report](ReportGroup which) -> std::vector<ReportLine>& {
        return report.groups[static_cast<std::size_t>(which)];
    };
    const std::vector<Strength> strengths = EstimateRecords(records, cache);
    for (std::size_t row = 0; row < records.size(); ++row) {
        ReportLine line;
        line.row = row;
        if (RecordPassword(records[row]).empty()) {
            group(ReportGroup::EmptyPassword).push_back(line);
        } else if (strengths[row].bits < kReportWeakBelowBits) {
            line.strength = strengths[row];
            group(ReportGroup::Weak).push_back(line);
        }
    }
    AddReusedSets(records, group(ReportGroup::Reused));
    for (std::size_t row = 0; row < records.size(); ++row) {
        const Expiry expiry = RecordExpiry(records[row], today);
        if (expiry.state == ExpiryState::Expired) {
            ReportLine line;
            line.row = row;
            line.endDate = *expiry.endDate;
            group(ReportGroup::Expired).push_back(line);
        }
    }
    return report;
}

std::string ReportReason(ReportGroup group, const ReportLine& line) {
    switch (group) {
    case ReportGroup::Weak:
        return std::string(StrengthVerdict(line.strength.level)) + ", " +
               std::to_string(static_cast<long long>(std::floor(line.strength.bits))) + " бит";
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
    }
    return {};
}

} // namespace vantrel
