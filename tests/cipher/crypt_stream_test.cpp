#include "cipher/crypt_lib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace vantrel {
namespace {

TCryptLib makeCipher(const std::string& password, bool compression) {
    TCryptLib cipher;
    cipher.SetAddKey(3517);
    cipher.SetMultKey(2683);
    cipher.SetPassword(password);
    cipher.SetCompression(compression);
    return cipher;
}

// Text that compresses well but is not trivially periodic.
std::string recordLikeText(std::size_t length) {
    std::string text;
    text.reserve(length + 64);
    for (std::size_t n = 1; text.size() < length; ++n) {
        text += std::to_string(n) + "\r\n\tuser" + std::to_string(n * 37 % 1000) + "\r\n\tpw" +
                std::to_string(n * 7919 % 100003) + "\r\n\thost" + std::to_string(n % 17) +
                ".example\r\n";
    }
    text.resize(length);
    return text;
}

std::string fromHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

std::string encrypted(TCryptLib& cipher, const std::string& data) {
    MemoryStream stream{std::string(data)};
    cipher.EncryptStream(stream);
    return stream.bytes();
}

std::string decrypted(TCryptLib& cipher, const std::string& container) {
    MemoryStream stream{std::string(container)};
    cipher.DecryptStream(stream);
    EXPECT_EQ(stream.position(), 0u);
    return stream.bytes();
}

TEST(EncryptStream, EmptyStreamStaysEmpty) {
    for (bool compression : {false, true}) {
        TCryptLib cipher = makeCipher("pw", compression);
        EXPECT_EQ(encrypted(cipher, ""), "");
        EXPECT_EQ(decrypted(cipher, ""), "");
    }
}

TEST(EncryptStream, RoundTripsAtBlockAndBufferEdges) {
    for (bool compression : {false, true}) {
        TCryptLib cipher = makeCipher("edges", compression);
        for (std::size_t length :
             {1u, 2u, 32767u, 32768u, 32769u, 65537u, 262144u, 262145u, 700001u}) {
            const std::string data = recordLikeText(length);
            const std::string container = encrypted(cipher, data);
            if (!compression) {
                EXPECT_EQ(container.size(), data.size());
            }
            EXPECT_EQ(decrypted(cipher, container), data)
                << "length " << length << " compression " << compression;
        }
    }
}

std::string pseudoRandomBytes(std::size_t length) {
    std::string bytes(length, '\0');
    std::uint32_t state = 12345;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

TEST(EncryptStream, ContainerIsTheStringCipherOfTheData) {
    // Random bytes do not shrink: the codec hands its output over in several
    // pieces, none of them a whole number of cipher blocks.
    for (const std::string& data : {recordLikeText(70000), pseudoRandomBytes(300000)}) {
        TCryptLib plainCipher = makeCipher("same", false);
        EXPECT_EQ(encrypted(plainCipher, data), fromHex(plainCipher.EncryptString(data)));

        // With compression the container is the string cipher of the compressed bytes.
        TCryptLib packing = makeCipher("same", true);
        const std::string container = encrypted(packing, data);
        const std::string compressed = decrypted(plainCipher, container);
        EXPECT_EQ(container, fromHex(plainCipher.EncryptString(compressed)));
        EXPECT_EQ(decrypted(packing, container), data);
    }
}

// A source that hands over at most 1000 bytes per call, and a progress that
// must rise to 1000 only at the very end.
TEST(EncryptStream, PiecewiseSourceGivesTheSameBytesAndProgressEndsAtTheEnd) {
    const std::string data = recordLikeText(300000);
    for (bool compression : {false, true}) {
        TCryptLib cipher = makeCipher("pieces", compression);
        std::vector<int> progress;
        cipher.OnProgress = [&progress](int permille) { progress.push_back(permille); };
        const auto trickle = [](std::string_view bytes) {
            return [whole = ReadingFrom(bytes)](std::uint8_t* buffer, std::size_t capacity) {
                return whole(buffer, std::min<std::size_t>(capacity, 1000));
            };
        };
        std::string container;
        cipher.EncryptStreamTo(trickle(data), data.size(),
                               [&container](const std::uint8_t* bytes, std::size_t count) {
                                   container.append(reinterpret_cast<const char*>(bytes), count);
                               });
        cipher.OnProgress = nullptr;
        EXPECT_EQ(container, encrypted(cipher, data)) << "compression " << compression;
        ASSERT_GE(progress.size(), 3u);
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
        EXPECT_EQ(progress.back(), 1000);
        EXPECT_LT(progress[progress.size() - 2], 1000);

        std::string content;
        cipher.DecryptStreamTo(trickle(container), container.size(),
                               [&content](const std::uint8_t* bytes, std::size_t count) {
                                   content.append(reinterpret_cast<const char*>(bytes), count);
                               });
        EXPECT_EQ(content, data);
    }
}

TEST(DecryptStream, AnotherPasswordCompletesWithOtherBytes) {
    const std::string data = recordLikeText(100000);
    for (bool compression : {false, true}) {
        TCryptLib writer = makeCipher("right", compression);
        TCryptLib reader = makeCipher("wrong", compression);
        const std::string result = decrypted(reader, encrypted(writer, data));
        EXPECT_NE(result, data);
    }
}

TEST(DecryptStream, ArbitraryBytesDecryptWithoutError) {
    const std::string garbage = pseudoRandomBytes(300000);
    TCryptLib cipher = makeCipher("any", true);
    MemoryStream stream{std::string(garbage)};
    cipher.DecryptStream(stream);
    EXPECT_EQ(stream.position(), 0u);
}

} // namespace
} // namespace vantrel
