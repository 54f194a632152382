#include "cipher/crypt_lib.h"

#include <gtest/gtest.h>

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

TEST(EncryptStream, ContainerIsTheStringCipherOfTheData) {
    const std::string data = recordLikeText(70000);
    TCryptLib plainCipher = makeCipher("same", false);
    EXPECT_EQ(encrypted(plainCipher, data), fromHex(plainCipher.EncryptString(data)));

    // With compression the container is the string cipher of the compressed bytes.
    TCryptLib packing = makeCipher("same", true);
    const std::string container = encrypted(packing, data);
    const std::string compressed = decrypted(plainCipher, container);
    EXPECT_LT(compressed.size(), data.size() / 2);
    EXPECT_EQ(container, fromHex(plainCipher.EncryptString(compressed)));
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
    std::string garbage(300000, '\0');
    std::uint32_t state = 12345;
    for (char& c : garbage) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    TCryptLib cipher = makeCipher("any", true);
    MemoryStream stream{std::string(garbage)};
    cipher.DecryptStream(stream);
    EXPECT_EQ(stream.position(), 0u);
}

} // namespace
} // namespace vantrel
