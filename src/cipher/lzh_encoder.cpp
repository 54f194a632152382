// The encoder: one binary search tree of window strings per first byte, the
// first longest match on each search path, splaying of deep insertions. Its
// output is fixed bit for bit by these rules; the tests compare it with a plain
// reference encoder.
#include "cipher/lzh_coders.h"
#include "cipher/lzh_format.h"
#include "cipher/lzh_x86.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vantrel::lzh {

namespace {

constexpr std::uint32_t kNoNode = kWindowSize;         // empty value of every tree link
constexpr std::uint32_t kHeaderBase = kWindowSize + 1; // header of first byte c: node 4097 + c
constexpr int kSplayDepth = 30; // an insertion this deep is splayed to the top

// Coder block: the window (4096 ring bytes and 17 mirror bytes, padded to
// 4116), then 16-bit links: the left and right link of each node side by side
// (4097 nodes and 256 headers, which use only the right one), then the parent
// links (4097). Sixteen bits hold every node number, and the small block stays
// in the first-level cache, where the tree search is fastest.
constexpr int kWindowPadded = 4116; // 4113 rounded up so the links that follow are aligned
constexpr int kNodeLinks = kWindowSize + 1;
constexpr int kRightLinks = kNodeLinks + 256;
using Link = std::uint16_t;
static_assert(kCoderBlockSize == kWindowPadded + sizeof(Link) * (2 * kRightLinks + kNodeLinks));

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
// inlined into Encode, where the encoder is a local: the block pointer and
// the state of the loop stay in registers, also across the calls of the rare
// tree operations, which are passed the block pointer alone.
class Encoder {
public:
    explicit Encoder(std::uint8_t* coderBlock) : block_(coderBlock) {}

    [[gnu::always_inline]] void run(Io& io) const;

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

inline std::uint64_t Encoder::textAfterFirst(std::uint32_t n) const {
    return loadOrderedAfter9<kWindowBytes>(block_, n);
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
// longest length, and r takes p's place. That place is never deep enough for a
// splay: p ended its own insertion above the splay depth or was splayed to the
// top, and the one deletion since then moves no node down.
[[gnu::always_inline]] inline Match Encoder::takeEqualPlace(std::uint32_t p,
                                                            std::uint32_t r) const {
    replaceNode(p, r);
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

inline void Encoder::run(Io& io) const {
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
        const int byte = input.next(io);
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
    std::uint8_t group[kGroupBytes];
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
            io.put(group, groupSize);
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
    for (int byte = input.next(io); byte >= 0; byte = input.next(io)) {
        advance(byte);
        // r and the next string can be inserted side by side when they go to
        // different trees, the deletion before the second leaves r's tree
        // alone, and r differs from the string before it (see insertPair).
        const std::uint8_t first = windowByte(r);
        if (input.buffered() && first != windowByte((r + 1) & kRingMask) &&
            first != windowByte(s) && first != windowByte((r - 1) & kRingMask)) {
            advance(input.next(io));
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
    io.put(group, groupSize);
}

} // namespace

void Encode(const RunParts& parts) {
    // The Io is a local here, so that the coding loop, inlined below, reaches
    // it from the stack frame and needs no register for it.
    Io io(parts.inBuffer, parts.outBuffer, parts.read, parts.write);
    Encoder(parts.coderBlock).run(io);
    io.finish();
}

} // namespace vantrel::lzh
