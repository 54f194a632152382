// encrypt and decrypt through the built program.
#include "cli_test_support.h"

#include "cipher/crypt_lib.h"
#include "cipher/memory_stream.h"
#include "formats/program_cipher.h"

#include <random>

#include <sys/stat.h>

namespace vantrel::test {
namespace {

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 engine(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(engine() % 7 == 0 ? engine() : 'a' + engine() % 4); // compressible
    }
    return bytes;
}

std::string CoreEncrypt(const std::string& bytes, const std::string& password, std::int32_t add,
                        std::int32_t mult, bool compression) {
    TCryptLib cipher;
    cipher.SetAddKey(add);
    cipher.SetMultKey(mult);
    cipher.SetCompression(compression);
    cipher.SetPassword(password);
    MemoryStream stream(bytes);
    cipher.EncryptStream(stream);
    return stream.takeBytes();
}

using CliContainer = CliTest;

TEST_F(CliContainer, RoundTripsAtBlockEdgesAndMatchesTheCore) {
    for (std::size_t size : {0u, 1u, 32767u, 32768u, 32769u, 300000u}) {
        SCOPED_TRACE(size);
        const std::string data = RandomBytes(size, static_cast<unsigned>(size));
        WriteBytes(Path("plain.bin"), data);
        const RunResult enc =
            RunProgram({"encrypt", Path("plain.bin").string(), "-o", Path("sealed.bin").string(),
                        "--password-stdin", "--force"},
                       "key\n");
        ASSERT_EQ(enc.exitCode, 0) << enc.err;
        const std::string sealed = ReadBytes(Path("sealed.bin"));
        EXPECT_EQ(sealed, CoreEncrypt(data, "key", kProgramAddKey, kProgramMultKey, true));

        const RunResult dec = RunProgram({"decrypt", Path("sealed.bin").string(), "-o",
                                          Path("back.bin").string(), "--password-stdin", "--force"},
                                         "key\n");
        ASSERT_EQ(dec.exitCode, 0) << dec.err;
        EXPECT_TRUE(ReadBytes(Path("back.bin")) == data);
    }
}

TEST_F(CliContainer, KeysAndCompressionOptions) {
    const std::string data = RandomBytes(70000, 5);
    WriteBytes(Path("plain.bin"), data);
    const std::vector<std::string> keys = {"--no-compression", "--add-key", "-5", "--mult-key=77"};
    auto args = std::vector<std::string>{"encrypt", Path("plain.bin").string(), "-o",
                                         Path("sealed.bin").string(), "--password-stdin"};
    args.insert(args.end(), keys.begin(), keys.end());
    ASSERT_EQ(RunProgram(args, "пароль\n").exitCode, 0);
    EXPECT_TRUE(ReadBytes(Path("sealed.bin")) ==
                CoreEncrypt(data, "\xEF\xE0\xF0\xEE\xEB\xFC", -5, 77, false));

    args = {"decrypt", Path("sealed.bin").string(), "-o", Path("back.bin").string(),
            "--password-stdin"};
    args.insert(args.end(), keys.begin(), keys.end());
    ASSERT_EQ(RunProgram(args, "пароль\n").exitCode, 0);
    EXPECT_TRUE(ReadBytes(Path("back.bin")) == data);

    // Other keys: no error, other bytes.
    const RunResult wrong =
        RunProgram({"decrypt", Path("sealed.bin").string(), "-o", Path("wrong.bin").string(),
                    "--password-stdin", "--no-compression"},
                   "пароль\n");
    EXPECT_EQ(wrong.exitCode, 0) << wrong.err;
    EXPECT_FALSE(ReadBytes(Path("wrong.bin")) == data);
}

TEST_F(CliContainer, ZeroKeyIsAUsageError) {
    WriteBytes(Path("plain.bin"), "x");
    const RunResult r = RunProgram({"encrypt", Path("plain.bin").string(), "-o", Path("o").string(),
                                    "--add-key", "0", "--password-stdin"},
                                   "k\n");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("--add-key must not be 0"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(Path("o")));
}

TEST_F(CliContainer, ExistingOutputIsKeptWithoutForce) {
    WriteBytes(Path("plain.bin"), "data");
    WriteBytes(Path("sealed.bin"), "precious");
    for (const char* command : {"encrypt", "decrypt"}) {
        const RunResult r = RunProgram({command, Path("plain.bin").string(), "-o",
                                        Path("sealed.bin").string(), "--password-stdin"},
                                       "k\n");
        EXPECT_EQ(r.exitCode, 3) << command;
        EXPECT_EQ(r.err, "vantrel-cli: The output file " + Path("sealed.bin").string() +
                             " exists already; add --force to replace it\n");
        EXPECT_EQ(ReadBytes(Path("sealed.bin")), "precious");
    }
    // Forced over a 0644 file: decrypted bytes (maybe plain text) get 0600, an
    // encrypted output keeps the old mode.
    for (const auto& [command, mode] : {std::pair{"decrypt", 0600u}, std::pair{"encrypt", 0644u}}) {
        ASSERT_EQ(chmod(Path("sealed.bin").c_str(), 0644), 0);
        const RunResult r = RunProgram({command, Path("plain.bin").string(), "-o",
                                        Path("sealed.bin").string(), "--force", "--password-stdin"},
                                       "k\n");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        struct stat info {};
        ASSERT_EQ(stat(Path("sealed.bin").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, mode) << command;
    }
}

} // namespace
} // namespace vantrel::test
