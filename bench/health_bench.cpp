// The password report over 100 000 records and the editor's strength meter
// per keystroke.
#include "sample_data.h"

#include "formats/record_rules.h"
#include "health/password_report.h"

#include <benchmark/benchmark.h>

#include <array>
#include <string_view>

namespace vantrel::bench {
namespace {

constexpr std::size_t kRecordCount = 100000;
constexpr std::chrono::year_month_day kToday{std::chrono::year(2026), std::chrono::December,
                                             std::chrono::day(8)};

constexpr std::array<std::string_view, 24> kCommonPasswords = {
    "123456",    "password", "qwerty",   "111111",   "12345678", "iloveyou",
    "dragon",    "monkey",   "letmein",  "football", "1q2w3e4r", "qwerty123",
    "zaq12wsx",  "P@ssw0rd", "sunshine", "master",   "welcome1", "admin",
    "password1", "natasha",  "marina",   "ivanov",   "moscow",   "sveta1985"};

// The sample records with the passwords people have: seven in ten generated
// by the program's generator rules (8...12 characters of the four sets), the
// rest common words, some with a year or a number appended.
const RecordList& records() {
    static const RecordList list = [] {
        constexpr std::string_view pool =
            "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnpqrstuvwxyz23456789#%&()=@{[]}+#;-~.,";
        RecordList sample = SampleRecords(kRecordCount);
        std::uint32_t seed = 12345;
        const auto below = [&seed](std::size_t range) {
            seed = seed * 134775813u + 1u;
            return static_cast<std::size_t>((std::uint64_t{seed} * range) >> 32);
        };
        for (Record& record : sample) {
            std::string& password = record.fields[kFieldPassword];
            if (below(10) < 7) {
                password.assign(8 + below(5), ' ');
                for (char& c : password) {
                    c = pool[below(pool.size())];
                }
            } else {
                password = kCommonPasswords[below(kCommonPasswords.size())];
                if (below(3) == 0) {
                    password += std::to_string(1960 + below(60));
                }
            }
        }
        return sample;
    }();
    return list;
}

void BM_PasswordReport(benchmark::State& state) {
    const RecordList& list = records();
    for (auto _ : state) {
        PasswordReport report = BuildPasswordReport(list, kToday);
        benchmark::DoNotOptimize(report);
    }
    state.counters["records"] = static_cast<double>(list.size());
}
BENCHMARK(BM_PasswordReport)->Unit(benchmark::kMillisecond)->UseRealTime();

// The report window's rebuild after an edit: the estimates of the last build
// are in the cache, one record has a new password.
void BM_PasswordReportRebuild(benchmark::State& state) {
    RecordList list = records();
    StrengthCache cache;
    BuildPasswordReport(list, kToday, &cache);
    std::size_t edits = 0;
    for (auto _ : state) {
        list[edits % list.size()].fields[kFieldPassword] = "edited-" + std::to_string(edits);
        ++edits;
        PasswordReport report = BuildPasswordReport(list, kToday, &cache);
        benchmark::DoNotOptimize(report);
    }
}
BENCHMARK(BM_PasswordReportRebuild)->Unit(benchmark::kMillisecond)->UseRealTime();

// One estimate per keystroke while a 12-character password is typed, with the
// record's name and resource as user words: the time is per keystroke.
void BM_MeterKeystroke(benchmark::State& state) {
    const std::string typed = "hJ7(kL2=pQ9@";
    std::vector<std::string> words;
    AppendUserWords("Иванов И.И.", words);
    AppendUserWords("bank-online.example.com", words);
    std::size_t length = 0;
    for (auto _ : state) {
        length = length % typed.size() + 1;
        benchmark::DoNotOptimize(
            EstimateStrength(std::string_view(typed).substr(0, length), words));
    }
}
BENCHMARK(BM_MeterKeystroke)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace vantrel::bench
