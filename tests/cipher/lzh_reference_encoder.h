#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <vector>

namespace vantrel::test {

// What a reference encoding went through; the tests use it to see that an
// input really takes the rare paths (splaying, replacing an equal string).
struct ReferenceEncoderCounts {
    std::size_t replacements = 0;        // insertions that took an equal string's place
    std::size_t splays = 0;              // insertions that ended at depth 30 or deeper
    std::size_t splayedReplacements = 0; // replacements among those
    int deepest = 0;                     // greatest depth an insertion ended at
};

// The LZH encoder written plainly, step by step, the way the codec's
// algorithm goes: one binary search tree of window strings per first byte,
// the first longest match met on the search path, an equal string replaced,
// splaying of deep insertions. Written to be read, not to be fast; an oracle
// for the production encoder, whose output it must reproduce byte for byte.
class ReferenceEncoder {
public:
    static constexpr int kWindowSize = 4096;
    static constexpr int kMaxMatch = 18;
    static constexpr int kThreshold = 2;
    static constexpr int kNoNode = 4096;
    static constexpr int kStartPosition = kWindowSize - kMaxMatch; // 4078
    static constexpr int kFirstHeader = kWindowSize + 1;           // header of byte c: 4097 + c
    static constexpr int kSplayDepth = 30;

    std::vector<std::uint8_t> encode(const std::vector<std::uint8_t>& input) {
        input_ = &input;
        inputAt_ = 0;
        output_.clear();
        counts_ = {};
        // The whole coder block starts zero; then every parent link and the
        // right link of every header are emptied.
        std::fill(std::begin(window_), std::end(window_), 0);
        std::fill(std::begin(left_), std::end(left_), 0);
        std::fill(std::begin(right_), std::end(right_), 0);
        std::fill(std::begin(parent_), std::begin(parent_) + kNoNode + 1, kNoNode);
        std::fill(std::begin(right_) + kFirstHeader, std::end(right_), kNoNode);

        int s = 0;
        int r = kStartPosition;
        int len = 0;
        int byte = 0;
        while (len < kMaxMatch && nextByte(byte)) {
            window_[r + len] = static_cast<std::uint8_t>(byte);
            ++len;
        }
        if (len == 0) {
            return output_;
        }
        for (int i = 1; i <= kMaxMatch; ++i) {
            insertString(r - i);
        }
        insertString(r);

        std::vector<std::uint8_t> group{0}; // flag byte, then the tokens
        unsigned mask = 1;
        while (len > 0) {
            if (matchLength_ > len) {
                matchLength_ = len;
            }
            if (matchLength_ <= kThreshold) {
                matchLength_ = 1;
                group[0] = static_cast<std::uint8_t>(group[0] | mask);
                group.push_back(window_[r]);
            } else {
                group.push_back(static_cast<std::uint8_t>(matchPosition_ & 255));
                group.push_back(static_cast<std::uint8_t>(((matchPosition_ >> 8) << 4) |
                                                          (matchLength_ - (kThreshold + 1))));
            }
            mask <<= 1;
            if (mask == 256) {
                output_.insert(output_.end(), group.begin(), group.end());
                group = {0};
                mask = 1;
            }
            const int last = matchLength_;
            int i = 0;
            for (; i < last; ++i) {
                if (!nextByte(byte)) {
                    break;
                }
                deleteString(s);
                window_[s] = static_cast<std::uint8_t>(byte);
                if (s < kMaxMatch - 1) {
                    window_[s + kWindowSize] = static_cast<std::uint8_t>(byte); // the mirror
                }
                s = (s + 1) % kWindowSize;
                r = (r + 1) % kWindowSize;
                insertString(r);
            }
            while (i < last) { // the input has ended: the look-ahead drains
                ++i;
                deleteString(s);
                s = (s + 1) % kWindowSize;
                r = (r + 1) % kWindowSize;
                --len;
                if (len != 0) {
                    insertString(r);
                }
            }
        }
        // The last group goes out even when it holds only its flag byte.
        output_.insert(output_.end(), group.begin(), group.end());
        return output_;
    }

    const ReferenceEncoderCounts& counts() const { return counts_; }

private:
    static constexpr int kLinks = kFirstHeader + 256; // nodes, no-node and the headers

    bool nextByte(int& byte) {
        if (inputAt_ == input_->size()) {
            return false;
        }
        byte = (*input_)[inputAt_++];
        return true;
    }

    static bool isHeader(int node) { return node > kNoNode; }

    // Makes `replacement` the child of `up` that `old` was. A header has only
    // its right link.
    void replaceChild(int up, int old, int replacement) {
        if (right_[up] == old) {
            right_[up] = replacement;
        } else {
            left_[up] = replacement;
        }
    }

    void insertString(int r) {
        int p = kFirstHeader + window_[r];
        left_[r] = kNoNode;
        right_[r] = kNoNode;
        matchLength_ = 0;
        int depth = 0;
        int comparison = 1;
        bool replaced = false;
        for (;;) {
            ++depth;
            const int child = comparison >= 0 ? right_[p] : left_[p];
            if (child == kNoNode) {
                if (comparison >= 0) {
                    right_[p] = r;
                } else {
                    left_[p] = r;
                }
                parent_[r] = p;
                break;
            }
            p = child;
            int i = 1;
            while (i < kMaxMatch && window_[r + i] == window_[p + i]) {
                ++i;
            }
            comparison = i < kMaxMatch ? window_[r + i] - window_[p + i] : 0;
            if (i > matchLength_) { // only longer: the first longest match stays
                matchPosition_ = p;
                matchLength_ = i;
                if (i == kMaxMatch) { // an equal string: r takes p's place
                    ++counts_.replacements;
                    replaced = true;
                    parent_[r] = parent_[p];
                    left_[r] = left_[p];
                    right_[r] = right_[p];
                    parent_[left_[p]] = r;
                    parent_[right_[p]] = r;
                    replaceChild(parent_[p], p, r);
                    parent_[p] = kNoNode;
                    break;
                }
            }
        }
        if (depth > counts_.deepest) {
            counts_.deepest = depth;
        }
        if (depth >= kSplayDepth) {
            ++counts_.splays;
            counts_.splayedReplacements += replaced ? 1 : 0;
            splay(r);
        }
    }

    // Bottom-up splaying of x to the top of its tree.
    void splay(int x) {
        for (;;) {
            const int p = parent_[x];
            if (isHeader(p)) {
                return;
            }
            const int g = parent_[p];
            if (isHeader(g)) {
                if (left_[p] == x) {
                    left_[p] = right_[x];
                    parent_[right_[x]] = p;
                    right_[x] = p;
                } else {
                    right_[p] = left_[x];
                    parent_[left_[x]] = p;
                    left_[x] = p;
                }
                right_[g] = x;
                parent_[p] = x;
                parent_[x] = g;
                return;
            }
            const int gg = parent_[g];
            const bool gWasLeftChild = !isHeader(gg) && left_[gg] == g;
            const bool xRight = right_[p] == x;
            const bool pRight = right_[g] == p;
            if (xRight && pRight) {
                right_[g] = left_[p];
                parent_[left_[p]] = g;
                right_[p] = left_[x];
                parent_[left_[x]] = p;
                left_[p] = g;
                left_[x] = p;
                parent_[g] = p;
                parent_[p] = x;
            } else if (!xRight && !pRight) {
                left_[g] = right_[p];
                parent_[right_[p]] = g;
                left_[p] = right_[x];
                parent_[right_[x]] = p;
                right_[p] = g;
                right_[x] = p;
                parent_[g] = p;
                parent_[p] = x;
            } else if (xRight) { // p is g's left child
                left_[g] = right_[x];
                parent_[right_[x]] = g;
                right_[p] = left_[x];
                parent_[left_[x]] = p;
                right_[x] = g;
                left_[x] = p;
                parent_[p] = x;
                parent_[g] = x;
            } else { // x left of p, p right of g
                right_[g] = left_[x];
                parent_[left_[x]] = g;
                left_[p] = right_[x];
                parent_[right_[x]] = p;
                left_[x] = g;
                right_[x] = p;
                parent_[p] = x;
                parent_[g] = x;
            }
            if (gWasLeftChild) {
                left_[gg] = x;
            } else {
                right_[gg] = x;
            }
            parent_[x] = gg;
        }
    }

    void deleteString(int p) {
        if (parent_[p] == kNoNode) {
            return;
        }
        int q;
        if (right_[p] == kNoNode) {
            q = left_[p];
        } else if (left_[p] == kNoNode) {
            q = right_[p];
        } else {
            q = left_[p];
            if (right_[q] != kNoNode) {
                while (right_[q] != kNoNode) {
                    q = right_[q];
                }
                right_[parent_[q]] = left_[q];
                parent_[left_[q]] = parent_[q];
                left_[q] = left_[p];
                parent_[left_[p]] = q;
            }
            right_[q] = right_[p];
            parent_[right_[p]] = q;
        }
        parent_[q] = parent_[p];
        replaceChild(parent_[p], p, q);
        parent_[p] = kNoNode;
    }

    // 4096 ring bytes and 17 mirror bytes (window_[4096 + k] == window_[k]).
    std::uint8_t window_[kWindowSize + kMaxMatch - 1];
    // Node numbers: 0 ... 4095 window positions, 4096 no-node, 4097 ... 4352
    // the headers, which use only their right links.
    int left_[kLinks];
    int right_[kLinks];
    int parent_[kLinks];
    int matchPosition_ = 0;
    int matchLength_ = 0;
    const std::vector<std::uint8_t>* input_ = nullptr;
    std::size_t inputAt_ = 0;
    std::vector<std::uint8_t> output_;
    ReferenceEncoderCounts counts_;
};

inline std::vector<std::uint8_t> referenceEncode(const std::vector<std::uint8_t>& input,
                                                 ReferenceEncoderCounts* counts = nullptr) {
    const auto encoder = std::make_unique<ReferenceEncoder>(); // 52 KiB of links: not on the stack
    std::vector<std::uint8_t> output = encoder->encode(input);
    if (counts != nullptr) {
        *counts = encoder->counts();
    }
    return output;
}

} // namespace vantrel::test
