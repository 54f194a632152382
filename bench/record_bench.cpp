// The record text layout and the whole save/open path of an encrypted record
// file, on 100 000 sample records (about 10 MB of text).
#include "sample_data.h"

#include "cipher/crypt_lib.h"
#include "formats/program_cipher.h"
#include "formats/record_file.h"
#include "formats/record_rules.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <stdlib.h>

namespace vantrel::bench {
namespace {

constexpr std::size_t kRecordCount = 100000;

const RecordList& records() {
    static const RecordList list = SampleRecords(kRecordCount);
    return list;
}

const std::string& recordText() {
    static const std::string text = FormatRecordText(records());
    return text;
}

// A record file in a fresh temporary folder, removed at exit.
const std::filesystem::path& benchFile() {
    static const std::filesystem::path file = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vantrel-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        static const std::filesystem::path folder = pattern;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        });
        return folder / "records.vtr";
    }();
    return file;
}

TCryptLib userCipher() {
    TCryptLib cipher;
    ConfigureProgramCipher(cipher, "benchmark");
    return cipher;
}

void textBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * recordText().size()));
    state.counters["records"] = static_cast<double>(kRecordCount);
}

void BM_FormatRecordText(benchmark::State& state) {
    records();
    for (auto _ : state) {
        std::string text = FormatRecordText(records());
        benchmark::DoNotOptimize(text.data());
    }
    textBytes(state);
}
BENCHMARK(BM_FormatRecordText)->Unit(benchmark::kMillisecond);

void BM_ParseRecordText(benchmark::State& state) {
    recordText();
    for (auto _ : state) {
        RecordList list = ParseRecordText(recordText());
        benchmark::DoNotOptimize(list.data());
        state.PauseTiming(); // giving the list back is not part of parsing
        RecordList().swap(list);
        state.ResumeTiming();
    }
    textBytes(state);
}
BENCHMARK(BM_ParseRecordText)->Unit(benchmark::kMillisecond);

void BM_SaveRecordFileEncrypted(benchmark::State& state) {
    records();
    TCryptLib cipher = userCipher();
    for (auto _ : state) {
        WriteRecordFile(benchFile(), RecordFileKind::Encrypted, cipher, records());
    }
    textBytes(state);
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(benchFile()));
}
BENCHMARK(BM_SaveRecordFileEncrypted)->Unit(benchmark::kMillisecond);

void BM_LoadRecordFileEncrypted(benchmark::State& state) {
    TCryptLib cipher = userCipher();
    WriteRecordFile(benchFile(), RecordFileKind::Encrypted, cipher, records());
    for (auto _ : state) {
        RecordList list = ReadRecordFile(benchFile(), RecordFileKind::Encrypted, cipher).records;
        benchmark::DoNotOptimize(list.data());
    }
    textBytes(state);
}
BENCHMARK(BM_LoadRecordFileEncrypted)->Unit(benchmark::kMillisecond);

// The protected form: a save once the key exists (derived at the open or the
// first save, kept by the session), and an open that derives the key as the
// first open of a run does (Argon2id, 3 passes, 64 MiB) or finds it kept.
void BM_SaveRecordFileProtected(benchmark::State& state) {
    records();
    TCryptLib cipher = userCipher();
    ProtectedKeySlot key = ProtectedKey::Fresh(cipher.Password());
    for (auto _ : state) {
        WriteRecordFile(benchFile(), RecordFileKind::Protected, cipher, records(), key);
    }
    textBytes(state);
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(benchFile()));
}
BENCHMARK(BM_SaveRecordFileProtected)->Unit(benchmark::kMillisecond);

void BM_LoadRecordFileProtected(benchmark::State& state) {
    const bool keyKept = state.range(0) != 0;
    TCryptLib cipher = userCipher();
    ProtectedKeySlot key;
    WriteRecordFile(benchFile(), RecordFileKind::Protected, cipher, records(), key);
    for (auto _ : state) {
        ProtectedKeySlot fresh;
        RecordList list =
            ReadRecordFile(benchFile(), RecordFileKind::Encrypted, cipher, keyKept ? key : fresh)
                .records;
        benchmark::DoNotOptimize(list.data());
    }
    textBytes(state);
}
BENCHMARK(BM_LoadRecordFileProtected)
    ->ArgName("key_kept")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

void BM_SaveRecordFilePlain(benchmark::State& state) {
    records();
    TCryptLib unkeyed; // plain text is not encrypted
    for (auto _ : state) {
        WriteRecordFile(benchFile(), RecordFileKind::PlainText, unkeyed, records());
    }
    textBytes(state);
}
BENCHMARK(BM_SaveRecordFilePlain)->Unit(benchmark::kMillisecond);

// The sort order of 100 000 records by each column (0 = number, 1 ... 6 the
// fields); 7 is the name column with every name behind the same 40 bytes of
// Cyrillic text, the worst case of a byte comparison.
void BM_SortedOrder(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    static const RecordList sharedPrefix = [] {
        RecordList list = records();
        const std::string prefix(40, '\xC0');
        for (Record& record : list) {
            record.fields[kFieldName].insert(0, prefix);
        }
        return list;
    }();
    const RecordList& list = which == 7 ? sharedPrefix : records();
    const int column = which == 7 ? kFieldName + 1 : which;
    for (auto _ : state) {
        std::vector<std::size_t> order = SortedOrder(list, column);
        benchmark::DoNotOptimize(order.data());
    }
    state.counters["records"] = static_cast<double>(list.size());
}
BENCHMARK(BM_SortedOrder)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace vantrel::bench
