// Arbitrary bytes into LZHDecode. Besides memory safety (the sanitizers), it
// checks the decoder against a byte-at-a-time rendering of the format, the
// encoder byte for byte against a plain step-by-step rendering of its
// algorithm (on both the raw input and the decoded output, which is rich in
// repeats), and that encoding round-trips both.
#include "cipher/lzh.h"
#include "cipher/lzh_reference.h"
#include "cipher/lzh_reference_encoder.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes* source = nullptr;
std::size_t sourceAt = 0;
std::size_t chunk = vantrel::kLZHBufferSize;
Bytes sink;

int readProc(std::uint8_t* buffer) {
    const std::size_t n = std::min(chunk, source->size() - sourceAt);
    std::copy_n(source->begin() + static_cast<std::ptrdiff_t>(sourceAt), n, buffer);
    sourceAt += n;
    return static_cast<int>(n);
}

void writeProc(const std::uint8_t* buffer, int count) {
    sink.insert(sink.end(), buffer, buffer + count);
}

// Runs one operation over `input`, delivered `readSize` bytes per read call.
// The codec stays initialised between runs (each run resets its own state),
// which spares the fuzzer two large allocations per run.
Bytes run(bool encoding, const Bytes& input, std::size_t readSize) {
    source = &input;
    sourceAt = 0;
    chunk = readSize;
    sink.clear();
    if (!vantrel::LZHInit()) {
        std::abort();
    }
    if (encoding) {
        vantrel::LZHEncode(readProc, writeProc);
    } else {
        vantrel::LZHDecode(readProc, writeProc);
    }
    return sink;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Bytes input(data, data + size);
    // Short reads make tokens straddle read calls.
    const std::size_t readSize = size == 0 ? 1 : 1 + data[0] % 97;

    const Bytes decoded = run(false, input, readSize);
    if (decoded != vantrel::test::referenceDecode(input)) {
        std::abort();
    }
    const Bytes packedDecoded = run(true, decoded, readSize);
    if (packedDecoded != vantrel::test::referenceEncode(decoded)) {
        std::abort();
    }
    if (run(false, packedDecoded, vantrel::kLZHBufferSize) != decoded) {
        std::abort();
    }
    const Bytes packedInput = run(true, input, vantrel::kLZHBufferSize);
    if (packedInput != vantrel::test::referenceEncode(input)) {
        std::abort();
    }
    if (run(false, packedInput, readSize) != input) {
        std::abort();
    }
    return 0;
}
