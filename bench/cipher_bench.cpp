// MB/s of the byte cipher and of the stream operations (compression on and off)
// on the three generated 10 MB inputs.
#include "cipher/crypt_lib.h"
#include "formats/program_cipher.h"
#include "sample_data.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using vantrel::MemoryStream;
using vantrel::TCryptLib;

TCryptLib makeCipher(bool compression) {
    TCryptLib cipher;
    ConfigureProgramCipher(cipher, "benchmark");
    cipher.SetCompression(compression);
    return cipher;
}

void BM_EncryptBuffer(benchmark::State& state) {
    TCryptLib cipher = makeCipher(false);
    std::string data = vantrel::bench::SampleInput(0);
    for (auto _ : state) {
        cipher.InitKey();
        for (std::size_t at = 0; at < data.size(); at += TCryptLib::kBlockSize) {
            const std::size_t n = std::min(TCryptLib::kBlockSize, data.size() - at);
            cipher.EncryptBuffer(reinterpret_cast<std::uint8_t*>(&data[at]), n);
        }
        benchmark::DoNotOptimize(data.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_EncryptBuffer)->Unit(benchmark::kMillisecond);

void BM_DecryptBuffer(benchmark::State& state) {
    TCryptLib cipher = makeCipher(false);
    const std::string& data = vantrel::bench::SampleInput(0);
    for (auto _ : state) {
        cipher.InitKey();
        cipher.AllocateWorkBuffer();
        for (std::size_t at = 0; at < data.size(); at += TCryptLib::kBlockSize) {
            const std::size_t n = std::min(TCryptLib::kBlockSize, data.size() - at);
            std::copy_n(data.data() + at, n, cipher.WorkBuffer());
            cipher.DecryptBuffer(n);
        }
        benchmark::DoNotOptimize(cipher.WorkBuffer());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_DecryptBuffer)->Unit(benchmark::kMillisecond);

void BM_EncryptStream(benchmark::State& state) {
    const bool compression = state.range(1) != 0;
    TCryptLib cipher = makeCipher(compression);
    const std::string& data = vantrel::bench::SampleInput(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        MemoryStream stream{std::string(data)};
        state.ResumeTiming();
        cipher.EncryptStream(stream);
        benchmark::DoNotOptimize(stream.bytes().data());
    }
    state.SetLabel(std::string(vantrel::bench::SampleInputName(static_cast<int>(state.range(0)))) +
                   (compression ? " compressed" : " plain"));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_EncryptStream)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(benchmark::kMillisecond);

void BM_DecryptStream(benchmark::State& state) {
    const bool compression = state.range(1) != 0;
    TCryptLib cipher = makeCipher(compression);
    const std::string& data = vantrel::bench::SampleInput(static_cast<int>(state.range(0)));
    MemoryStream encrypted{std::string(data)};
    cipher.EncryptStream(encrypted);
    for (auto _ : state) {
        state.PauseTiming();
        MemoryStream stream;
        stream.loadFrom(encrypted);
        state.ResumeTiming();
        cipher.DecryptStream(stream);
        benchmark::DoNotOptimize(stream.bytes().data());
    }
    state.SetLabel(std::string(vantrel::bench::SampleInputName(static_cast<int>(state.range(0)))) +
                   (compression ? " compressed" : " plain"));
    // Throughput in plain bytes, so both directions compare.
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_DecryptStream)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(benchmark::kMillisecond);

} // namespace
