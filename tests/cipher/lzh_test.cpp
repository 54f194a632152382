#include "cipher/lzh.h"

#include "cipher/checksum.h"
#include "cipher/lzh_reference.h"
#include "cipher/lzh_reference_encoder.h"
#include "support/sanitizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace vantrel {
namespace {

// The comparisons with the reference encoder run on all their data in the
// normal build. Under the sanitizers, where the plain reference is slow and
// the whole suite runs on every CI run, they leave out their largest inputs;
// every kind of input and every rare path is still compared there.
#ifdef VANTREL_ADDRESS_SANITIZER
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

using Bytes = std::vector<std::uint8_t>;

// The callbacks are plain function pointers, so the data they move lives here.
struct Channel {
    Bytes input;
    std::size_t inputAt = 0;
    std::size_t chunk = kLZHBufferSize; // most bytes one read call delivers
    int readCalls = 0;
    Bytes output;
    std::vector<int> writeCounts;
};
Channel channel;

int readProc(std::uint8_t* buffer) {
    ++channel.readCalls;
    const std::size_t n = std::min(channel.chunk, channel.input.size() - channel.inputAt);
    std::copy_n(channel.input.begin() + static_cast<std::ptrdiff_t>(channel.inputAt), n, buffer);
    channel.inputAt += n;
    return static_cast<int>(n);
}

void writeProc(const std::uint8_t* buffer, int count) {
    channel.writeCounts.push_back(count);
    channel.output.insert(channel.output.end(), buffer, buffer + count);
}

enum class Op { Encode, Decode };

Bytes run(Op op, const Bytes& input, std::size_t chunk = kLZHBufferSize) {
    channel = Channel{};
    channel.input = input;
    channel.chunk = chunk;
    EXPECT_TRUE(LZHInit());
    if (op == Op::Encode) {
        LZHEncode(readProc, writeProc);
    } else {
        LZHDecode(readProc, writeProc);
    }
    LZHDone();
    return channel.output;
}

Bytes encode(const Bytes& input) {
    return run(Op::Encode, input);
}
Bytes decode(const Bytes& input) {
    return run(Op::Decode, input);
}

Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// Deterministic pseudo-random numbers (a fixed LCG) for the generated inputs.
struct Lcg {
    std::uint32_t state;
    std::uint32_t next() {
        state = state * 1103515245u + 12345u;
        return state >> 8;
    }
};

Bytes randomBytes(std::size_t size, std::uint32_t seed) {
    Lcg lcg{seed};
    Bytes data(size);
    for (auto& byte : data) {
        byte = static_cast<std::uint8_t>(lcg.next());
    }
    return data;
}

// Bytes from a four-letter alphabet: countless strings share long prefixes, so
// the trees grow deep and insertions are splayed.
Bytes smallAlphabet(std::size_t size, std::uint32_t seed) {
    Lcg lcg{seed};
    Bytes data(size);
    for (auto& byte : data) {
        byte = static_cast<std::uint8_t>('a' + lcg.next() % 4);
    }
    return data;
}

Bytes periodic(std::size_t size, std::size_t period) {
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i) {
        const std::size_t k = i % period;
        data[i] = static_cast<std::uint8_t>((k * k * 7 + k / 3) & 0xFF);
    }
    return data;
}

// Runs of one byte with pseudo-random lengths (1 ... 600) and values.
Bytes runs(std::size_t size, std::uint32_t seed) {
    Lcg lcg{seed};
    Bytes data;
    while (data.size() < size) {
        const std::size_t length = 1 + lcg.next() % 600;
        const auto value = static_cast<std::uint8_t>(lcg.next() % 5);
        data.insert(data.end(), std::min(length, size - data.size()), value);
    }
    return data;
}

// Eight-digit counter lines, each block of `block` lines written twice: the
// sorted insertions grow deep trees, and the second copies find their equal
// strings deep down, so replacing insertions are splayed as well.
Bytes counterLines(std::size_t size, int block) {
    std::string text;
    for (int base = 0; text.size() < size; base += block) {
        std::string lines;
        for (int n = base; n < base + block; ++n) {
            const std::string digits = std::to_string(n);
            lines += std::string(8 - digits.size(), '0') + digits + "\r\n";
        }
        text += lines + lines;
    }
    text.resize(size);
    return bytesOf(text);
}

// Text laid out like a record file: a number line and TAB-prefixed fields.
Bytes recordText(std::size_t size, std::uint32_t seed) {
    static const char* const kNames[] = {"ivanov", "petrova",          "admin", "sidorov",
                                         "mail",   "\xCC\xE0\xF8\xE0", "root",  "guest"};
    static const char* const kHosts[] = {"mail.example.org", "bank.example.com",
                                         "\xF1\xE5\xF0\xE2\xE5\xF0", "ftp.example.net",
                                         "vpn.office.local"};
    Lcg lcg{seed};
    std::string text;
    for (int number = 1; text.size() < size; ++number) {
        text += std::to_string(number) + "\r\n\t";
        text += kNames[lcg.next() % 8];
        text += std::to_string(lcg.next() % 100) + "\r\n\t";
        for (int k = 0, n = 6 + static_cast<int>(lcg.next() % 10); k < n; ++k) {
            text += static_cast<char>(33 + lcg.next() % 94);
        }
        text += "\r\n\t";
        text += kHosts[lcg.next() % 5];
        // One draw per statement: the order of operands is unspecified.
        text += "\r\n\t0" + std::to_string(1 + lcg.next() % 9);
        text += ".0" + std::to_string(1 + lcg.next() % 9) + ".24\r\n\t31.12.25\r\n\t";
        text += (lcg.next() % 3 == 0) ? "\xEF\xF0\xEE\xE4\xEB\xE8\xF2\xFC \xE4\xEE\xF1\xF2\xF3\xEF"
                                      : " ";
        text += "\r\n";
    }
    text.resize(size);
    return bytesOf(text);
}

// Russian words in Windows-1251 with spaces and line breaks: long matches
// made of bytes above 0x7F.
Bytes russianText(std::size_t size, std::uint32_t seed) {
    static const char* const kWords[] = {"\xEF\xE0\xF0\xEE\xEB\xFC",
                                         "\xEF\xEE\xF7\xF2\xE0",
                                         "\xE1\xE0\xED\xEA",
                                         "\xF1\xE5\xF0\xE2\xE5\xF0",
                                         "\xEB\xE8\xF7\xED\xFB\xE9",
                                         "\xEA\xE0\xE1\xE8\xED\xE5\xF2",
                                         "\xD1\xEC\xE8\xF0\xED\xEE\xE2",
                                         "\xFF"};
    Lcg lcg{seed};
    std::string text;
    while (text.size() < size) {
        text += kWords[lcg.next() % 8];
        text += lcg.next() % 7 == 0 ? "\r\n" : " ";
    }
    text.resize(size);
    return bytesOf(text);
}

std::string hex(const Bytes& data) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i != 0) {
            text += ' ';
        }
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 15];
    }
    return text;
}

// Where an encoding of the codec first differs from the reference's; empty
// when they agree. Says how far into the data the agreeing output reaches, so
// that a difference can be looked for in the input.
std::string firstDifference(const Bytes& codec, const Bytes& reference) {
    if (codec == reference) {
        return {};
    }
    const auto [atCodec, atReference] =
        std::mismatch(codec.begin(), codec.end(), reference.begin(), reference.end());
    const auto index = static_cast<std::size_t>(atCodec - codec.begin());
    const auto byteAt = [](const Bytes& data, std::size_t at) {
        return at < data.size() ? hex(Bytes{data[at]}) : std::string("(end)");
    };
    std::ostringstream text;
    text << "codec " << codec.size() << " bytes, reference " << reference.size()
         << " bytes; first difference at output byte " << index << ": codec "
         << byteAt(codec, index) << ", reference " << byteAt(reference, index)
         << "; the output before it decodes to "
         << test::referenceDecode(Bytes(reference.begin(), atReference)).size() << " data bytes";
    return text.str();
}

// Random numbers from the upper bits of the LCG only: its low bits repeat
// after a few hundred draws (smallAlphabet, for one, repeats every 1024 bytes).
std::uint32_t draw(Lcg& lcg) {
    return lcg.next() >> 8;
}

// Lines of a fixed prefix and a counter in letters, in ascending or descending
// order: every new string of a tree goes to its far right (or left) end, so
// the trees grow deep and the insertions are splayed.
Bytes sortedKeys(std::size_t size, bool ascending) {
    std::string text;
    for (int n = 0; text.size() < size; ++n) {
        std::string key = "key:";
        for (int k = 5, value = ascending ? n : 1000000 - n; k >= 0; --k) {
            key += static_cast<char>('a' + (value >> (3 * k)) % 8);
        }
        text += key + "\r\n";
    }
    text.resize(size);
    return bytesOf(text);
}

// A random block of `period` bytes, repeated: from the second copy on every
// string equals one in the trees and takes its place. With a period next to
// 4078 the equal string is the oldest one, about to leave the window.
Bytes repeatedBlock(std::size_t size, std::size_t period, std::uint32_t seed) {
    Lcg lcg{seed};
    Bytes block(period);
    for (auto& byte : block) {
        byte = static_cast<std::uint8_t>(draw(lcg) % 6 == 0 ? 'x' : draw(lcg));
    }
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i) {
        data[i] = block[i % period];
    }
    return data;
}

// Pieces of the other kinds one after another, switching kind mid-stream; the
// pieces are shorter for short data, so that even those switch.
Bytes mixture(std::size_t size, std::uint32_t seed) {
    Lcg lcg{seed};
    const std::size_t longest = std::clamp<std::size_t>(size / 4, 1, 60000);
    Bytes data;
    while (data.size() < size) {
        const std::size_t length = std::min(1 + draw(lcg) % longest, size - data.size());
        const std::uint32_t pieceSeed = draw(lcg);
        Bytes piece;
        switch (draw(lcg) % 9) {
        case 0:
            piece = Bytes(length, static_cast<std::uint8_t>(pieceSeed));
            break;
        case 1:
            piece = periodic(length, 1 + pieceSeed % 40);
            break;
        case 2:
            piece = recordText(length, pieceSeed);
            break;
        case 3:
            piece = randomBytes(length, pieceSeed);
            break;
        case 4:
            piece = russianText(length, pieceSeed);
            break;
        case 5:
            piece = sortedKeys(length, pieceSeed % 2 == 0);
            break;
        case 6:
            piece = repeatedBlock(length, 4070 + pieceSeed % 30, pieceSeed);
            break;
        case 7:
            piece = runs(length, pieceSeed);
            break;
        default:
            piece = counterLines(length, 1 + static_cast<int>(pieceSeed % 300));
            break;
        }
        data.insert(data.end(), piece.begin(), piece.end());
    }
    return data;
}

TEST(LZHEncode, ProducesTheKnownVectors) {
    const struct {
        Bytes data;
        const char* packed;
    } vectors[] = {
        {bytesOf("abc"), "07 61 62 63"},
        {Bytes(8, 0), "00 DC F5"},
        {bytesOf("aaaa"), "01 61 EE F0"},
        {bytesOf("abcabcabcabcabc"), "07 61 62 63 EE F9"},
        {bytesOf("abcdefgh"), "FF 61 62 63 64 65 66 67 68 00"},
        {bytesOf("a"), "01 61"},
        // Two bytes are sent as literals, never as a match.
        {Bytes(2, 0), "03 00 00"},
    };
    for (const auto& vector : vectors) {
        EXPECT_EQ(hex(encode(vector.data)), vector.packed);
        EXPECT_EQ(hex(test::referenceEncode(vector.data)), vector.packed);
    }
}

TEST(LZHDecode, ExpandsTheKnownVectors) {
    EXPECT_EQ(decode(bytesOf("\x07\x61\x62\x63")), bytesOf("abc"));
    EXPECT_EQ(decode({0x00, 0xDC, 0xF5}), Bytes(8, 0));
    EXPECT_EQ(decode({0x01, 0x61, 0xEE, 0xF0}), bytesOf("aaaa"));
    EXPECT_EQ(decode({0x07, 0x61, 0x62, 0x63, 0xEE, 0xF9}), bytesOf("abcabcabcabcabc"));
    EXPECT_EQ(decode({0xFF, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x00}),
              bytesOf("abcdefgh"));
}

TEST(LZHDecode, InputEndingInsideATokenEndsTheOutputThere) {
    EXPECT_TRUE(decode({0x00, 0xDC}).empty());
    EXPECT_EQ(decode({0x07, 0x61}), bytesOf("a"));
    EXPECT_TRUE(decode({0x00}).empty());
    EXPECT_EQ(decode({0xFE, 0x00, 0xF0}), Bytes(3, 0));
}

TEST(LZHDecode, MatchesWrapAroundTheWindowAndReadItsZeroStart) {
    // Literal 'x' at 4078, then a match of 3 from 4095 that wraps to 0 and 1.
    EXPECT_EQ(decode({0x01, 'x', 0xFF, 0xF0}), Bytes({'x', 0, 0, 0}));
    // A match that starts at the writing position reads the oldest bytes.
    EXPECT_EQ(decode({0x01, 'y', 0xEF, 0xF1}), Bytes({'y', 0, 0, 0, 0}));
}

TEST(LZHCodec, EmptyInputWritesOnceWithNothing) {
    EXPECT_TRUE(encode({}).empty());
    EXPECT_EQ(channel.writeCounts, std::vector<int>{0});
    EXPECT_TRUE(decode({}).empty());
    EXPECT_EQ(channel.writeCounts, std::vector<int>{0});
}

TEST(LZHCodec, DoesNothingWhenNotInitialised) {
    LZHDone();
    channel = Channel{};
    channel.input = bytesOf("abc");
    LZHEncode(readProc, writeProc);
    LZHDecode(readProc, writeProc);
    EXPECT_EQ(channel.readCalls, 0);
    EXPECT_TRUE(channel.writeCounts.empty());

    ASSERT_TRUE(LZHInit());
    EXPECT_TRUE(LZHInit()); // a second call keeps the same state
    LZHDone();
    LZHDone(); // releasing twice is harmless
    LZHEncode(readProc, writeProc);
    EXPECT_EQ(channel.readCalls, 0);
    EXPECT_TRUE(channel.writeCounts.empty());
}

#ifndef VANTREL_ADDRESS_SANITIZER
// Size of this process's address space in bytes.
std::size_t addressSpace() {
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    statm >> pages;
    return pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// Under a limit that lets the first buffer through but not the second,
// LZHInit fails and gives back what it got; with the limit lifted it works.
int initUnderTightLimit() {
    // The functions' codec of this thread is made (and its release at thread
    // exit registered) by the first call, which must not fall under the limit.
    LZHDone();
    rlimit old{};
    getrlimit(RLIMIT_AS, &old);
    const std::size_t before = addressSpace();
    rlimit tight = old;
    tight.rlim_cur = before + kLZHBufferSize + kLZHBufferSize / 2;
    setrlimit(RLIMIT_AS, &tight);
    const bool initialised = LZHInit();
    const std::size_t after = addressSpace();
    setrlimit(RLIMIT_AS, &old);
    if (initialised || after > before) {
        return 1;
    }
    channel = Channel{};
    channel.input = bytesOf("abc");
    LZHEncode(readProc, writeProc); // not initialised: no callback
    if (channel.readCalls != 0 || !LZHInit()) {
        return 2;
    }
    LZHEncode(readProc, writeProc);
    LZHDone();
    return hex(channel.output) == "07 61 62 63" ? 0 : 3;
}

#endif

TEST(LZHCodecDeathTest, FailedInitialisationHoldsNothing) {
#ifdef VANTREL_ADDRESS_SANITIZER
    GTEST_SKIP() << "the sanitizer's shadow memory does not fit an address-space limit";
#else
    // A fresh process, so no earlier run has left free memory in the heap.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::_Exit(initUnderTightLimit()), testing::ExitedWithCode(0), "");
#endif
}

void throwingWrite(const std::uint8_t*, int) {
    throw std::runtime_error("disk full");
}

TEST(LZHCodec, StaysUsableWhenACallbackThrows) {
    ASSERT_TRUE(LZHInit());
    channel = Channel{};
    channel.input = bytesOf("abcabcabc");
    EXPECT_THROW(LZHEncode(readProc, throwingWrite), std::runtime_error);
    channel = Channel{};
    channel.input = bytesOf("abcabcabcabcabc");
    LZHEncode(readProc, writeProc);
    EXPECT_EQ(hex(channel.output), "07 61 62 63 EE F9");
    LZHDone();
    channel = Channel{};
    channel.input = bytesOf("abc");
    LZHEncode(readProc, writeProc); // released: nothing happens
    EXPECT_EQ(channel.readCalls, 0);
}

// Calls the codec from inside its own callbacks, which must change nothing.
int meddlingRead(std::uint8_t* buffer) {
    LZHDone();
    LZHDecode(readProc, writeProc);
    return readProc(buffer);
}

void meddlingWrite(const std::uint8_t* buffer, int count) {
    LZHEncode(readProc, writeProc);
    LZHDone();
    writeProc(buffer, count);
}

TEST(LZHCodec, CallsFromInsideACallbackAreIgnored) {
    const Bytes data = recordText(3 * kLZHBufferSize, 4);
    const Bytes expected = encode(data);
    ASSERT_TRUE(LZHInit());
    channel = Channel{};
    channel.input = data;
    LZHEncode(meddlingRead, meddlingWrite);
    EXPECT_EQ(channel.output, expected);
    LZHDone();
}

int negativeRead(std::uint8_t*) {
    return -5;
}

// Claims more bytes than the buffer holds.
int boastingRead(std::uint8_t* buffer) {
    if (channel.readCalls++ > 0) {
        return 0;
    }
    std::fill_n(buffer, kLZHBufferSize, 'x');
    return 10 * kLZHBufferSize;
}

TEST(LZHCodec, ReadCountsOutsideTheBufferAreBounded) {
    ASSERT_TRUE(LZHInit());
    channel = Channel{};
    LZHEncode(negativeRead, writeProc);
    EXPECT_EQ(channel.writeCounts, std::vector<int>{0});
    channel = Channel{};
    LZHEncode(boastingRead, writeProc);
    LZHDone();
    const Bytes packed = channel.output;
    EXPECT_EQ(decode(packed), Bytes(kLZHBufferSize, 'x'));
}

TEST(LZHCodec, RunsDoNotDependOnEachOther) {
    ASSERT_TRUE(LZHInit());
    const Bytes first = smallAlphabet(50000, 3);
    Bytes outputs[2];
    for (Bytes& output : outputs) {
        channel = Channel{};
        channel.input = first;
        LZHEncode(readProc, writeProc);
        output = channel.output;
        channel = Channel{};
        channel.input = {0x00, 0x00, 0xFF}; // 18 bytes from the window's zero start
        LZHDecode(readProc, writeProc);
        EXPECT_EQ(channel.output, Bytes(18, 0));
    }
    LZHDone();
    EXPECT_EQ(outputs[0], outputs[1]);
    EXPECT_EQ(outputs[0], encode(first));
}

TEST(LZHCodec, RoundTripsManyLengthsAndKinds) {
    const std::size_t lengths[] = {0, 1, 2, 3, 17, 18, 19, 4095, 4096, 4097, 32767, 32768, 32769};
    for (std::size_t length : lengths) {
        for (int kind = 0; kind < 5; ++kind) {
            Bytes data;
            switch (kind) {
            case 0:
                data = randomBytes(length, 7);
                break;
            case 1:
                data = smallAlphabet(length, 8);
                break;
            case 2:
                data = Bytes(length, 0x5A);
                break;
            case 3:
                data = periodic(length, 13);
                break;
            default:
                data = recordText(length, 9);
                break;
            }
            const Bytes packed = encode(data);
            EXPECT_EQ(decode(packed), data) << "length " << length << " kind " << kind;
            EXPECT_EQ(test::referenceDecode(packed), data)
                << "length " << length << " kind " << kind;
        }
    }
}

TEST(LZHCodec, LongDataRunsTheCallbacksInFullBuffers) {
    const Bytes data = recordText(3 * kLZHBufferSize + 1234, 11);
    const Bytes packed = encode(data);
    ASSERT_GT(packed.size(), static_cast<std::size_t>(kLZHBufferSize));
    for (std::size_t i = 0; i + 1 < channel.writeCounts.size(); ++i) {
        EXPECT_EQ(channel.writeCounts[i], kLZHBufferSize);
    }
    EXPECT_EQ(channel.writeCounts.back(), static_cast<int>(packed.size() % kLZHBufferSize));
    EXPECT_GE(channel.readCalls, 4);

    // Short reads give the same result as full ones.
    EXPECT_EQ(run(Op::Encode, data, 1000), packed);
    const Bytes restored = decode(packed);
    EXPECT_EQ(channel.writeCounts.size(), data.size() / kLZHBufferSize + 1);
    EXPECT_EQ(restored, data);
    EXPECT_EQ(run(Op::Decode, packed, 777), data);
}

TEST(LZHDecode, OutputOfExactlyFullBuffersEndsWithAnEmptyWrite) {
    // 2 * 262144 zero bytes: matches of 18 reaching exactly the buffer ends.
    const Bytes data(2 * kLZHBufferSize, 0);
    EXPECT_EQ(decode(encode(data)), data);
    EXPECT_EQ(channel.writeCounts, (std::vector<int>{kLZHBufferSize, kLZHBufferSize, 0}));
}

TEST(LZHDecode, AgreesWithTheByteWiseDefinitionOnArbitraryInput) {
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        Bytes garbage = randomBytes(1 + seed * 997, seed);
        if (seed % 2 == 0) {
            // Mostly-match groups make long outputs that cross the buffer ends.
            for (std::size_t i = 0; i < garbage.size(); i += 17) {
                garbage[i] &= 0x11;
            }
        }
        EXPECT_EQ(decode(garbage), test::referenceDecode(garbage)) << "seed " << seed;
    }
    const Bytes repeatedMatches = [] {
        Bytes stream;
        for (int group = 0; group < 40000; ++group) {
            stream.push_back(0x00);
            for (int k = 0; k < 8; ++k) {
                stream.push_back(static_cast<std::uint8_t>(group * 8 + k));
                stream.push_back(static_cast<std::uint8_t>(0x0F | ((group + k) << 4)));
            }
        }
        return stream;
    }();
    EXPECT_EQ(decode(repeatedMatches), test::referenceDecode(repeatedMatches));
}

struct Golden {
    const char* name;
    Bytes data;
    std::size_t packedSize;
    std::uint32_t packedChecksum;
};

// Sizes and checksums of the encoder's output for inputs that grow deep trees
// and drive the splaying, and for sizes at the window and buffer ends; they
// pin the match choices bit for bit. Reads of odd sizes give the same output.
TEST(LZHEncode, MatchesTheGoldenOutputs) {
    constexpr std::size_t kWindowBytes = 4096;
    const Golden cases[] = {
        {"periodic 1 MB", periodic(1 << 20, 4099), 124716, 0x9D339FEA},
        {"short period", periodic(300000, 37), 35455, 0x0B2A992D},
        {"runs", runs(600000, 5), 71842, 0x66069423},
        {"counter lines", counterLines(300000, 1), 63928, 0x49C14849},
        {"repeated counter blocks", counterLines(600000, 400), 132548, 0xD6DFA0CF},
        {"record text", recordText(700000, 21), 236476, 0x8F1560C9},
        {"random", randomBytes(400000, 99), 450001, 0x0524E99C},
        {"four letters", smallAlphabet(500000, 42), 59463, 0x33F2CD5D},
        {"one byte", Bytes{0xE0}, 2, 0xB911D339},
        {"random, a window", randomBytes(kWindowBytes, 5), 4609, 0x01C44804},
        {"runs, a window and a byte", runs(kWindowBytes + 1, 6), 499, 0x348E28EA},
        {"record text, a buffer less a byte", recordText(kLZHBufferSize - 1, 22), 88718,
         0x142A59F8},
        {"one byte repeated, a buffer", Bytes(kLZHBufferSize, 'A'), 30950, 0x184D470E},
        {"Russian text, a buffer and a byte", russianText(kLZHBufferSize + 1, 23), 40680,
         0x8BF99867},
    };
    for (const Golden& golden : cases) {
        const Bytes packed = encode(golden.data);
        EXPECT_EQ(packed.size(), golden.packedSize) << golden.name;
        EXPECT_EQ(Checksum32(packed.data(), packed.size()), golden.packedChecksum) << golden.name;
        EXPECT_EQ(decode(packed), golden.data) << golden.name;
        EXPECT_EQ(run(Op::Encode, golden.data, 4093), packed) << golden.name;
        // The reference encoder is pinned by the same outputs.
        if (kSanitized && golden.data.size() > kLZHBufferSize + 1) {
            continue;
        }
        const Bytes reference = test::referenceEncode(golden.data);
        EXPECT_EQ(reference.size(), golden.packedSize) << golden.name;
        EXPECT_EQ(Checksum32(reference.data(), reference.size()), golden.packedChecksum)
            << golden.name;
        EXPECT_EQ(firstDifference(packed, reference), "") << golden.name;
    }
}

// Kinds of generated data for the comparisons with the reference encoder.
struct DataKind {
    const char* name;
    Bytes (*make)(std::size_t size);
};

const DataKind kDataKinds[] = {
    {"one byte", [](std::size_t size) { return Bytes(size, 'A'); }},
    {"zero bytes", [](std::size_t size) { return Bytes(size, 0); }},
    {"pattern of 3", [](std::size_t size) { return periodic(size, 3); }},
    {"pattern of 37", [](std::size_t size) { return periodic(size, 37); }},
    {"random", [](std::size_t size) { return randomBytes(size, 33); }},
    {"record text", [](std::size_t size) { return recordText(size, 32); }},
    {"runs", [](std::size_t size) { return runs(size, 31); }},
    {"Russian text", [](std::size_t size) { return russianText(size, 34); }},
    {"mixture", [](std::size_t size) { return mixture(size, 35); }},
    {"ascending keys", [](std::size_t size) { return sortedKeys(size, true); }},
    {"descending keys", [](std::size_t size) { return sortedKeys(size, false); }},
    {"counter blocks twice", [](std::size_t size) { return counterLines(size, 64); }},
    {"block of 1000 repeated", [](std::size_t size) { return repeatedBlock(size, 1000, 36); }},
    {"block of 4077 repeated", [](std::size_t size) { return repeatedBlock(size, 4077, 37); }},
    {"block of 4078 repeated", [](std::size_t size) { return repeatedBlock(size, 4078, 38); }},
    {"block of 4079 repeated", [](std::size_t size) { return repeatedBlock(size, 4079, 39); }},
    {"block of 4096 repeated", [](std::size_t size) { return repeatedBlock(size, 4096, 40); }},
};

// Encodes `data` with the codec (reads of `chunk` bytes) and with the
// reference encoder, which must agree byte for byte; adds up what the
// reference went through.
void expectAgreement(const std::string& name, const Bytes& data, std::size_t chunk,
                     test::ReferenceEncoderCounts& total) {
    test::ReferenceEncoderCounts counts;
    const Bytes reference = test::referenceEncode(data, &counts);
    EXPECT_EQ(firstDifference(run(Op::Encode, data, chunk), reference), "")
        << name << ", " << data.size() << " bytes, reads of " << chunk;
    total.replacements += counts.replacements;
    total.splays += counts.splays;
    total.splayedReplacements += counts.splayedReplacements;
    total.deepest = std::max(total.deepest, counts.deepest);
}

// Every kind at the sizes around the window's ends, and at a middle size in
// reads of a few odd sizes (a read of one byte keeps the codec from working
// on two positions at once).
TEST(LZHEncode, AgreesWithTheReferenceOnShortInputs) {
    // Around the 18-byte look-ahead and the 4096-byte window.
    const std::size_t sizes[] = {0, 1, 2, 3, 17, 18, 19, 4095, 4096, 4097, 4096 + 18};
    test::ReferenceEncoderCounts total;
    for (const DataKind& kind : kDataKinds) {
        for (std::size_t size : sizes) {
            expectAgreement(kind.name, kind.make(size), kLZHBufferSize, total);
        }
        const Bytes data = kind.make(12000);
        for (std::size_t chunk : {std::size_t{1}, std::size_t{17}, std::size_t{4093}}) {
            expectAgreement(kind.name, data, chunk, total);
        }
    }
    EXPECT_GT(total.splays, 0u);
    EXPECT_GT(total.replacements, 0u);
}

// Each kind at one of the edges of the input buffer, in full or in odd reads
// (random data also takes the output across its buffer's end). Under the
// sanitizers every fourth kind only.
TEST(LZHEncode, AgreesWithTheReferenceAtTheBufferEnds) {
    const std::size_t sizes[] = {kLZHBufferSize - 1, kLZHBufferSize, kLZHBufferSize + 1};
    test::ReferenceEncoderCounts total;
    std::size_t k = 0;
    for (const DataKind& kind : kDataKinds) {
        const std::size_t size = sizes[k % 3];
        const std::size_t chunk = (k / 3) % 2 == 0 ? kLZHBufferSize : 4093 + k;
        if (!kSanitized || k % 4 == 0) {
            expectAgreement(kind.name, kind.make(size), chunk, total);
        }
        ++k;
    }
    EXPECT_GT(total.replacements, 100000u);
    if (!kSanitized) {
        EXPECT_GT(total.splays, 1000u);
        EXPECT_GE(total.deepest, 30);
    }
}

// Data built to drive the rare paths, each case with the least counts of
// splays, of replacements of an equal string and of replacements that were
// splayed too that the reference encoder must report for it (about half of
// what it does report), so that the case is known to take those paths.
TEST(LZHEncode, AgreesWithTheReferenceOnDeepTreesAndEqualStrings) {
    struct Case {
        const char* name;
        Bytes data;
        std::size_t splays;
        std::size_t replacements;
        std::size_t splayedReplacements;
    };
    const Case cases[] = {
        {"ascending keys", sortedKeys(200000, true), 2000, 0, 0},
        {"descending keys", sortedKeys(200000, false), 2000, 0, 0},
        {"counter lines", counterLines(100000, 1), 800, 4000, 0},
        // The second copy of each block meets its equal strings deep down.
        {"counter blocks twice", counterLines(200000, 400), 900, 50000, 25},
        // The equal string is the oldest one, next to leave the window ...
        {"block of 4078 repeated", repeatedBlock(100000, 4078, 41), 0, 50000, 0},
        // ... or the one after it.
        {"block of 4077 repeated", repeatedBlock(100000, 4077, 42), 0, 50000, 0},
    };
    for (const Case& c : cases) {
        test::ReferenceEncoderCounts counts;
        expectAgreement(c.name, c.data, kLZHBufferSize, counts);
        EXPECT_GE(counts.splays, c.splays) << c.name;
        EXPECT_GE(counts.replacements, c.replacements) << c.name;
        EXPECT_GE(counts.splayedReplacements, c.splayedReplacements) << c.name;
    }
}

// A few megabytes switching kind every few ten thousand bytes, so that output
// and input cross the buffer ends many times in every state.
TEST(LZHEncode, AgreesWithTheReferenceOnLongMixedData) {
    if (kSanitized) {
        GTEST_SKIP() << "megabytes through the plain reference take too long under the sanitizers";
    }
    const Bytes data = mixture(3 * 1024 * 1024 + 77, 43);
    test::ReferenceEncoderCounts counts;
    expectAgreement("mixture", data, kLZHBufferSize, counts);
    expectAgreement("mixture", data, 65521, counts);
    EXPECT_GT(counts.splays, 0u);
    EXPECT_GT(counts.replacements, 0u);
}

} // namespace
} // namespace vantrel
