#include "base/cp1251.h"
#include "base/error.h"
#include "cipher/crypt_lib.h"
#include "formats/program_cipher.h"
#include "formats/protected_file.h"
#include "formats/record_file.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <cstring>

namespace vantrel {
namespace {

using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

// 1251 bytes, as the cipher is keyed.
const std::string kPassword = Utf8ToCp1251("Пароль12");
const std::string kOtherPassword = Utf8ToCp1251("другой");
constexpr std::uint32_t kCheapOps = 1;
constexpr std::uint32_t kCheapMemKib = 8 * 1024;

void PutLittleEndian(std::string& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}
std::uint32_t GetLittleEndian(std::string_view bytes) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    }
    return value;
}

std::array<unsigned char, 32> DeriveKey(std::string_view password, std::string_view bound) {
    std::array<unsigned char, 32> key{};
    const auto* salt = reinterpret_cast<const unsigned char*>(bound.data()) + 16;
    EXPECT_EQ(crypto_pwhash(key.data(), key.size(), password.data(), password.size(), salt,
                            GetLittleEndian(bound.substr(8)),
                            std::size_t{GetLittleEndian(bound.substr(12))} * 1024,
                            crypto_pwhash_ALG_ARGON2ID13),
              0);
    return key;
}

// The layout written out from its description with plain libsodium calls,
// independent of the program's module.
std::string ReferenceWrite(std::string_view password, std::string_view text,
                           std::uint32_t opslimit = kCheapOps,
                           std::uint32_t memlimitKib = kCheapMemKib) {
    std::string file = "VTRSAFE1";
    PutLittleEndian(file, opslimit);
    PutLittleEndian(file, memlimitKib);
    unsigned char salt[16];
    randombytes_buf(salt, sizeof salt);
    file.append(reinterpret_cast<const char*>(salt), sizeof salt);
    const std::string bound = file;
    const auto key = DeriveKey(password, bound);
    crypto_secretstream_xchacha20poly1305_state state;
    unsigned char header[crypto_secretstream_xchacha20poly1305_HEADERBYTES];
    crypto_secretstream_xchacha20poly1305_init_push(&state, header, key.data());
    file.append(reinterpret_cast<const char*>(header), sizeof header);
    std::size_t at = 0;
    do {
        const std::size_t size = std::min<std::size_t>(65536, text.size() - at);
        const bool last = at + size == text.size();
        std::string chunk(size + crypto_secretstream_xchacha20poly1305_ABYTES, '\0');
        crypto_secretstream_xchacha20poly1305_push(
            &state, reinterpret_cast<unsigned char*>(chunk.data()), nullptr,
            reinterpret_cast<const unsigned char*>(text.data()) + at, size,
            at == 0 ? reinterpret_cast<const unsigned char*>(bound.data()) : nullptr,
            at == 0 ? bound.size() : 0,
            last ? crypto_secretstream_xchacha20poly1305_TAG_FINAL
                 : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE);
        file += chunk;
        at += size;
    } while (at < text.size());
    return file;
}

// The text and the number of chunks, read by the layout's description; nullopt
// when anything does not hold.
struct ReferenceRead {
    std::string text;
    std::size_t chunks = 0;
};
std::optional<ReferenceRead> ReferenceDecrypt(std::string_view password, std::string_view file) {
    if (file.size() < 56 || file.substr(0, 8) != "VTRSAFE1") {
        return std::nullopt;
    }
    const auto key = DeriveKey(password, file.substr(0, 32));
    crypto_secretstream_xchacha20poly1305_state state;
    const auto* bytes = reinterpret_cast<const unsigned char*>(file.data());
    if (crypto_secretstream_xchacha20poly1305_init_pull(&state, bytes + 32, key.data()) != 0) {
        return std::nullopt;
    }
    ReferenceRead read;
    for (std::size_t at = 56; at < file.size();) {
        const std::size_t size = std::min<std::size_t>(65553, file.size() - at);
        std::string plain(size, '\0');
        unsigned long long count = 0;
        unsigned char tag = 0;
        if (crypto_secretstream_xchacha20poly1305_pull(
                &state, reinterpret_cast<unsigned char*>(plain.data()), &count, &tag, bytes + at,
                size, at == 56 ? bytes : nullptr, at == 56 ? 32 : 0) != 0) {
            return std::nullopt;
        }
        read.text.append(plain, 0, count);
        ++read.chunks;
        at += size;
        const bool final = tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL;
        if (final != (at == file.size()) ||
            (!final &&
             (tag != crypto_secretstream_xchacha20poly1305_TAG_MESSAGE || count != 65536))) {
            return std::nullopt;
        }
    }
    return read.chunks == 0 ? std::nullopt : std::optional(read);
}

ProtectedParams CheapParams() {
    ProtectedParams params{kCheapOps, kCheapMemKib, {}};
    randombytes_buf(params.salt.data(), params.salt.size());
    return params;
}

// A text of `size` bytes in the record layout's alphabet.
std::string TextOf(std::size_t size) {
    std::string text;
    for (std::size_t i = 0; text.size() < size; ++i) {
        text += i % 7 == 0 ? std::to_string(i) + "\r\n" : "\tполе " + std::to_string(i) + "\r\n";
    }
    text.resize(size);
    return text;
}

class ProtectedFile : public ::testing::Test {
protected:
    ProtectedFile() {
        ConfigureProgramCipher(cipher, kPassword);
        EXPECT_GE(sodium_init(), 0);
    }
    // Writes `text` with the program's writer and a cheap key; the file's bytes.
    std::string ProgramWrite(std::string_view text) {
        if (!key) {
            key = ProtectedKey(kPassword, CheapParams());
        }
        WriteRecordFile(file, RecordFileKind::Protected, cipher, ReadingFrom(text), text.size(),
                        key);
        return ReadBytes(file);
    }
    // The record text the program reads from `bytes`, or the error's text.
    std::string ProgramRead(const std::string& bytes) {
        WriteBytes(file, bytes);
        ProtectedKeySlot fresh;
        try {
            return ReadProtectedContent(ReadBytes(file), cipher.Password(), fresh).value();
        } catch (const Error& error) {
            return std::string("error: ") + error.what();
        }
    }

    TempFolder folder;
    std::filesystem::path file = folder / "records.vtr";
    TCryptLib cipher;
    ProtectedKeySlot key;
};

// The 65 536-byte edges, one byte either side, two chunks and the empty text.
TEST_F(ProtectedFile, ChunkEdgesReadByTheReferenceAndByTheProgram) {
    const struct {
        std::size_t size;
        std::size_t chunks;
    } cases[] = {{0, 1},     {1, 1},      {65535, 1},  {65536, 1},
                 {65537, 2}, {131072, 2}, {131073, 3}, {200000, 4}};
    for (const auto& c : cases) {
        const std::string text = TextOf(c.size);
        const std::string written = ProgramWrite(text);
        EXPECT_EQ(written.size(), 56 + c.size + 17 * c.chunks) << c.size;
        const auto read = ReferenceDecrypt(kPassword, written);
        ASSERT_TRUE(read) << c.size;
        EXPECT_EQ(read->chunks, c.chunks) << c.size;
        EXPECT_TRUE(read->text == text) << c.size;
        EXPECT_TRUE(ProgramRead(ReferenceWrite(kPassword, text)) == text) << c.size;
    }
}

TEST_F(ProtectedFile, TheProgramsOwnLimitsAreReadByTheReference) {
    const RecordList records{{"1", {"имя", "пароль", "", "", "", "заметка"}}};
    WriteRecordFile(file, RecordFileKind::Protected, cipher, records); // 3 passes, 64 MiB
    const std::string bytes = ReadBytes(file);
    EXPECT_EQ(GetLittleEndian(std::string_view(bytes).substr(8)), 3u);
    EXPECT_EQ(GetLittleEndian(std::string_view(bytes).substr(12)), 65536u);
    const auto read = ReferenceDecrypt(kPassword, bytes);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->text, FormatRecordText(records));
}

TEST_F(ProtectedFile, EveryChangeWrongPasswordAndTruncationIsRefused) {
    const std::string good = ProgramWrite(TextOf(70000)); // two chunks
    const std::string wrong = std::string("error: ") + kProtectedWrongOrDamaged;
    const std::string truncated = std::string("error: ") + kProtectedTruncated;
    const auto flipped = [&](std::size_t at) {
        std::string bytes = good;
        bytes[at] = static_cast<char>(bytes[at] ^ 0x01);
        return bytes;
    };
    const struct {
        const char* what;
        std::string bytes;
        std::string expected;
    } cases[] = {
        {"opslimit", flipped(8), wrong}, // 1 -> 0: out of bounds
        {"memlimit", flipped(13), wrong},
        {"salt", flipped(20), wrong},
        {"stream header", flipped(40), wrong},
        {"first chunk", flipped(100), wrong},
        {"last chunk's tag", flipped(good.size() - 1), wrong},
        {"bytes after the end", good + "x", wrong},
        {"at the chunk boundary", good.substr(0, 56 + 65553), truncated},
        {"inside a chunk", good.substr(0, 56 + 65553 + 100), wrong},
        {"inside a chunk's tag", good.substr(0, 56 + 65553 + 5), truncated},
        {"header only", good.substr(0, 56), truncated},
        {"inside the header", good.substr(0, 40), truncated},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProgramRead(c.bytes), c.expected) << c.what;
    }
    cipher.SetPassword(kOtherPassword);
    EXPECT_EQ(ProgramRead(good), wrong) << "wrong password";
}

// Limits outside 1-10 passes and 8 MiB-1 GiB are refused from the header
// alone: a file cannot make the reader allocate or compute without bound.
TEST_F(ProtectedFile, HostileLimitsAreRefusedBeforeTheDerivation) {
    const struct {
        std::uint32_t opslimit;
        std::uint32_t memlimitKib;
    } cases[] = {{0, kCheapMemKib}, {11, kCheapMemKib},   {0xFFFFFFFF, kCheapMemKib},
                 {1, 8 * 1024 - 1}, {1, 1024 * 1024 + 1}, {1, 0xFFFFFFFF}};
    for (const auto& c : cases) {
        std::string bytes = ReferenceWrite(kPassword, "1\r\n");
        std::string limits;
        PutLittleEndian(limits, c.opslimit);
        PutLittleEndian(limits, c.memlimitKib);
        bytes.replace(8, 8, limits);
        EXPECT_THROW(
            {
                try {
                    ReadProtectedParams(bytes);
                } catch (const Error& error) {
                    EXPECT_STREQ(error.what(), kProtectedWrongOrDamaged);
                    throw;
                }
            },
            Error)
            << c.opslimit << " " << c.memlimitKib;
    }
    std::string highest = ReferenceWrite(kPassword, "");
    std::string limits;
    PutLittleEndian(limits, 10);
    PutLittleEndian(limits, 1024 * 1024);
    const ProtectedParams edge = ReadProtectedParams(highest.replace(8, 8, limits));
    EXPECT_EQ(edge.opslimit, 10u);
    EXPECT_EQ(edge.memlimitKib, 1024u * 1024);
}

// The key is derived once: saves reuse it (same salt and limits) with a new
// stream header; a read keeps the key only once the file has decrypted.
TEST_F(ProtectedFile, SavesReuseTheKeyWithAFreshStreamHeader) {
    const std::string first = ProgramWrite("1\r\n");
    const std::string second = ProgramWrite("1\r\n");
    EXPECT_EQ(first.substr(0, 32), second.substr(0, 32));
    EXPECT_NE(first.substr(32, 24), second.substr(32, 24));

    ProtectedKeySlot slot;
    cipher.SetPassword(kOtherPassword);
    WriteBytes(file, first);
    EXPECT_THROW(ReadRecordFile(file, RecordFileKind::Encrypted, cipher, slot), Error);
    EXPECT_FALSE(slot);
    cipher.SetPassword(kPassword);
    EXPECT_EQ(ReadRecordFile(file, RecordFileKind::Encrypted, cipher, slot).kind,
              RecordFileKind::Protected);
    ASSERT_TRUE(slot);
    EXPECT_EQ(slot->params(), key->params());
}

// The form comes from the bytes: a protected file under a ".txt" name is
// decrypted, the empty list is a record file, and a classic file is read as
// before whatever kind is asked for.
TEST_F(ProtectedFile, TheBytesTellTheForm) {
    const std::filesystem::path txt = folder / "records.txt";
    WriteBytes(txt, ReferenceWrite(kPassword, "7\r\n\tимя\r\n"));
    const LoadedRecordFile loaded = ReadRecordFile(txt, RecordFileKind::PlainText, cipher);
    EXPECT_EQ(loaded.kind, RecordFileKind::Protected);
    ASSERT_EQ(loaded.records.size(), 1u);
    EXPECT_EQ(loaded.records[0].fields.at(0), "имя");

    WriteBytes(file, ReferenceWrite(kPassword, ""));
    const LoadedRecordFile empty = ReadRecordFile(file, RecordFileKind::Encrypted, cipher);
    EXPECT_TRUE(empty.records.empty());
    EXPECT_TRUE(empty.plausible && empty.recordText);

    const RecordList records{{"1", {"a", "b"}}};
    WriteRecordFile(file, RecordFileKind::Encrypted, cipher, records);
    const LoadedRecordFile classic = ReadRecordFile(file, RecordFileKind::Protected, cipher);
    EXPECT_EQ(classic.kind, RecordFileKind::Encrypted);
    EXPECT_EQ(classic.records.size(), 1u);
}

} // namespace
} // namespace vantrel
