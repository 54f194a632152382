#pragma once

#include <chrono>
#include <cstdint>

// The process-wide pseudo-random generator shared by the cipher and the
// password generator. The cipher's output depends on it bit for bit, so the
// recurrence is fixed: seed <- seed * 134775813 + 1 (mod 2^32), and a draw is
// the upper 32 bits of seed * range.
namespace vantrel {

namespace detail {
inline std::uint32_t randomSeed = 0;
} // namespace detail

// Advances the seed once and returns a number in 0 ... range - 1 (0 for range 0).
// A negative range given by a caller is taken as its unsigned 32-bit pattern.
inline std::uint32_t RandomBelow(std::uint32_t range) {
    detail::randomSeed = detail::randomSeed * 134775813u + 1u;
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(detail::randomSeed) * range) >>
                                      32);
}

// seed <- milliseconds since midnight, UTC.
void ReseedFromClock();

// Where ReseedFromClock reads the time: the system clock, unless a test has put
// a fixed clock in its place (nullptr puts the system clock back).
using ClockSource = std::chrono::system_clock::time_point (*)();
void SetClockSource(ClockSource source);

inline std::uint32_t RandomSeed() {
    return detail::randomSeed;
}
inline void SetRandomSeed(std::uint32_t seed) {
    detail::randomSeed = seed;
}

} // namespace vantrel
