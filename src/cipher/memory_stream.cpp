#include "cipher/memory_stream.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace vantrel {

std::size_t MemoryStream::read(void* buffer, std::size_t count) {
    if (position_ >= bytes_.size()) {
        return 0;
    }
    const std::size_t n = std::min(count, bytes_.size() - position_);
    std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    return n;
}

std::size_t MemoryStream::write(const void* buffer, std::size_t count) {
    if (count == 0) {
        return 0;
    }
    if (position_ + count > bytes_.size()) {
        bytes_.resize(position_ + count);
    }
    std::memcpy(bytes_.data() + position_, buffer, count);
    position_ += count;
    return count;
}

void MemoryStream::clear() {
    bytes_.clear();
    position_ = 0;
}

void MemoryStream::loadFrom(const MemoryStream& other) {
    bytes_ = other.bytes_;
    position_ = 0;
}

void MemoryStream::loadFrom(MemoryStream&& other) {
    bytes_ = std::move(other.bytes_);
    other.clear();
    position_ = 0;
}

std::string MemoryStream::takeBytes() {
    std::string out = std::move(bytes_);
    clear();
    return out;
}

} // namespace vantrel
