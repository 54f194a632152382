#include "cipher/lzh_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace vantrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes runCodec(LzhCodec& codec, bool encoding, const Bytes& input) {
    std::size_t at = 0;
    Bytes output;
    const LzhCodec::Read read = [&](std::uint8_t* buffer) {
        const std::size_t n = std::min<std::size_t>(kLZHBufferSize, input.size() - at);
        std::memcpy(buffer, input.data() + at, n);
        at += n;
        return static_cast<int>(n);
    };
    const LzhCodec::Write write = [&](const std::uint8_t* buffer, int count) {
        output.insert(output.end(), buffer, buffer + count);
    };
    EXPECT_TRUE(codec.init());
    if (encoding) {
        codec.encode(read, write);
    } else {
        codec.decode(read, write);
    }
    return output;
}

// Words from a small vocabulary, so that the trees grow deep and matches vary:
// more than a buffer, so that both runs refill and flush several times.
Bytes wordText(unsigned seed, std::size_t size) {
    static const char* const kWords[] = {"login",      "пароль", "https://", "mail.example.org",
                                         "01.02.2026", "\r\n\t", "заметка",  "0000"};
    std::mt19937 random(seed);
    std::string text;
    while (text.size() < size) {
        text += kWords[random() % std::size(kWords)];
        text += static_cast<char>('a' + random() % 26);
    }
    text.resize(size);
    return Bytes(text.begin(), text.end());
}

// Codecs share nothing: two threads, each encoding one input and decoding
// the other's encoding over and over, give the bytes one thread gives.
TEST(LzhCodec, TwoThreadsAtOnceGiveTheBytesOfOne) {
    const Bytes first = wordText(1, 2 * kLZHBufferSize + 77);
    const Bytes second = wordText(2, kLZHBufferSize + 5);
    LzhCodec alone;
    const Bytes firstPacked = runCodec(alone, true, first);
    const Bytes secondPacked = runCodec(alone, true, second);
    ASSERT_EQ(runCodec(alone, false, firstPacked), first);
    ASSERT_EQ(runCodec(alone, false, secondPacked), second);

    constexpr int kRounds = 3;
    const auto work = [](const Bytes& plain, const Bytes& othersPacked,
                         std::vector<Bytes>& results) {
        LzhCodec codec;
        for (int round = 0; round < kRounds; ++round) {
            results.push_back(runCodec(codec, true, plain));
            results.push_back(runCodec(codec, false, othersPacked));
        }
    };
    std::vector<Bytes> firstResults;
    std::vector<Bytes> secondResults;
    std::thread one(work, std::cref(first), std::cref(secondPacked), std::ref(firstResults));
    std::thread two(work, std::cref(second), std::cref(firstPacked), std::ref(secondResults));
    one.join();
    two.join();
    for (int round = 0; round < kRounds; ++round) {
        EXPECT_EQ(firstResults[2 * round], firstPacked) << "round " << round;
        EXPECT_EQ(firstResults[2 * round + 1], second) << "round " << round;
        EXPECT_EQ(secondResults[2 * round], secondPacked) << "round " << round;
        EXPECT_EQ(secondResults[2 * round + 1], first) << "round " << round;
    }
}

} // namespace
} // namespace vantrel
