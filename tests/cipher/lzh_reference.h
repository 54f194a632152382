#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantrel::test {

// The decoder exactly as the format defines it, one byte at a time; an oracle
// for the production decoder, which works in blocks.
inline std::vector<std::uint8_t> referenceDecode(const std::vector<std::uint8_t>& input) {
    std::uint8_t window[4096] = {};
    unsigned r = 4078;
    unsigned flags = 0;
    std::size_t at = 0;
    std::vector<std::uint8_t> out;
    for (;;) {
        flags >>= 1;
        if ((flags & 0xFF00) == 0) {
            if (at == input.size()) {
                break;
            }
            flags = 0xFF00u | input[at++];
        }
        if (at == input.size()) {
            break;
        }
        const unsigned c = input[at++];
        if (flags & 1) {
            window[r] = static_cast<std::uint8_t>(c);
            r = (r + 1) & 4095;
            out.push_back(static_cast<std::uint8_t>(c));
            continue;
        }
        if (at == input.size()) {
            break;
        }
        const unsigned d = input[at++];
        for (unsigned k = 0, position = c + 256 * (d >> 4); k < (d & 15) + 3; ++k, ++position) {
            window[r] = window[position & 4095];
            out.push_back(window[r]);
            r = (r + 1) & 4095;
        }
    }
    return out;
}

} // namespace vantrel::test
