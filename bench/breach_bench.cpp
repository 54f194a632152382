// Looking passwords up in a list of breached passwords of a few gigabytes: a
// binary search over the mapped file, never a scan. The list is made at the
// first run in the temporary folder (VANTREL_BREACH_LIST_MB megabytes,
// default 3072) and kept there for the next runs.
#include "health/breach_list.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace vantrel::bench {
namespace {

namespace fs = std::filesystem;

// "SHA1HEX:COUNT\r\n" with a count of up to six digits: 50 bytes at most.
constexpr std::uint64_t kLineBytes = 49;

std::uint64_t Mix(std::uint64_t value) { // splitmix64
    value += 0x9E3779B97F4A7C15ull;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

struct GeneratedList {
    fs::path path;
    std::uint64_t lines = 0;

    // The hash of line `i`: the first 16 digits grow with i (so the list is
    // sorted), the other 24 come from i.
    std::string hash(std::uint64_t i) const {
        char text[48];
        const std::uint64_t step = UINT64_MAX / lines;
        std::snprintf(text, sizeof text, "%016llX%016llX%08llX",
                      static_cast<unsigned long long>(i * step),
                      static_cast<unsigned long long>(Mix(i)),
                      static_cast<unsigned long long>(Mix(~i) >> 32));
        return text;
    }
};

const GeneratedList& List() {
    static const GeneratedList list = [] {
        const char* megabytes = std::getenv("VANTREL_BREACH_LIST_MB");
        const std::uint64_t bytes =
            (megabytes != nullptr ? std::strtoull(megabytes, nullptr, 10) : 3072) << 20;
        GeneratedList made;
        made.lines = std::max<std::uint64_t>(bytes / kLineBytes, 1);
        made.path = fs::temp_directory_path() /
                    ("vantrel-breach-list-" + std::to_string(made.lines) + ".txt");
        if (fs::exists(made.path)) {
            return made;
        }
        const fs::path partial = made.path.string() + ".partial";
        {
            std::ofstream out(partial, std::ios::binary | std::ios::trunc);
            std::string buffer;
            for (std::uint64_t i = 0; i < made.lines; ++i) {
                buffer += made.hash(i);
                buffer += ':';
                buffer += std::to_string(Mix(i * 7) % 999999 + 1);
                buffer += "\r\n";
                if (buffer.size() >= (1u << 20)) {
                    out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
                    buffer.clear();
                }
            }
            out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
            if (!out.flush()) {
                throw std::runtime_error("cannot write " + partial.string());
            }
        }
        fs::rename(partial, made.path);
        return made;
    }();
    return list;
}

// One lookup of a hash; range(0) 1: a hash on the list, 0: one between lines.
void BM_BreachLookupHash(benchmark::State& state) {
    const GeneratedList& list = List();
    const BreachList breaches(list.path);
    const bool present = state.range(0) == 1;
    std::uint64_t i = 0;
    std::uint64_t found = 0;
    for (auto _ : state) {
        std::string hash = list.hash(Mix(i++) % list.lines);
        if (!present) {
            hash.back() = hash.back() == '0' ? '1' : '0';
        }
        found += breaches.timesSeenHash(hash) > 0 ? 1 : 0;
    }
    state.counters["found"] = static_cast<double>(found);
    state.counters["listGB"] = static_cast<double>(fs::file_size(list.path)) / (1u << 30);
}
BENCHMARK(BM_BreachLookupHash)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// What the report does for 100 000 records: the SHA-1 of each password and
// its lookup.
void BM_BreachReportPasswords(benchmark::State& state) {
    const BreachList breaches(List().path);
    constexpr int kPasswords = 100000;
    for (auto _ : state) {
        std::uint64_t found = 0;
        for (int i = 0; i < kPasswords; ++i) {
            found += breaches.timesSeen("password-" + std::to_string(i)) > 0 ? 1 : 0;
        }
        benchmark::DoNotOptimize(found);
    }
    state.counters["passwords"] = kPasswords;
}
BENCHMARK(BM_BreachReportPasswords)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
} // namespace vantrel::bench
