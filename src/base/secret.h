#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

// Password material in memory: overwritten before its memory is given back.
namespace vantrel {

// Overwrites every byte of the string's buffer (its spare capacity included)
// and leaves it empty.
void WipeString(std::string& bytes);
// Overwrites `size` bytes at `data` (a buffer on the stack, say) in a way the
// compiler cannot leave out.
void WipeBytes(void* data, std::size_t size);
// Appends `more` to `held`; when the buffer must grow, the old one is wiped
// before it is given back, so that a growing secret leaves no copies behind.
void AppendSecret(std::string& held, std::string_view more);

// A string that is wiped when it goes away. Not copyable, so that no unwiped
// copy is made by accident; the holder reaches the bytes through value().
class SecretString {
public:
    SecretString() = default;
    explicit SecretString(std::string bytes) : bytes_(std::move(bytes)) {}
    SecretString(SecretString&& other) noexcept : bytes_(std::move(other.bytes_)) {
        WipeString(other.bytes_); // a short string is copied, not moved
    }
    SecretString& operator=(SecretString&& other) noexcept {
        WipeString(bytes_);
        bytes_ = std::move(other.bytes_);
        WipeString(other.bytes_);
        return *this;
    }
    SecretString(const SecretString&) = delete;
    SecretString& operator=(const SecretString&) = delete;
    ~SecretString() { WipeString(bytes_); }

    std::string& value() { return bytes_; }
    const std::string& value() const { return bytes_; }

private:
    std::string bytes_;
};

} // namespace vantrel
