#include "cipher/lzh_codec.h"

#include "cipher/lzh_coders.h"
#include "cipher/lzh_format.h"

#include <cstring>
#include <new>

namespace vantrel {

// One encoding or decoding from its resets to the final write. The running
// mark keeps the callbacks from starting or ending the codec underneath it,
// and is cleared however the run ends (a callback may throw).
class LzhCodec::Running {
public:
    Running(LzhCodec& codec, std::size_t clearBytes) : codec_(codec) {
        std::memset(codec.coderBlock_, 0, clearBytes);
        codec.running_ = true;
    }
    ~Running() { codec_.running_ = false; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

private:
    LzhCodec& codec_;
};

bool LzhCodec::init() {
    if (initialized_) {
        return true;
    }
    initialized_ = true;
    inBuffer_ = new (std::nothrow) std::uint8_t[kLZHBufferSize];
    if (inBuffer_ != nullptr) {
        outBuffer_ = new (std::nothrow) std::uint8_t[kLZHBufferSize];
    }
    if (outBuffer_ != nullptr) {
        coderBlock_ = new (std::nothrow) std::uint8_t[lzh::kCoderBlockSize];
    }
    if (coderBlock_ == nullptr) {
        done();
        return false;
    }
    return true;
}

void LzhCodec::done() {
    if (running_) {
        return;
    }
    delete[] inBuffer_;
    delete[] outBuffer_;
    delete[] coderBlock_;
    inBuffer_ = nullptr;
    outBuffer_ = nullptr;
    coderBlock_ = nullptr;
    initialized_ = false;
}

void LzhCodec::encode(const Read& read, const Write& write) {
    if (!available()) {
        return;
    }
    const Running running(*this, lzh::kCoderBlockSize);
    lzh::Encode({coderBlock_, inBuffer_, outBuffer_, read, write});
}

void LzhCodec::decode(const Read& read, const Write& write) {
    if (!available()) {
        return;
    }
    const Running running(*this, lzh::kWindowBytes); // the decoder needs only a zero window
    lzh::Decode({coderBlock_, inBuffer_, outBuffer_, read, write});
}

} // namespace vantrel
