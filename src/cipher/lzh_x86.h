#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

// The few steps of the encoder's tree search where the compiler's own code is
// measurably slower: on x86-64 with a GNU compiler they are inline assembly,
// elsewhere (and when the build sets VANTREL_PORTABLE_CODEC) plain C++ of the
// same meaning. Both give the same results; the test suite runs both.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(VANTREL_PORTABLE_CODEC)
#define VANTREL_LZH_X86_ASSEMBLY 1
#else
#define VANTREL_LZH_X86_ASSEMBLY 0
#endif

namespace vantrel::lzh {

// Eight bytes that the encoder's reversed window holds from `bytes` downwards,
// as an ordered number: bytes[7] is the most significant.
[[gnu::always_inline]] inline std::uint64_t loadOrdered(const std::uint8_t* bytes) {
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        word = __builtin_bswap64(word);
    }
    return word;
}

// loadOrdered(base + index + 9). It sits on the longest chain of the search,
// so the address is formed in the load itself rather than by an addition;
// `span` is the size of the block at base, which the load may read.
template <std::size_t span>
[[gnu::always_inline]] inline std::uint64_t loadOrderedAfter9(const std::uint8_t* base,
                                                              std::uint32_t index) {
#if VANTREL_LZH_X86_ASSEMBLY
    std::uint64_t word;
    __asm__("movq 9(%[base], %[index]), %[word]"
            : [word] "=r"(word)
            : [base] "r"(base), [index] "r"(std::uint64_t{index}),
              "m"(*reinterpret_cast<const std::uint8_t(*)[span]>(base)));
    return word;
#else
    return loadOrdered(base + index + 9);
#endif
}

// Conditional moves for the choices of the tree code that follow no pattern
// (which child, which link): a mispredicted branch costs far more than the
// move, and compilers tend to turn such choices back into branches.
[[gnu::always_inline]] inline std::uint64_t choose(bool condition, std::uint64_t ifTrue,
                                                   std::uint64_t ifFalse) {
#if VANTREL_LZH_X86_ASSEMBLY
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
[[gnu::always_inline]] inline std::uint32_t childToward(std::uint64_t key, std::uint64_t text,
                                                        std::uint32_t leftChild,
                                                        std::uint32_t rightChild, bool& greater) {
#if VANTREL_LZH_X86_ASSEMBLY
    __asm__("cmpq %[text], %[key]\n\tcmova %[right], %[left]"
            : [left] "+r"(leftChild), "=@cca"(greater)
            : [right] "r"(rightChild), [key] "r"(key), [text] "r"(text));
    return leftChild;
#else
    greater = key > text;
    return greater ? rightChild : leftChild;
#endif
}

// Bytes 1 ... 16 of a string as two ordered words.
struct Ordered16 {
    std::uint64_t high; // bytes 1 ... 8
    std::uint64_t low;  // bytes 9 ... 16
};

// childToward for bytes 1 ... 16 as one 128-bit number: a subtraction with
// borrow compares both halves at once, without a branch on whether the high
// halves agree.
[[gnu::always_inline]] inline std::uint32_t childToward(Ordered16 key, Ordered16 text,
                                                        std::uint32_t leftChild,
                                                        std::uint32_t rightChild, bool& greater) {
#if VANTREL_LZH_X86_ASSEMBLY
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

// Keeps the first longest match met: a node replaces the best so far only
// when its rank (lower is longer) is lower. Which way this goes follows no
// pattern, so two conditional moves take it, not a branch.
[[gnu::always_inline]] inline void keepLonger(std::uint32_t node, int rank, std::uint32_t& bestNode,
                                              int& bestRank) {
#if VANTREL_LZH_X86_ASSEMBLY
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

// The index of the highest differing byte of bytes 1 ... 16 counted from
// byte 16 (15: byte 1 differs, 0: only byte 16 does), from the differences
// of the high and the low words; without a branch on which word holds it.
// Not defined when both are zero.
[[gnu::always_inline]] inline int rank16(std::uint64_t highDiffer, std::uint64_t lowDiffer) {
#if VANTREL_LZH_X86_ASSEMBLY
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

} // namespace vantrel::lzh
