#pragma once

#include "cipher/lzh.h"

#include <cstdint>
#include <functional>

namespace vantrel {

// One LZH codec: its buffers, its coder block (trees and window) and the state
// of the operation it runs. Codecs share nothing, so several can run at once,
// one per thread. The rules are those of the LZH functions in lzh.h, which
// run on a codec of their own: init() takes all the memory, encode() and
// decode() allocate nothing and reset everything they use, done() gives the
// memory back (the destructor too).
class LzhCodec {
public:
    // Fills the buffer with up to kLZHBufferSize bytes and returns how many;
    // 0 (or less) is the end of the input. As LZHReadProc.
    using Read = std::function<int(std::uint8_t* buffer)>;
    // Receives count bytes of output, as LZHWriteProc.
    using Write = std::function<void(const std::uint8_t* buffer, int count)>;

    LzhCodec() = default;
    ~LzhCodec() { done(); }
    LzhCodec(const LzhCodec&) = delete;
    LzhCodec& operator=(const LzhCodec&) = delete;

    // As LZHInit: true at once when initialised, false with nothing held when
    // memory cannot be had.
    bool init();
    // As LZHDone; does nothing while an operation runs.
    void done();

    // As LZHEncode and LZHDecode: nothing happens, and neither callback is
    // called, when the codec is not initialised or is running already (a call
    // from one of its own callbacks). An exception from a callback leaves the
    // operation and propagates; the codec stays initialised.
    void encode(const Read& read, const Write& write);
    void decode(const Read& read, const Write& write);

private:
    bool available() const { return initialized_ && !running_; }
    class Running;

    bool initialized_ = false;
    bool running_ = false;
    std::uint8_t* inBuffer_ = nullptr;
    std::uint8_t* outBuffer_ = nullptr;
    std::uint8_t* coderBlock_ = nullptr;
};

} // namespace vantrel
