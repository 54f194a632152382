#include "cipher/lzh_coders.h"
#include "cipher/lzh_format.h"

#include <cstdint>
#include <cstring>

namespace vantrel::lzh {

namespace {

// The decoder. The output buffer itself serves as the recent history: a match
// copies from earlier bytes of the buffer, and only sources older than the
// buffer's start come from the ring, which is brought up to date whenever a
// full buffer is flushed.

class Decoder {
public:
    Decoder(std::uint8_t* ring, Io& io) : ring_(ring), out_(io.out), io_(io) {}

    void run();

private:
    // The byte `distance` (1 ... 4096) places before output position `at`.
    std::uint8_t history(int at, int distance) const {
        return at >= distance
                   ? out_[at - distance]
                   : ring_[static_cast<unsigned>(kStartPosition + at - distance) & kRingMask];
    }
    // Distance back from output position `at` to window position `position`.
    static int distanceTo(int at, unsigned position) {
        const int distance = static_cast<int>((kStartPosition + at - position) & kRingMask);
        return distance == 0 ? kWindowSize : distance;
    }
    void flushFull();
    bool decodeGroupsFast();
    void copyMatchFast(unsigned position, int length);

    std::uint8_t* const ring_;
    std::uint8_t* const out_;
    Io& io_;
    int at_ = 0; // output count
};

// Copies the last 4096 bytes of the full buffer into the ring and hands the
// buffer to the write callback.
void Decoder::flushFull() {
    const std::uint8_t* tail = out_ + kLZHBufferSize - kWindowSize;
    std::memcpy(ring_ + kStartPosition, tail, kWindowSize - kStartPosition);
    std::memcpy(ring_, tail + (kWindowSize - kStartPosition), kStartPosition);
    io_.write(out_, kLZHBufferSize);
    at_ = 0;
}

// Room the fast path needs: a group's 144 bytes plus the overshoot of an
// eight-byte copy.
constexpr int kFastOutputRoom = 8 * kMaxMatch + 8;

void Decoder::copyMatchFast(unsigned position, int length) {
    const int distance = distanceTo(at_, position);
    std::uint8_t* const dst = out_ + at_;
    at_ += length;
    if (at_ - length < distance) { // the match starts before this buffer
        for (int k = 0; k < length; ++k) {
            dst[k] = history(at_ - length + k, distance);
        }
        return;
    }
    const std::uint8_t* const src = dst - distance;
    if (distance >= 8) {
        // Eight bytes at a time: a chunk never reads bytes it is writing, and
        // bytes written past the match are overwritten later.
        for (int k = 0; k < length; k += 8) {
            std::memcpy(dst + k, src + k, 8);
        }
    } else if (distance == 1) {
        std::memset(dst, src[0], static_cast<std::size_t>(length));
    } else {
        for (int k = 0; k < length; ++k) {
            dst[k] = src[k];
        }
    }
}

// Decodes whole groups while the input buffer holds a complete group and the
// output buffer has room for one. Returns at a group boundary.
bool Decoder::decodeGroupsFast() {
    const std::uint8_t* const in = io_.in;
    int inAt = io_.inPosition;
    const int inEnd = io_.inCount - kGroupBytes;
    bool progressed = false;
    while (inAt <= inEnd && at_ <= kLZHBufferSize - kFastOutputRoom) {
        progressed = true;
        unsigned flags = in[inAt++];
        if (flags == 0xFF) {
            std::memcpy(out_ + at_, in + inAt, 8);
            at_ += 8;
            inAt += 8;
            continue;
        }
        for (int token = 0; token < 8; ++token, flags >>= 1) {
            if (flags & 1) {
                out_[at_++] = in[inAt++];
            } else {
                const unsigned c = in[inAt];
                const unsigned d = in[inAt + 1];
                inAt += 2;
                copyMatchFast(c | ((d >> 4) << 8), static_cast<int>(d & 15) + kThreshold + 1);
            }
        }
    }
    io_.inPosition = inAt;
    return progressed;
}

void Decoder::run() {
    unsigned flags = 0;
    for (;;) {
        flags >>= 1;
        if ((flags & 0xFF00) == 0) {
            if (decodeGroupsFast()) {
                continue; // flags is 0: the next token starts a group again
            }
            const int byte = io_.next();
            if (byte < 0) {
                break;
            }
            flags = 0xFF00u | static_cast<unsigned>(byte);
        }
        const int c = io_.next();
        if (c < 0) {
            break;
        }
        if (flags & 1) {
            out_[at_++] = static_cast<std::uint8_t>(c);
            if (at_ == kLZHBufferSize) {
                flushFull();
            }
            continue;
        }
        const int d = io_.next();
        if (d < 0) {
            break;
        }
        const unsigned position = static_cast<unsigned>(c) | ((static_cast<unsigned>(d) >> 4) << 8);
        const int distance = distanceTo(at_, position);
        for (int k = (d & 15) + kThreshold + 1; k > 0; --k) {
            out_[at_] = history(at_, distance);
            if (++at_ == kLZHBufferSize) {
                flushFull();
            }
        }
    }
    io_.outCount = at_;
}

} // namespace

void Decode(const RunParts& parts) {
    Io io(parts.inBuffer, parts.outBuffer, parts.read, parts.write);
    Decoder(parts.coderBlock, io).run();
    io.finish();
}

} // namespace vantrel::lzh
