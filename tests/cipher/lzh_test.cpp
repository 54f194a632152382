#include "cipher/lzh.h"

#include "cipher/checksum.h"
#include "cipher/lzh_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace vantrel {
namespace {

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

TEST(LZHEncode, ProducesTheKnownVectors) {
    EXPECT_EQ(hex(encode(bytesOf("abc"))), "07 61 62 63");
    EXPECT_EQ(hex(encode(Bytes(8, 0))), "00 DC F5");
    EXPECT_EQ(hex(encode(bytesOf("aaaa"))), "01 61 EE F0");
    EXPECT_EQ(hex(encode(bytesOf("abcabcabcabcabc"))), "07 61 62 63 EE F9");
    EXPECT_EQ(hex(encode(bytesOf("abcdefgh"))), "FF 61 62 63 64 65 66 67 68 00");
    EXPECT_EQ(hex(encode(bytesOf("a"))), "01 61");
    // Two bytes are sent as literals, never as a match.
    EXPECT_EQ(hex(encode(Bytes(2, 0))), "03 00 00");
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

#if defined(__SANITIZE_ADDRESS__)
#define VANTREL_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANTREL_ADDRESS_SANITIZER 1
#endif
#endif

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
    }
}

} // namespace
} // namespace vantrel
