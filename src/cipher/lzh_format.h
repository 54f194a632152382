#pragma once

#include "cipher/lzh.h"

#include <cstdint>

// The constants of the compressed format that both directions of the codec
// share; see lzh.h for the format itself.
namespace vantrel::lzh {

inline constexpr int kWindowSize = 4096;                       // ring window; 12-bit positions
inline constexpr int kMaxMatch = 18;                           // look-ahead and longest match
inline constexpr int kThreshold = 2;                           // matches this short go as literals
inline constexpr int kStartPosition = kWindowSize - kMaxMatch; // first writing position (4078)
inline constexpr unsigned kRingMask = kWindowSize - 1;
inline constexpr int kMirrorBytes = kMaxMatch - 1;
inline constexpr int kWindowBytes = kWindowSize + kMirrorBytes; // ring and the encoder's mirror
inline constexpr int kGroupBytes = 1 + 8 * 2; // flag byte and eight tokens of at most two bytes

// Output buffers flush at multiples of the window size, so the ring position
// of output byte k of any buffer is (kStartPosition + k) mod 4096.
static_assert(kLZHBufferSize % kWindowSize == 0);

} // namespace vantrel::lzh
