#pragma once

#include <algorithm>
#include <cstring>
#include <string_view>

namespace vantrel {

// Splits a text into lines: a line ends at CR LF, a lone CR or a lone LF; a
// last line without a line end counts. The line ends are found by memchr, and
// the next CR and the next LF are remembered, so a text that uses only one
// kind of line end is still scanned once, not once per line.
class LineReader {
public:
    explicit LineReader(std::string_view text)
        : text_(text), nextCr_(find('\r')), nextLf_(find('\n')) {}

    // The next line without its line end; false at the end of the text.
    bool next(std::string_view& line) {
        const std::size_t size = text_.size();
        if (at_ >= size) {
            return false;
        }
        if (nextCr_ < at_) {
            nextCr_ = find('\r');
        }
        if (nextLf_ < at_) {
            nextLf_ = find('\n');
        }
        const std::size_t end = std::min({nextCr_, nextLf_, size});
        line = text_.substr(at_, end - at_);
        at_ = end + 1;
        if (end == nextCr_ && end + 1 == nextLf_) {
            ++at_; // CR LF is one line end
        }
        return true;
    }

private:
    static constexpr std::size_t kNone = std::string_view::npos;

    std::size_t find(char c) const {
        const void* found = std::memchr(text_.data() + at_, c, text_.size() - at_);
        return found ? static_cast<std::size_t>(static_cast<const char*>(found) - text_.data())
                     : kNone;
    }

    std::string_view text_;
    std::size_t at_ = 0;
    // Positions of the next CR and LF at or after at_ (kNone: there is none).
    std::size_t nextCr_;
    std::size_t nextLf_;
};

} // namespace vantrel
