#pragma once

#include "cipher/lzh_io.h"

#include <cstddef>
#include <cstdint>

namespace vantrel::lzh {

// The coder block: the encoder's window, trees and links (see
// lzh_encoder.cpp); the decoder uses only its first kWindowBytes as the ring.
inline constexpr std::size_t kCoderBlockSize = 29722;

// What one run works on: the codec's memory and the two callbacks.
struct RunParts {
    std::uint8_t* coderBlock;
    std::uint8_t* inBuffer;
    std::uint8_t* outBuffer;
    const LzhCodec::Read& read;
    const LzhCodec::Write& write;
};

// The two directions, each from a coder block that the caller has zeroed as
// far as it needs (the whole block for the encoder, the window for the
// decoder) to the final write of the output.
void Encode(const RunParts& parts);
void Decode(const RunParts& parts);

} // namespace vantrel::lzh
