#include "cipher/lzh.h"

#include <cstring>
#include <new>

namespace vantrel {

namespace {

// Format and tree constants.
constexpr int kWindowSize = 4096;                       // ring window; positions are 12 bits
constexpr int kMaxMatch = 18;                           // look-ahead length and longest match
constexpr int kThreshold = 2;                           // matches this short go as literals
constexpr int kNoNode = kWindowSize;                    // empty value of every tree link
constexpr int kStartPosition = kWindowSize - kMaxMatch; // first writing position (4078)
constexpr int kHeaderBase = kWindowSize + 1;            // header of first byte c is node 4097 + c
constexpr int kSplayDepth = 30;                         // insertions this deep are splayed

// Coder block layout: window (4096 ring bytes + 17 mirror bytes, padded to
// 4116), left links (4097), right links (4097 nodes + 256 headers), parent
// links (4097), all 32-bit.
constexpr int kMirrorBytes = kMaxMatch - 1;
constexpr int kWindowBytes = kWindowSize + kMirrorBytes;
constexpr int kWindowPadded = 4116;
constexpr int kNodeLinks = kWindowSize + 1;
constexpr int kRightLinks = kNodeLinks + 256;
constexpr std::size_t kCoderBlockSize =
    kWindowPadded + sizeof(std::uint32_t) * (kNodeLinks + kRightLinks + kNodeLinks);
static_assert(kCoderBlockSize == 54304);

constexpr int kGroupBytes = 17; // flag byte + eight tokens of at most two bytes

struct Codec {
    bool initialized = false;
    std::uint8_t* inBuffer = nullptr;
    std::uint8_t* outBuffer = nullptr;
    std::uint8_t* coderBlock = nullptr;
    int inPosition = 0;
    int inCount = 0;
    int outCount = 0;
    LZHReadProc read = nullptr;
    LZHWriteProc write = nullptr;

    // Views into the coder block.
    std::uint8_t* window = nullptr;
    std::uint32_t* left = nullptr;
    std::uint32_t* right = nullptr;
    std::uint32_t* parent = nullptr;

    int matchPosition = 0;
    int matchLength = 0;
    int depth = 0;
    std::uint8_t group[kGroupBytes] = {};
};

Codec codec;

// Returns the next input byte, or -1 at the end of the input.
int nextByte() {
    if (codec.inPosition >= codec.inCount) {
        int count = codec.read(codec.inBuffer);
        if (count > kLZHBufferSize) {
            count = kLZHBufferSize;
        }
        codec.inCount = count > 0 ? count : 0;
        if (codec.inCount == 0) {
            return -1;
        }
        codec.inPosition = 0;
    }
    return codec.inBuffer[codec.inPosition++];
}

void putByte(std::uint8_t byte) {
    codec.outBuffer[codec.outCount++] = byte;
    if (codec.outCount == kLZHBufferSize) {
        codec.write(codec.outBuffer, kLZHBufferSize);
        codec.outCount = 0;
    }
}

void startRun(LZHReadProc read, LZHWriteProc write, std::size_t clearBytes) {
    codec.inPosition = kLZHBufferSize;
    codec.inCount = kLZHBufferSize;
    codec.outCount = 0;
    codec.matchPosition = 0;
    codec.matchLength = 0;
    codec.depth = 0;
    std::memset(codec.coderBlock, 0, clearBytes);
    std::memset(codec.group, 0, sizeof codec.group);
    codec.read = read;
    codec.write = write;
}

void splay(std::uint32_t x) {
    std::uint32_t* left = codec.left;
    std::uint32_t* right = codec.right;
    std::uint32_t* parent = codec.parent;
    for (;;) {
        const std::uint32_t p = parent[x];
        if (p > kNoNode) {
            return;
        }
        const std::uint32_t g = parent[p];
        if (g > kNoNode) {
            if (left[p] == x) {
                left[p] = right[x];
                parent[right[x]] = p;
                right[x] = p;
            } else {
                right[p] = left[x];
                parent[left[x]] = p;
                left[x] = p;
            }
            right[g] = x;
            parent[p] = x;
            parent[x] = g;
            return;
        }
        const std::uint32_t gg = parent[g];
        if (left[p] == x) {
            if (left[g] == p) {
                left[g] = right[p];
                parent[right[p]] = g;
                left[p] = right[x];
                parent[right[x]] = p;
                right[p] = g;
                right[x] = p;
                parent[g] = p;
                parent[p] = x;
            } else {
                right[g] = left[x];
                parent[left[x]] = g;
                left[p] = right[x];
                parent[right[x]] = p;
                left[x] = g;
                right[x] = p;
                parent[p] = x;
                parent[g] = x;
            }
        } else {
            if (right[g] == p) {
                right[g] = left[p];
                parent[left[p]] = g;
                right[p] = left[x];
                parent[left[x]] = p;
                left[p] = g;
                left[x] = p;
                parent[g] = p;
                parent[p] = x;
            } else {
                left[g] = right[x];
                parent[right[x]] = g;
                right[p] = left[x];
                parent[left[x]] = p;
                right[x] = g;
                left[x] = p;
                parent[p] = x;
                parent[g] = x;
            }
        }
        if (gg > kNoNode || left[gg] != g) {
            right[gg] = x;
        } else {
            left[gg] = x;
        }
        parent[x] = gg;
    }
}

void insertNode(std::uint32_t r) {
    std::uint8_t* window = codec.window;
    std::uint32_t* left = codec.left;
    std::uint32_t* right = codec.right;
    std::uint32_t* parent = codec.parent;
    const std::uint8_t* key = window + r;
    std::uint32_t p = kHeaderBase + key[0];
    int cmp = 1;
    left[r] = right[r] = kNoNode;
    codec.matchLength = 0;
    codec.depth = 0;
    for (;;) {
        ++codec.depth;
        if (cmp >= 0) {
            if (right[p] == kNoNode) {
                right[p] = r;
                parent[r] = p;
                break;
            }
            p = right[p];
        } else {
            if (left[p] == kNoNode) {
                left[p] = r;
                parent[r] = p;
                break;
            }
            p = left[p];
        }
        int i = 1;
        for (; i < kMaxMatch; ++i) {
            cmp = key[i] - window[p + i];
            if (cmp != 0) {
                break;
            }
        }
        if (i > codec.matchLength) {
            codec.matchPosition = static_cast<int>(p);
            codec.matchLength = i;
            if (i == kMaxMatch) {
                const std::uint32_t up = parent[p];
                parent[r] = up;
                left[r] = left[p];
                right[r] = right[p];
                parent[left[p]] = r;
                parent[right[p]] = r;
                if (right[up] == p) {
                    right[up] = r;
                } else {
                    left[up] = r;
                }
                parent[p] = kNoNode;
                break;
            }
        }
    }
    if (codec.depth >= kSplayDepth) {
        splay(r);
    }
}

void deleteNode(std::uint32_t p) {
    std::uint32_t* left = codec.left;
    std::uint32_t* right = codec.right;
    std::uint32_t* parent = codec.parent;
    if (parent[p] == kNoNode) {
        return;
    }
    std::uint32_t q;
    if (right[p] == kNoNode) {
        q = left[p];
    } else if (left[p] == kNoNode) {
        q = right[p];
    } else {
        q = left[p];
        if (right[q] != kNoNode) {
            do {
                q = right[q];
            } while (right[q] != kNoNode);
            right[parent[q]] = left[q];
            parent[left[q]] = parent[q];
            left[q] = left[p];
            parent[left[p]] = q;
        }
        right[q] = right[p];
        parent[right[p]] = q;
    }
    const std::uint32_t up = parent[p];
    parent[q] = up;
    if (right[up] == p) {
        right[up] = q;
    } else {
        left[up] = q;
    }
    parent[p] = kNoNode;
}

void encode() {
    for (int i = 0; i < kNodeLinks; ++i) {
        codec.parent[i] = kNoNode;
    }
    for (int c = 0; c < 256; ++c) {
        codec.right[kHeaderBase + c] = kNoNode;
    }
    std::uint8_t* window = codec.window;
    int len = 0;
    for (; len < kMaxMatch; ++len) {
        const int byte = nextByte();
        if (byte < 0) {
            break;
        }
        window[kStartPosition + len] = static_cast<std::uint8_t>(byte);
    }
    if (len == 0) {
        return;
    }
    std::uint32_t s = 0;
    std::uint32_t r = kStartPosition;
    for (int i = 1; i <= kMaxMatch; ++i) {
        insertNode(r - i);
    }
    insertNode(r);

    std::uint8_t* group = codec.group;
    int groupSize = 1;
    std::uint8_t mask = 1;
    group[0] = 0;
    while (len > 0) {
        if (codec.matchLength > len) {
            codec.matchLength = len;
        }
        if (codec.matchLength <= kThreshold) {
            codec.matchLength = 1;
            group[0] |= mask;
            group[groupSize++] = window[r];
        } else {
            group[groupSize++] = static_cast<std::uint8_t>(codec.matchPosition & 0xFF);
            group[groupSize++] = static_cast<std::uint8_t>(((codec.matchPosition >> 8) << 4) |
                                                           (codec.matchLength - (kThreshold + 1)));
        }
        mask = static_cast<std::uint8_t>(mask << 1);
        if (mask == 0) {
            for (int i = 0; i < groupSize; ++i) {
                putByte(group[i]);
            }
            group[0] = 0;
            groupSize = 1;
            mask = 1;
        }
        const int last = codec.matchLength;
        int i = 0;
        for (; i < last; ++i) {
            const int byte = nextByte();
            if (byte < 0) {
                break;
            }
            deleteNode(s);
            window[s] = static_cast<std::uint8_t>(byte);
            if (s < kMirrorBytes) {
                window[s + kWindowSize] = static_cast<std::uint8_t>(byte);
            }
            s = (s + 1) & (kWindowSize - 1);
            r = (r + 1) & (kWindowSize - 1);
            insertNode(r);
        }
        while (i < last) {
            ++i;
            deleteNode(s);
            s = (s + 1) & (kWindowSize - 1);
            r = (r + 1) & (kWindowSize - 1);
            if (--len != 0) {
                insertNode(r);
            }
        }
    }
    for (int i = 0; i < groupSize; ++i) {
        putByte(group[i]);
    }
}

void decode() {
    std::uint8_t* window = codec.window;
    int r = kStartPosition;
    unsigned flags = 0;
    for (;;) {
        flags >>= 1;
        if ((flags & 0xFF00) == 0) {
            const int byte = nextByte();
            if (byte < 0) {
                return;
            }
            flags = 0xFF00u | static_cast<unsigned>(byte);
        }
        const int c = nextByte();
        if (c < 0) {
            return;
        }
        if (flags & 1) {
            window[r] = static_cast<std::uint8_t>(c);
            r = (r + 1) & (kWindowSize - 1);
            putByte(static_cast<std::uint8_t>(c));
            continue;
        }
        const int d = nextByte();
        if (d < 0) {
            return;
        }
        int position = c + 256 * (d >> 4);
        const int length = (d & 15) + kThreshold + 1;
        for (int k = 0; k < length; ++k) {
            const std::uint8_t b = window[position & (kWindowSize - 1)];
            window[r] = b;
            r = (r + 1) & (kWindowSize - 1);
            putByte(b);
            ++position;
        }
    }
}

} // namespace

bool LZHInit() {
    if (codec.initialized) {
        return true;
    }
    codec.initialized = true;
    codec.inBuffer = new (std::nothrow) std::uint8_t[kLZHBufferSize];
    if (codec.inBuffer != nullptr) {
        codec.outBuffer = new (std::nothrow) std::uint8_t[kLZHBufferSize];
    }
    if (codec.outBuffer != nullptr) {
        codec.coderBlock = new (std::nothrow) std::uint8_t[kCoderBlockSize];
    }
    if (codec.coderBlock == nullptr) {
        LZHDone();
        return false;
    }
    codec.window = codec.coderBlock;
    codec.left = reinterpret_cast<std::uint32_t*>(codec.coderBlock + kWindowPadded);
    codec.right = codec.left + kNodeLinks;
    codec.parent = codec.right + kRightLinks;
    return true;
}

void LZHDone() {
    delete[] codec.inBuffer;
    delete[] codec.outBuffer;
    delete[] codec.coderBlock;
    codec.inBuffer = nullptr;
    codec.outBuffer = nullptr;
    codec.coderBlock = nullptr;
    codec.window = nullptr;
    codec.left = codec.right = codec.parent = nullptr;
    codec.initialized = false;
}

void LZHEncode(LZHReadProc read, LZHWriteProc write) {
    if (!codec.initialized) {
        return;
    }
    startRun(read, write, kCoderBlockSize);
    encode();
    codec.write(codec.outBuffer, codec.outCount);
}

void LZHDecode(LZHReadProc read, LZHWriteProc write) {
    if (!codec.initialized) {
        return;
    }
    startRun(read, write, kWindowBytes);
    decode();
    codec.write(codec.outBuffer, codec.outCount);
}

} // namespace vantrel
