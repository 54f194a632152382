// MB/s of LZHEncode and LZHDecode on the three generated 10 MB inputs. The
// bytes processed are the uncompressed bytes in both directions.
#include "cipher/checksum.h"
#include "cipher/lzh.h"
#include "sample_data.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

// What the callbacks read from and append to; reserved ahead so that the
// measured time is the codec's, not the growth of a string.
struct Channel {
    const std::string* source = nullptr;
    std::size_t at = 0;
    std::string sink;
};
Channel channel;

int readProc(std::uint8_t* buffer) {
    const std::size_t n =
        std::min<std::size_t>(vantrel::kLZHBufferSize, channel.source->size() - channel.at);
    std::memcpy(buffer, channel.source->data() + channel.at, n);
    channel.at += n;
    return static_cast<int>(n);
}

void writeProc(const std::uint8_t* buffer, int count) {
    channel.sink.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(count));
}

enum class Op { Encode, Decode };

void runCodec(Op op, const std::string& source) {
    channel.source = &source;
    channel.at = 0;
    channel.sink.clear();
    if (!vantrel::LZHInit()) {
        throw std::runtime_error("LZHInit failed");
    }
    if (op == Op::Encode) {
        vantrel::LZHEncode(readProc, writeProc);
    } else {
        vantrel::LZHDecode(readProc, writeProc);
    }
    vantrel::LZHDone();
}

void setInputLabel(benchmark::State& state) {
    state.SetLabel(vantrel::bench::SampleInputName(static_cast<int>(state.range(0))));
}

// Checksums of the encoded sample inputs, as the encoder has written them
// from the first: a faster encoder must write the same bytes.
constexpr std::uint32_t kEncodedChecksums[] = {0xC6B037BE, 0x648ABDB3, 0x44D02CD2};

void BM_LZHEncode(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    const std::string& data = vantrel::bench::SampleInput(which);
    channel.sink.reserve(data.size() + data.size() / 8 + 16);
    for (auto _ : state) {
        runCodec(Op::Encode, data);
        benchmark::DoNotOptimize(channel.sink.data());
    }
    if (vantrel::Checksum32(channel.sink) != kEncodedChecksums[which]) {
        state.SkipWithError("encoded bytes differ from the encoder's known output");
    }
    state.counters["ratio"] = static_cast<double>(channel.sink.size()) / data.size();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
    setInputLabel(state);
}
BENCHMARK(BM_LZHEncode)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_LZHDecode(benchmark::State& state) {
    const std::string& data = vantrel::bench::SampleInput(static_cast<int>(state.range(0)));
    runCodec(Op::Encode, data);
    const std::string packed = channel.sink;
    channel.sink.reserve(data.size());
    for (auto _ : state) {
        runCodec(Op::Decode, packed);
        benchmark::DoNotOptimize(channel.sink.data());
    }
    if (channel.sink != data) {
        state.SkipWithError("decoded bytes differ from the input");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
    setInputLabel(state);
}
BENCHMARK(BM_LZHDecode)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

} // namespace
