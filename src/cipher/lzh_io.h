#pragma once

#include "cipher/lzh_codec.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

// The input and output of one encoding or decoding: the codec's two buffers,
// the places in them and the callbacks that fill and empty them.
namespace vantrel::lzh {

struct Io {
    Io(std::uint8_t* inBuffer, std::uint8_t* outBuffer, const LzhCodec::Read& readInput,
       const LzhCodec::Write& writeOutput)
        : in(inBuffer), out(outBuffer), read(readInput), write(writeOutput) {}

    // Refills the input buffer; false at the end of the input. A count outside
    // 0 ... kLZHBufferSize from the callback is taken as the end or as a full
    // buffer, so no later read leaves the buffer.
    [[gnu::noinline]] bool refill() {
        const int count = read(in);
        inCount = count <= 0 ? 0 : (count > kLZHBufferSize ? kLZHBufferSize : count);
        if (inCount == 0) {
            return false;
        }
        inPosition = 0;
        return true;
    }

    // The next input byte, or -1 at the end of the input.
    int next() {
        if (inPosition >= inCount && !refill()) {
            return -1;
        }
        return in[inPosition++];
    }

    [[gnu::noinline]] void flushFullOutput() {
        write(out, kLZHBufferSize);
        outCount = 0;
    }

    void put(std::uint8_t byte) {
        out[outCount++] = byte;
        if (outCount == kLZHBufferSize) {
            flushFullOutput();
        }
    }

    void put(const std::uint8_t* bytes, int count) {
        if (outCount + count < kLZHBufferSize) {
            std::memcpy(out + outCount, bytes, static_cast<std::size_t>(count));
            outCount += count;
            return;
        }
        for (int i = 0; i < count; ++i) {
            put(bytes[i]);
        }
    }

    // Hands the rest of the output (possibly nothing) to the write callback.
    void finish() { write(out, outCount); }

    std::uint8_t* const in;
    std::uint8_t* const out;
    const LzhCodec::Read& read;
    const LzhCodec::Write& write;
    // The first byte request reads.
    int inPosition = kLZHBufferSize;
    int inCount = kLZHBufferSize;
    int outCount = 0;
};

// The encoder's reading: the place in the input buffer is kept in two local
// pointers, which stay in registers, rather than in the Io.
class InputCursor {
public:
    // The next input byte, or -1 at the end of the input.
    [[gnu::always_inline]] int next(Io& io) {
        if (at_ == end_) [[unlikely]] {
            if (!io.refill()) {
                return -1;
            }
            at_ = io.in;
            end_ = at_ + io.inCount;
        }
        return *at_++;
    }
    // Whether the next byte can be had without calling the read callback.
    bool buffered() const { return at_ != end_; }

private:
    const std::uint8_t* at_ = nullptr;
    const std::uint8_t* end_ = nullptr;
};

} // namespace vantrel::lzh
