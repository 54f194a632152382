#pragma once

#include <cstdint>

// LZH: the LZSS-type codec of encrypted record files.
//
// Format: groups of one flag byte and up to eight tokens; flag bit k (least
// significant first) is 1 for a literal byte, 0 for a two-byte match
// (position = b1 + 256 * (b2 >> 4) in a 4096-byte ring window, length =
// (b2 & 15) + 3). The window starts zero-filled with the writing position at
// 4078. No header, no length, no end marker; when the token count is a multiple
// of eight the encoder writes one final flag byte 0x00. Empty input gives empty
// output. The output of the encoder is fixed bit for bit by its match-finding
// rules (binary trees per first byte, first longest match on the search path,
// splaying of deep insertions).
//
// These functions run on one codec per thread (the codec as an object is
// LzhCodec, cipher/lzh_codec.h, which has no state outside itself): call
// LZHInit, then one LZHEncode or LZHDecode, then LZHDone. All memory is taken
// by LZHInit (two kLZHBufferSize buffers and a 29722-byte coder block);
// LZHEncode and LZHDecode allocate nothing.
namespace vantrel {

inline constexpr int kLZHBufferSize = 262144;

// Fills the buffer (kLZHBufferSize bytes) with up to kLZHBufferSize input bytes
// and returns how many; 0 means the input has ended (and must stay 0 when called
// again). A negative count is taken as the end, one above kLZHBufferSize as
// kLZHBufferSize.
using LZHReadProc = int (*)(std::uint8_t* buffer);

// Receives count bytes of output: kLZHBufferSize each time the output buffer
// fills, and once at the end of the operation with the rest (possibly 0).
using LZHWriteProc = void (*)(const std::uint8_t* buffer, int count);

// Allocates the input buffer, the output buffer and the coder block. Returns
// true at once when already initialised; false (with nothing held) when memory
// cannot be had.
bool LZHInit();

// Releases whatever LZHInit holds and clears the initialised flag.
void LZHDone();

// Compresses everything `read` delivers into `write`. Does nothing, and calls
// neither callback, when the codec is not initialised.
void LZHEncode(LZHReadProc read, LZHWriteProc write);

// Expands any byte sequence: it never reads or writes outside its buffers, and
// input that ends inside a token simply ends the output there. Does nothing,
// and calls neither callback, when the codec is not initialised.
void LZHDecode(LZHReadProc read, LZHWriteProc write);

// While an operation runs, calls of LZHEncode, LZHDecode and LZHDone from its
// callbacks do nothing. An exception thrown by a callback leaves the operation
// and propagates; the codec stays initialised and ready for the next one.

} // namespace vantrel
