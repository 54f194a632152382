#include "cipher/lzh.h"

#include <bit>
#include <cstddef>
#include <cstring>
#include <new>

namespace vantrel {

namespace {

// Format and tree constants.
constexpr int kWindowSize = 4096;                       // ring window; positions are 12 bits
constexpr int kMaxMatch = 18;                           // look-ahead length and longest match
constexpr int kThreshold = 2;                           // matches this short go as literals
constexpr int kStartPosition = kWindowSize - kMaxMatch; // first writing position (4078)
constexpr std::uint32_t kNoNode = kWindowSize;          // empty value of every tree link
constexpr std::uint32_t kHeaderBase = kWindowSize + 1;  // header of first byte c: node 4097 + c
constexpr int kSplayDepth = 30; // an insertion this deep is splayed to the top
constexpr unsigned kRingMask = kWindowSize - 1;

// Coder block: the window (4096 ring bytes and 17 mirror bytes, padded to
// 4116), then 16-bit links: the left and right link of each node side by side
// (4097 nodes and 256 headers, which use only the right one), then the parent
// links (4097). Sixteen bits hold every node number, and the small block stays
// in the first-level cache, where the tree search is fastest.
constexpr int kMirrorBytes = kMaxMatch - 1;
constexpr int kWindowBytes = kWindowSize + kMirrorBytes;
constexpr int kWindowPadded = 4116; // 4113 rounded up so the links that follow are aligned
constexpr int kNodeLinks = kWindowSize + 1;
constexpr int kRightLinks = kNodeLinks + 256;
using Link = std::uint16_t;
constexpr std::size_t kCoderBlockSize =
    kWindowPadded + sizeof(Link) * (2 * kRightLinks + kNodeLinks);
static_assert(kCoderBlockSize == 29722);

constexpr int kGroupBytes = 1 + 8 * 2; // flag byte and eight tokens of at most two bytes

// Output buffers flush at multiples of the window size, so the ring position
// of output byte k of any buffer is (kStartPosition + k) mod 4096.
static_assert(kLZHBufferSize % kWindowSize == 0);

struct Codec {
    bool initialized = false;
    bool running = false;
    std::uint8_t* inBuffer = nullptr;
    std::uint8_t* outBuffer = nullptr;
    std::uint8_t* coderBlock = nullptr;
    int inPosition = 0;
    int inCount = 0;
    int outCount = 0;
    LZHReadProc read = nullptr;
    LZHWriteProc write = nullptr;
    std::uint8_t group[kGroupBytes] = {};
};

Codec codec;

// Refills the input buffer; false at the end of the input. A count outside
// 0 ... kLZHBufferSize from the callback is taken as the end or as a full
// buffer, so no later read leaves the buffer.
bool refillInput() {
    const int count = codec.read(codec.inBuffer);
    codec.inCount = count <= 0 ? 0 : (count > kLZHBufferSize ? kLZHBufferSize : count);
    if (codec.inCount == 0) {
        return false;
    }
    codec.inPosition = 0;
    return true;
}

// The next input byte, or -1 at the end of the input.
inline int nextByte() {
    if (codec.inPosition >= codec.inCount && !refillInput()) {
        return -1;
    }
    return codec.inBuffer[codec.inPosition++];
}

// The encoder's reading: the place in the input buffer is kept in two local
// pointers, which stay in registers, rather than in the codec state.
class InputCursor {
public:
    // The next input byte, or -1 at the end of the input.
    int next() {
        if (at_ == end_) [[unlikely]] {
            if (!refillInput()) {
                return -1;
            }
            at_ = codec.inBuffer;
            end_ = at_ + codec.inCount;
        }
        return *at_++;
    }
    // Whether the next byte can be had without calling the read callback.
    bool buffered() const { return at_ != end_; }

private:
    const std::uint8_t* at_ = nullptr;
    const std::uint8_t* end_ = nullptr;
};

void flushFullOutput() {
    codec.write(codec.outBuffer, kLZHBufferSize);
    codec.outCount = 0;
}

inline void putByte(std::uint8_t byte) {
    codec.outBuffer[codec.outCount++] = byte;
    if (codec.outCount == kLZHBufferSize) {
        flushFullOutput();
    }
}

void putBytes(const std::uint8_t* bytes, int count) {
    if (codec.outCount + count < kLZHBufferSize) {
        std::memcpy(codec.outBuffer + codec.outCount, bytes, static_cast<std::size_t>(count));
        codec.outCount += count;
        return;
    }
    for (int i = 0; i < count; ++i) {
        putByte(bytes[i]);
    }
}

// ---------------------------------------------------------------------------
// Encoder: one binary search tree of window strings per first byte.

// The encoder keeps its window reversed, and numbers the tree node of window
// position p as n = 4095 - p: byte k (0 ... 17) of the string at p is
// reversed[n + 17 - k], where reversed[j] = window[(4112 - j) mod 4096] for j
// = 0 ... 4112 (so the 17 mirror bytes come first). Eight bytes of a string
// then lie at falling addresses, and a little-endian load gives them as a
// number whose most significant byte is the earliest: numeric order is the
// order of the strings and the first differing byte is the highest set bit,
// with no byte swap on the search path. Node numbers keep the range 0 ...
// 4095, so kNoNode and the headers stay as they are.
constexpr std::uint32_t nodeAt(std::uint32_t position) {
    return kRingMask - position; // also the position of node `position`
}
constexpr int kLastReversed = kWindowBytes - 1; // 4112: reversed index of window byte 0

// Eight bytes that the reversed window holds from `bytes` downwards, as an
// ordered number: bytes[7] is the most significant.
inline std::uint64_t loadOrdered(const std::uint8_t* bytes) {
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        word = __builtin_bswap64(word);
    }
    return word;
}

// Conditional moves for the choices of the tree code that follow no pattern
// (which child, which link): a mispredicted branch costs far more than the
// move, and compilers tend to turn such choices back into branches.
inline std::uint64_t choose(bool condition, std::uint64_t ifTrue, std::uint64_t ifFalse) {
#if defined(__x86_64__) && defined(__GNUC__)
    __asm__("testb %[condition], %[condition]\n\tcmovnz %[ifTrue], %[result]"
            : [result] "+r"(ifFalse)
            : [condition] "q"(condition), [ifTrue] "r"(ifTrue)
            : "cc");
    return ifFalse;
#else
    return condition ? ifTrue : ifFalse;
#endif
}

// The child to descend to: rightChild when key > text, else leftChild, and
// in `greater` which one. This sits on the longest chain of dependent steps
// of the search, so the comparison feeds the move directly; the flag it sets
// gives `greater` without a second comparison.
inline std::uint32_t childToward(std::uint64_t key, std::uint64_t text, std::uint32_t leftChild,
                                 std::uint32_t rightChild, bool& greater) {
#if defined(__x86_64__) && defined(__GNUC__)
    __asm__("cmpq %[text], %[key]\n\tcmova %[right], %[left]"
            : [left] "+r"(leftChild), "=@cca"(greater)
            : [right] "r"(rightChild), [key] "r"(key), [text] "r"(text));
    return leftChild;
#else
    greater = key > text;
    return greater ? rightChild : leftChild;
#endif
}

// Keeps the first longest match met: a node replaces the best so far only
// when its rank (see kRankOffset) is lower. Which way this goes follows no
// pattern, so two conditional moves take it, not a branch.
inline void keepLonger(std::uint32_t node, int rank, std::uint32_t& bestNode, int& bestRank) {
#if defined(__x86_64__) && defined(__GNUC__)
    __asm__("cmpl %[best], %[rank]\n\tcmovl %[node], %[bestNode]\n\t"
            "cmovl %[rank], %[best]"
            : [best] "+r"(bestRank), [bestNode] "+r"(bestNode)
            : [rank] "r"(rank), [node] "r"(node)
            : "cc");
#else
    if (rank < bestRank) {
        bestNode = node;
        bestRank = rank;
    }
#endif
}

// Compares bytes 9 ... 17 of two strings whose bytes 1 ... 8 agree, given by
// their places in the reversed window (byte 17 first); returns the index of
// the first differing byte (18 if none) and whether key's byte there is the
// greater.
inline int compareTail(const std::uint8_t* key, const std::uint8_t* text, bool& greater) {
    const std::uint64_t key2 = loadOrdered(key + 1);
    const std::uint64_t text2 = loadOrdered(text + 1);
    if (key2 != text2) {
        greater = key2 > text2;
        return 9 + __builtin_clzll(key2 ^ text2) / 8;
    }
    greater = key[0] > text[0];
    return key[0] != text[0] ? 17 : kMaxMatch;
}

// Bytes 1 ... 16 of a string as two ordered words.
struct Ordered16 {
    std::uint64_t high; // bytes 1 ... 8
    std::uint64_t low;  // bytes 9 ... 16
};

// childToward for bytes 1 ... 16 as one 128-bit number: a subtraction with
// borrow compares both halves at once, without a branch on whether the high
// halves agree.
inline std::uint32_t childToward(Ordered16 key, Ordered16 text, std::uint32_t leftChild,
                                 std::uint32_t rightChild, bool& greater) {
#if defined(__x86_64__) && defined(__GNUC__)
    __asm__("cmpq %[keyLow], %[textLow]\n\tsbbq %[keyHigh], %[textHigh]\n\t"
            "cmovc %[right], %[left]"
            : [left] "+r"(leftChild), "=@ccc"(greater), [textHigh] "+r"(text.high)
            : [right] "r"(rightChild), [keyLow] "r"(key.low), [textLow] "r"(text.low),
              [keyHigh] "r"(key.high));
    return leftChild;
#else
    greater = key.high > text.high || (key.high == text.high && key.low > text.low);
    return greater ? rightChild : leftChild;
#endif
}

// The index of the highest differing byte of bytes 1 ... 16 counted from
// byte 16 (15: byte 1 differs, 0: only byte 16 does), from the differences
// of the high and the low words; without a branch on which word holds it.
// Not defined when both are zero.
inline int rank16(std::uint64_t highDiffer, std::uint64_t lowDiffer) {
#if defined(__x86_64__) && defined(__GNUC__)
    std::uint64_t rank;
    std::uint64_t highRank;
    // The scan of the high word sets the zero flag when the word is zero.
    __asm__("bsrq %[low], %[rank]\n\tbsrq %[high], %[highRank]\n\t"
            "leaq 64(%[highRank]), %[highRank]\n\tcmovnzq %[highRank], %[rank]\n\t"
            "shrq $3, %[rank]"
            : [rank] "=&r"(rank), [highRank] "=&r"(highRank)
            : [low] "r"(lowDiffer), [high] "r"(highDiffer)
            : "cc");
    return static_cast<int>(rank);
#else
    return highDiffer != 0 ? 8 + (63 ^ __builtin_clzll(highDiffer)) / 8
                           : (63 ^ __builtin_clzll(lowDiffer)) / 8;
#endif
}

// Byte offsets of the parts of the coder block.
constexpr std::size_t kChildOffset = kWindowPadded;
constexpr std::size_t kParentOffset = kChildOffset + sizeof(Link) * 2 * kRightLinks;

// What an insertion found: the first longest match met on the search path.
struct Match {
    std::uint32_t node;
    int length;
};

// A match is ranked by 8 minus its length, so that lower is longer: when
// bytes 1 ... 8 differ, the rank is the index of the highest differing byte
// of the ordered words, which takes one shift of the bit index. The 16-byte
// comparison ranks bytes 9 ... 16 below bytes 1 ... 8 as well; its ranks are
// moved down by 8 to agree with these.
constexpr int kRankOffset = 8;
constexpr int kTailRanks = 8;

// One insertion's search down its tree, kept step by step so that two
// insertions into different trees can go down side by side. It holds only
// what each step needs, so that two of them fit the registers; the side r
// goes to under the last node, and the depth, are worked out at the end.
struct Walk {
    std::uint32_t r;    // the node being inserted
    std::uint64_t key1; // its bytes 1 ... 8
    std::uint64_t key2; // its bytes 9 ... 16
    std::uint32_t p;    // the node compared last (at first the header)
    std::uint32_t next; // the node to compare next, kNoNode at the end
    std::uint32_t matchNode;
    int matchRank;
};

// The encoder holds nothing but the block pointer, and its coding loop is
// inlined into LZHEncode, where the encoder is a local: the block pointer and
// the state of the loop stay in registers, also across the calls of the rare
// tree operations, which are passed the block pointer alone.
class Encoder {
public:
    explicit Encoder(std::uint8_t* coderBlock) : block_(coderBlock) {}

    [[gnu::always_inline]] void run() const;

private:
    // Every part is reached from the one block pointer, which leaves the
    // registers to the search.
    std::uint8_t* reversed() const { return block_; }
    // The string of node n in the reversed window: byte 17 first.
    const std::uint8_t* string(std::uint32_t n) const { return block_ + n; }
    std::uint8_t& windowByte(std::uint32_t position) const {
        return block_[kLastReversed - position];
    }
    // Bytes 1 ... 8 of the string of node n as an ordered word: the bytes
    // after the first, which the tree of the first byte sorts by.
    std::uint64_t textAfterFirst(std::uint32_t n) const;
    Link& left(std::uint32_t n) const { return child(n, false); }
    Link& right(std::uint32_t n) const { return child(n, true); }
    Link& parent(std::uint32_t n) const {
        return reinterpret_cast<Link*>(block_ + kParentOffset)[std::size_t{n}];
    }
    // The left or right link of node n.
    Link& child(std::uint32_t n, bool rightSide) const {
        return reinterpret_cast<Link*>(block_ + kChildOffset)[2 * std::size_t{n} + rightSide];
    }
    // The link of `up` that points to `node`; a header has only a right link,
    // so that one is looked at.
    Link& linkTo(std::uint32_t up, std::uint32_t node) const {
        return child(up, right(up) == node);
    }

    Match insertNode(std::uint32_t r, bool afterPrevious, bool longMatches) const;
    template <bool kSixteen> [[gnu::always_inline]] Match search(std::uint32_t r) const;
    Walk beginWalk(std::uint32_t r) const;
    template <bool kSixteen> void step(Walk& walk) const;
    Match endWalk(const Walk& walk, int steps) const;
    template <bool kSixteen>
    void insertPair(std::uint32_t first, std::uint32_t second, Match& firstMatch,
                    Match& secondMatch) const;
    void deleteNode(std::uint32_t p) const;
    void splay(std::uint32_t x) const;
    void replaceNode(std::uint32_t p, std::uint32_t r) const;
    Match takeEqualPlace(std::uint32_t p, std::uint32_t r) const;

    std::uint8_t* const block_;
};

// The load sits on the longest chain of the search, so its address is formed
// in the load itself rather than by a separate addition.
inline std::uint64_t Encoder::textAfterFirst(std::uint32_t n) const {
#if defined(__x86_64__) && defined(__GNUC__)
    std::uint64_t word;
    __asm__("movq 9(%[window], %[index]), %[word]"
            : [word] "=r"(word)
            : [window] "r"(block_), [index] "r"(std::uint64_t{n}),
              "m"(*reinterpret_cast<const std::uint8_t(*)[kWindowBytes]>(block_)));
    return word;
#else
    return loadOrdered(string(n) + 9);
#endif
}

// Inserts the 18-byte string of node r into the tree of its first byte and finds
// the longest match on the way; an equal string is replaced by r.
// `afterPrevious` tells that the string one place before r in the window was
// the one inserted last, as it is for every insertion of the coding loop;
// `longMatches`, that the last insertion matched more than 8 bytes.
// Insertion and deletion run once per input byte; inlined into the coding
// loop, they save the calls' register traffic. The rare splay stays out.
[[gnu::always_inline]] inline Match Encoder::insertNode(std::uint32_t r, bool afterPrevious,
                                                        bool longMatches) const {
    const std::uint32_t previous = (r + 1) & kRingMask; // one place before r
    // Byte 17 of r was stored just now; a wide load over it would wait for the
    // store to complete, so it is compared on its own, after bytes 0 ... 16.
    if (afterPrevious && std::memcmp(string(r) + 1, string(previous) + 1, kMaxMatch - 1) == 0 &&
        string(r)[0] == string(previous)[0]) {
        return takeEqualPlace(previous, r);
    }
    // Where matches are long, strings on the search path often agree in
    // bytes 1 ... 8, and a branch on that would often be mispredicted: the
    // search then compares 16 bytes at each step, at the cost of a few more
    // instructions, which elsewhere are not worth it. Both find the same.
    return longMatches ? search<true>(r) : search<false>(r);
}

template <bool kSixteen>
[[gnu::always_inline]] inline Match Encoder::search(std::uint32_t r) const {
    Walk walk = beginWalk(r);
    int steps = 0;
    for (; walk.next != kNoNode; ++steps) {
        step<kSixteen>(walk);
    }
    return endWalk(walk, steps);
}

[[gnu::always_inline]] inline Walk Encoder::beginWalk(std::uint32_t r) const {
    left(r) = kNoNode;
    right(r) = kNoNode;
    const std::uint32_t header = kHeaderBase + string(r)[kMaxMatch - 1];
    return {r, textAfterFirst(r), loadOrdered(string(r) + 1), header, right(header),
            0, kRankOffset};
}

// Compares r with the next node of its path: keeps it as the match when it is
// the first longest, takes its place when it is equal, or goes on to its child.
template <bool kSixteen> [[gnu::always_inline]] inline void Encoder::step(Walk& walk) const {
    const std::uint32_t p = walk.next;
    walk.p = p;
    const std::uint8_t* const text = string(p);
    // Both children are loaded before the comparison decides between them.
    const std::uint32_t leftChild = left(p);
    const std::uint32_t rightChild = right(p);
    const std::uint64_t text1 = textAfterFirst(p);
    int rank;
    bool greater;
    if constexpr (kSixteen) {
        const Ordered16 key16{walk.key1, walk.key2};
        const Ordered16 text16{text1, loadOrdered(text + 1)};
        walk.next = childToward(key16, text16, leftChild, rightChild, greater);
        const std::uint64_t highDiffer = key16.high ^ text16.high;
        const std::uint64_t lowDiffer = key16.low ^ text16.low;
        if ((highDiffer | lowDiffer) != 0) [[likely]] {
            rank = rank16(highDiffer, lowDiffer) - kTailRanks;
        } else {
            rank = kRankOffset - compareTail(string(walk.r), text, greater);
            walk.next = greater ? rightChild : leftChild;
        }
    } else if (text1 != walk.key1) [[likely]] {
        rank = (63 ^ __builtin_clzll(walk.key1 ^ text1)) >> 3;
        walk.next = childToward(walk.key1, text1, leftChild, rightChild, greater);
    } else {
        rank = kRankOffset - compareTail(string(walk.r), text, greater);
        walk.next = greater ? rightChild : leftChild;
    }
    keepLonger(p, rank, walk.matchNode, walk.matchRank);
    if (rank == kRankOffset - kMaxMatch) {
        replaceNode(p, walk.r);
        walk.next = kNoNode;
    }
}

// Links r under the last node of its path (unless it took an equal string's
// place) and splays it when it landed deep.
[[gnu::always_inline]] inline Match Encoder::endWalk(const Walk& walk, int steps) const {
    const int matchLength = kRankOffset - walk.matchRank;
    const bool replaced = matchLength == kMaxMatch;
    if (!replaced) {
        // The last comparison once more, for the side: an empty tree takes r
        // as the header's right child.
        bool greater = true;
        if (walk.p < kNoNode) {
            const std::uint64_t text1 = textAfterFirst(walk.p);
            if (text1 != walk.key1) {
                greater = walk.key1 > text1;
            } else {
                compareTail(string(walk.r), string(walk.p), greater);
            }
        }
        child(walk.p, greater) = walk.r;
        parent(walk.r) = walk.p;
    }
    // Depth counts from 1 directly under the header; an insertion that ended
    // by taking an equal string's place is judged by the depth of that place.
    const int depth = 1 + steps - static_cast<int>(replaced);
    if (depth >= kSplayDepth) {
        splay(walk.r);
    }
    return {walk.matchNode, matchLength};
}

// Inserts two strings whose first bytes differ, so into different trees: the
// two searches are independent, and going down side by side they overlap
// their chains of dependent loads, whose latency bounds a single search.
// Neither may be a string equal to the one inserted before it (the caller
// sees to that).
template <bool kSixteen>
[[gnu::always_inline]] inline void Encoder::insertPair(std::uint32_t first, std::uint32_t second,
                                                       Match& firstMatch,
                                                       Match& secondMatch) const {
    Walk a = beginWalk(first);
    Walk b = beginWalk(second);
    int together = 0;
    for (; (a.next != kNoNode) & (b.next != kNoNode); ++together) {
        step<kSixteen>(a);
        step<kSixteen>(b);
    }
    int stepsA = together;
    for (; a.next != kNoNode; ++stepsA) {
        step<kSixteen>(a);
    }
    int stepsB = together;
    for (; b.next != kNoNode; ++stepsB) {
        step<kSixteen>(b);
    }
    firstMatch = endWalk(a, stepsA);
    secondMatch = endWalk(b, stepsB);
}

// Inside a run of one byte the string at r equals the string of the node
// inserted just before it, p. A search for r would end at p: the tree holds
// each string once, and the strings in it do not change while they are in it
// (a node leaves before the bytes of its string are overwritten). So the
// search is skipped and its outcome taken directly: the match is p with the
// longest length, r takes p's place and is splayed when that place is as deep
// as the search would have gone.
[[gnu::always_inline]] inline Match Encoder::takeEqualPlace(std::uint32_t p,
                                                            std::uint32_t r) const {
    int depth = 1;
    for (std::uint32_t up = parent(p); up < kNoNode && depth < kSplayDepth; up = parent(up)) {
        ++depth;
    }
    replaceNode(p, r);
    if (depth >= kSplayDepth) {
        splay(r);
    }
    return {p, kMaxMatch};
}

// r takes the place of p, which holds an equal string and leaves the tree.
void Encoder::replaceNode(std::uint32_t p, std::uint32_t r) const {
    const std::uint32_t up = parent(p);
    parent(r) = up;
    left(r) = left(p);
    right(r) = right(p);
    parent(left(p)) = r;
    parent(right(p)) = r;
    linkTo(up, p) = r;
    parent(p) = kNoNode;
}

[[gnu::always_inline]] inline void Encoder::deleteNode(std::uint32_t p) const {
    const std::uint32_t up = parent(p);
    if (up == kNoNode) {
        return;
    }
    const std::uint32_t leftChild = left(p);
    const std::uint32_t rightChild = right(p);
    const bool twoChildren = (leftChild != kNoNode) & (rightChild != kNoNode);
    std::uint32_t q;
    if (twoChildren & (right(leftChild) != kNoNode)) {
        // The rightmost node of the left subtree takes p's place.
        q = right(leftChild);
        while (right(q) != kNoNode) {
            q = right(q);
        }
        const std::uint32_t qParent = parent(q);
        right(qParent) = left(q);
        parent(left(q)) = qParent;
        left(q) = leftChild;
        parent(leftChild) = q;
        right(q) = rightChild;
        parent(rightChild) = q;
    } else {
        // The only child takes p's place (or nothing does); with two children
        // the left one, which has no right child, and takes the right one
        // there. Written without branches, as the three cases come in no
        // order; surplus writes go to the unused links of kNoNode.
        q = choose(leftChild == kNoNode, rightChild, leftChild);
        right(q) = choose(twoChildren, rightChild, right(q));
        parent(choose(twoChildren, rightChild, kNoNode)) = q;
    }
    parent(q) = up;
    linkTo(up, p) = q;
    parent(p) = kNoNode;
}

// Bottom-up splaying of x to the top of its tree. Headers are the nodes above
// kNoNode; they have only a right link. `side` is the side of x under p (true:
// right); each rotation is written once for both mirror images. A moved empty
// subtree writes the parent entry of kNoNode, which is never read.
[[gnu::noinline]] void Encoder::splay(std::uint32_t x) const {
    for (;;) {
        const std::uint32_t p = parent(x);
        if (p > kNoNode) {
            return;
        }
        const bool side = right(p) == x;
        const std::uint32_t g = parent(p);
        if (g > kNoNode) { // p hangs under a header: one rotation
            child(p, side) = child(x, !side);
            parent(child(x, !side)) = p;
            child(x, !side) = p;
            right(g) = x;
            parent(p) = x;
            parent(x) = g;
            return;
        }
        const std::uint32_t gg = parent(g);
        const bool gWasLeftOfGg = gg <= kNoNode && left(gg) == g;
        if (child(g, side) == p) { // x and p on the same side: p rises first
            child(g, side) = child(p, !side);
            parent(child(p, !side)) = g;
            child(p, side) = child(x, !side);
            parent(child(x, !side)) = p;
            child(p, !side) = g;
            child(x, !side) = p;
            parent(g) = p;
            parent(p) = x;
        } else { // x rises between p and g
            child(g, !side) = child(x, side);
            parent(child(x, side)) = g;
            child(p, side) = child(x, !side);
            parent(child(x, !side)) = p;
            child(x, side) = g;
            child(x, !side) = p;
            parent(p) = x;
            parent(g) = x;
        }
        // x takes g's place.
        child(gg, !gWasLeftOfGg) = x;
        parent(x) = gg;
    }
}

inline void Encoder::run() const {
    // Every link starts empty, those of kNoNode too: deletion looks at the
    // right link of a left child that may be kNoNode, and with that link empty
    // the branch on it goes the way of the other cases with no two children,
    // where it is far better predicted. (Deletion writes to those links only
    // what they already hold.)
    for (int i = 0; i < kNodeLinks; ++i) {
        parent(i) = kNoNode;
        left(i) = kNoNode;
        right(i) = kNoNode;
    }
    for (int c = 0; c < 256; ++c) {
        right(kHeaderBase + c) = kNoNode;
    }
    InputCursor input;
    int len = 0;
    for (; len < kMaxMatch; ++len) {
        const int byte = input.next();
        if (byte < 0) {
            break;
        }
        windowByte(kStartPosition + len) = static_cast<std::uint8_t>(byte);
    }
    if (len == 0) {
        return;
    }
    // s is the oldest position, the next to be replaced; r, the current
    // one, stays kStartPosition places ahead of it.
    std::uint32_t s = 0;
    std::uint32_t r = kStartPosition;
    for (int i = 1; i <= kMaxMatch; ++i) {
        insertNode(nodeAt(r - i), false, false);
    }
    Match match = insertNode(nodeAt(r), false, false);

    // Every input byte brings one deletion and one insertion, whatever the
    // matches are; a token is written from the match of the insertion at its
    // position, and the insertions inside a match token serve only the tree.
    // So the tree work may run ahead of the tokens, and `take` is handed the
    // match of every position in order.
    std::uint8_t* const group = codec.group;
    int groupSize = 1;
    unsigned mask = 1;
    group[0] = 0;
    int covered = 0; // positions that the last token still covers
    // (Lambdas take the inlining attribute only in the GNU spelling.)
    const auto take = [&](Match found, std::uint32_t at) __attribute__((always_inline)) {
        if (covered > 0) {
            --covered;
            return;
        }
        int length = found.length > len ? len : found.length;
        if (length <= kThreshold) {
            length = 1;
            group[0] = static_cast<std::uint8_t>(group[0] | mask);
            group[groupSize++] = windowByte(at);
        } else {
            const std::uint32_t position = nodeAt(found.node);
            group[groupSize++] = static_cast<std::uint8_t>(position & 0xFF);
            group[groupSize++] =
                static_cast<std::uint8_t>(((position >> 8) << 4) | (length - (kThreshold + 1)));
        }
        covered = length - 1;
        mask <<= 1;
        if (mask == 0x100) {
            putBytes(group, groupSize);
            group[0] = 0;
            groupSize = 1;
            mask = 1;
        }
    };
    // The oldest string leaves the trees, and the new byte takes its place.
    const auto advance = [&](int byte) __attribute__((always_inline)) {
        deleteNode(nodeAt(s));
        windowByte(s) = static_cast<std::uint8_t>(byte);
        if (s < kMirrorBytes) {
            reversed()[kMirrorBytes - 1 - s] = static_cast<std::uint8_t>(byte);
        }
        s = (s + 1) & kRingMask;
        r = (s + kStartPosition) & kRingMask;
    };

    take(match, r);
    for (int byte = input.next(); byte >= 0; byte = input.next()) {
        advance(byte);
        // r and the next string can be inserted side by side when they go to
        // different trees, the deletion before the second leaves r's tree
        // alone, and r differs from the string before it (see insertPair).
        const std::uint8_t first = windowByte(r);
        if (input.buffered() && first != windowByte((r + 1) & kRingMask) &&
            first != windowByte(s) && first != windowByte((r - 1) & kRingMask)) {
            advance(input.next());
            Match firstMatch;
            if (match.length > 8) {
                insertPair<true>(nodeAt((r - 1) & kRingMask), nodeAt(r), firstMatch, match);
            } else {
                insertPair<false>(nodeAt((r - 1) & kRingMask), nodeAt(r), firstMatch, match);
            }
            take(firstMatch, (r - 1) & kRingMask);
        } else {
            match = insertNode(nodeAt(r), true, match.length > 8);
        }
        take(match, r);
    }
    // The input has ended: the look-ahead drains.
    while (--len > 0) {
        advance(windowByte(s)); // no byte comes in: the old one stays
        match = insertNode(nodeAt(r), true, match.length > 8);
        take(match, r);
    }
    // The last group goes out even when it holds only its flag byte.
    putBytes(group, groupSize);
}

// ---------------------------------------------------------------------------
// Decoder. The output buffer itself serves as the recent history: a match
// copies from earlier bytes of the buffer, and only sources older than the
// buffer's start come from the ring, which is brought up to date whenever a
// full buffer is flushed.

class Decoder {
public:
    explicit Decoder(std::uint8_t* ring) : ring_(ring), out_(codec.outBuffer) {}

    void run();

private:
    // The byte `distance` (1 ... 4096) places before output position `at`.
    std::uint8_t history(int at, int distance) const {
        return at >= distance
                   ? out_[at - distance]
                   : ring_[static_cast<unsigned>(kStartPosition + at - distance) & kRingMask];
    }
    // Distance back from output position `at` to window position `position`.
    static int distanceTo(int at, unsigned position) {
        const int distance = static_cast<int>((kStartPosition + at - position) & kRingMask);
        return distance == 0 ? kWindowSize : distance;
    }
    void flushFull();
    bool decodeGroupsFast();
    void copyMatchFast(unsigned position, int length);

    std::uint8_t* const ring_;
    std::uint8_t* const out_;
    int at_ = 0; // output count
};

// Copies the last 4096 bytes of the full buffer into the ring and hands the
// buffer to the write callback.
void Decoder::flushFull() {
    const std::uint8_t* tail = out_ + kLZHBufferSize - kWindowSize;
    std::memcpy(ring_ + kStartPosition, tail, kWindowSize - kStartPosition);
    std::memcpy(ring_, tail + (kWindowSize - kStartPosition), kStartPosition);
    codec.write(out_, kLZHBufferSize);
    at_ = 0;
}

// Room the fast path needs: a group's 144 bytes plus the overshoot of an
// eight-byte copy.
constexpr int kFastOutputRoom = 8 * kMaxMatch + 8;

void Decoder::copyMatchFast(unsigned position, int length) {
    const int distance = distanceTo(at_, position);
    std::uint8_t* const dst = out_ + at_;
    at_ += length;
    if (at_ - length < distance) { // the match starts before this buffer
        for (int k = 0; k < length; ++k) {
            dst[k] = history(at_ - length + k, distance);
        }
        return;
    }
    const std::uint8_t* const src = dst - distance;
    if (distance >= 8) {
        // Eight bytes at a time: a chunk never reads bytes it is writing, and
        // bytes written past the match are overwritten later.
        for (int k = 0; k < length; k += 8) {
            std::memcpy(dst + k, src + k, 8);
        }
    } else if (distance == 1) {
        std::memset(dst, src[0], static_cast<std::size_t>(length));
    } else {
        for (int k = 0; k < length; ++k) {
            dst[k] = src[k];
        }
    }
}

// Decodes whole groups while the input buffer holds a complete group and the
// output buffer has room for one. Returns at a group boundary.
bool Decoder::decodeGroupsFast() {
    const std::uint8_t* const in = codec.inBuffer;
    int inAt = codec.inPosition;
    const int inEnd = codec.inCount - kGroupBytes;
    bool progressed = false;
    while (inAt <= inEnd && at_ <= kLZHBufferSize - kFastOutputRoom) {
        progressed = true;
        unsigned flags = in[inAt++];
        if (flags == 0xFF) {
            std::memcpy(out_ + at_, in + inAt, 8);
            at_ += 8;
            inAt += 8;
            continue;
        }
        for (int token = 0; token < 8; ++token, flags >>= 1) {
            if (flags & 1) {
                out_[at_++] = in[inAt++];
            } else {
                const unsigned c = in[inAt];
                const unsigned d = in[inAt + 1];
                inAt += 2;
                copyMatchFast(c | ((d >> 4) << 8), static_cast<int>(d & 15) + kThreshold + 1);
            }
        }
    }
    codec.inPosition = inAt;
    return progressed;
}

void Decoder::run() {
    unsigned flags = 0;
    for (;;) {
        flags >>= 1;
        if ((flags & 0xFF00) == 0) {
            if (decodeGroupsFast()) {
                continue; // flags is 0: the next token starts a group again
            }
            const int byte = nextByte();
            if (byte < 0) {
                break;
            }
            flags = 0xFF00u | static_cast<unsigned>(byte);
        }
        const int c = nextByte();
        if (c < 0) {
            break;
        }
        if (flags & 1) {
            out_[at_++] = static_cast<std::uint8_t>(c);
            if (at_ == kLZHBufferSize) {
                flushFull();
            }
            continue;
        }
        const int d = nextByte();
        if (d < 0) {
            break;
        }
        const unsigned position = static_cast<unsigned>(c) | ((static_cast<unsigned>(d) >> 4) << 8);
        const int distance = distanceTo(at_, position);
        for (int k = (d & 15) + kThreshold + 1; k > 0; --k) {
            out_[at_] = history(at_, distance);
            if (++at_ == kLZHBufferSize) {
                flushFull();
            }
        }
    }
    codec.outCount = at_;
}

// One encoding or decoding from its resets to the final write. The running
// mark keeps the callbacks from starting or ending the codec underneath it,
// and is cleared however the run ends (a callback may throw).
class Run {
public:
    Run(LZHReadProc read, LZHWriteProc write, std::size_t clearBytes) {
        codec.inPosition = kLZHBufferSize;
        codec.inCount = kLZHBufferSize;
        codec.outCount = 0;
        std::memset(codec.coderBlock, 0, clearBytes);
        std::memset(codec.group, 0, sizeof codec.group);
        codec.read = read;
        codec.write = write;
        codec.running = true;
    }
    ~Run() { codec.running = false; }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    // Hands the rest of the output (possibly nothing) to the write callback.
    void finish() { codec.write(codec.outBuffer, codec.outCount); }
};

bool available() {
    return codec.initialized && !codec.running;
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
    return true;
}

void LZHDone() {
    if (codec.running) {
        return;
    }
    delete[] codec.inBuffer;
    delete[] codec.outBuffer;
    delete[] codec.coderBlock;
    codec.inBuffer = nullptr;
    codec.outBuffer = nullptr;
    codec.coderBlock = nullptr;
    codec.initialized = false;
}

void LZHEncode(LZHReadProc read, LZHWriteProc write) {
    if (!available()) {
        return;
    }
    Run run(read, write, kCoderBlockSize);
    Encoder(codec.coderBlock).run();
    run.finish();
}

void LZHDecode(LZHReadProc read, LZHWriteProc write) {
    if (!available()) {
        return;
    }
    Run run(read, write, kWindowBytes); // the decoder needs only a zero window
    Decoder(codec.coderBlock).run();
    run.finish();
}

} // namespace vantrel
