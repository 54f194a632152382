#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantrel {

// A growable, seekable in-memory byte stream. The bytes live in a std::string so
// that record text (1251 bytes) moves in and out without conversion.
class MemoryStream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}

    std::size_t size() const { return bytes_.size(); }
    std::size_t position() const { return position_; }
    // Any position is allowed; reading beyond the end reads nothing, writing
    // beyond it fills the gap with zero bytes.
    void setPosition(std::size_t position) { position_ = position; }

    // Reads up to `count` bytes at the position into `buffer`; returns how many
    // were read and advances the position by that number.
    std::size_t read(void* buffer, std::size_t count);
    // Writes `count` bytes at the position, overwriting and extending at the
    // end; returns `count` and advances the position.
    std::size_t write(const void* buffer, std::size_t count);
    // Empties the stream and sets the position to 0.
    void clear();
    // Replaces the whole content by the content of `other`; position 0.
    void loadFrom(const MemoryStream& other);
    void loadFrom(MemoryStream&& other);

    const std::string& bytes() const { return bytes_; }
    // Hands the content out, leaving the stream empty.
    std::string takeBytes();

private:
    std::string bytes_;
    std::size_t position_ = 0;
};

} // namespace vantrel
