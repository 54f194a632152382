// The search field's filter over 100 000 sample records: what one keystroke
// costs in the record rule (the list's proxy model calls it once per record).
#include "sample_data.h"

#include "session/record_search.h"

#include <benchmark/benchmark.h>

#include <array>

namespace vantrel::bench {
namespace {

constexpr std::size_t kRecordCount = 100000;

// 0 a Latin text most records lack, 1 a Cyrillic text in other letter case,
// 2 one frequent letter (most records match early), 3 a text outside 1251.
constexpr std::array<const char*, 4> kTexts = {"zq", "ПАРОЛ", "a", "\u4e00"};

void BM_SearchRecords(benchmark::State& state) {
    static const RecordList records = SampleRecords(kRecordCount);
    const RecordSearch search(kTexts[static_cast<std::size_t>(state.range(0))]);
    std::size_t shown = 0;
    for (auto _ : state) {
        shown = 0;
        for (const Record& record : records) {
            shown += search.matches(record) ? 1 : 0;
        }
        benchmark::DoNotOptimize(shown);
    }
    state.counters["records"] = static_cast<double>(kRecordCount);
    state.counters["shown"] = static_cast<double>(shown);
}
BENCHMARK(BM_SearchRecords)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace vantrel::bench
