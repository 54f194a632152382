#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vantrel {

// CRC-32 with the reflected table of polynomial EDB88320, register starting at
// 0 and no final inversion (so it differs from zlib's crc32):
// "abc" -> CA6598D0, "123456789" -> 2DFD2D88.
std::uint32_t Checksum32(const std::uint8_t* data, std::size_t length);

inline std::uint32_t Checksum32(std::string_view text) {
    return Checksum32(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

} // namespace vantrel
