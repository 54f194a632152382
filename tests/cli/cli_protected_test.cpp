// convert, import --protected and the reading commands on protected record
// files, through the built program.
#include "cli_test_support.h"

#include "cipher/crypt_lib.h"
#include "cipher/memory_stream.h"
#include "formats/program_cipher.h"
#include "formats/protected_file.h"
#include "formats/record_file.h"

namespace vantrel::test {
namespace {

class CliProtected : public CliTest {
protected:
    CliProtected() { ConfigureProgramCipher(cipher, "pw"); }
    RunResult Convert(const std::string& in, const std::string& out, const std::string& to,
                      const std::string& typed = "pw\n") {
        return RunProgram({"convert", Path(in).string(), "-o", Path(out).string(), "--to", to,
                           "--password-stdin"},
                          typed);
    }
    std::string ClassicText(const std::string& name) {
        MemoryStream stream(ReadBytes(Path(name)));
        cipher.DecryptStream(stream);
        return stream.takeBytes();
    }
    std::string ProtectedText(const std::string& name) {
        ProtectedKeySlot key;
        return ReadProtectedContent(ReadBytes(Path(name)), cipher.Password(), key).value();
    }

    TCryptLib cipher;
};

// The text as it is, not as a save would normalise it: lone line ends, blanks
// around fields, a field before any number.
TEST_F(CliProtected, ConvertKeepsTheRecordTextByteForByteBothWays) {
    const std::string text = "\tlost\n1 \r\n\t name \r\t\xC0\xE1\r\n\r\n2";
    WriteRecordFile(Path("classic.vtr"), RecordFileKind::Encrypted, cipher, ReadingFrom(text),
                    text.size());

    const RunResult up = Convert("classic.vtr", "protected.vtr", "protected");
    ASSERT_EQ(up.exitCode, 0) << up.err;
    EXPECT_TRUE(IsProtectedContent(ReadBytes(Path("protected.vtr"))));
    EXPECT_EQ(ProtectedText("protected.vtr"), text);

    const RunResult down = Convert("protected.vtr", "legacy.vtr", "legacy");
    ASSERT_EQ(down.exitCode, 0) << down.err;
    EXPECT_FALSE(IsProtectedContent(ReadBytes(Path("legacy.vtr"))));
    EXPECT_EQ(ClassicText("legacy.vtr"), text);

    // A wrong password writes nothing; an unknown form is a usage error.
    const RunResult wrong = Convert("protected.vtr", "wrong.vtr", "legacy", "pW\n");
    EXPECT_EQ(wrong.exitCode, 3);
    EXPECT_NE(wrong.err.find(kProtectedWrongOrDamaged), std::string::npos) << wrong.err;
    EXPECT_FALSE(std::filesystem::exists(Path("wrong.vtr")));
    EXPECT_EQ(Convert("classic.vtr", "x.vtr", "modern").exitCode, 2);
}

TEST_F(CliProtected, ImportProtectedIsReadByShowExportAndDecrypt) {
    WriteBytes(Path("in.txt"), "1\r\n\tmail\r\n\tsecret\r\n\tsite\r\n");
    const RunResult imported =
        RunProgram({"import", Path("in.txt").string(), "-o", Path("records.vtr").string(),
                    "--protected", "--password-stdin"},
                   "pw\n");
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_TRUE(IsProtectedContent(ReadBytes(Path("records.vtr"))));

    const RunResult shown =
        RunProgram({"show", Path("records.vtr").string(), "1", "--password-stdin"}, "pw\n");
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_NE(shown.out.find("secret"), std::string::npos) << shown.out;
    const RunResult exported = RunProgram({"export", Path("records.vtr").string(), "-o",
                                           Path("out.txt").string(), "--password-stdin"},
                                          "pw\n");
    EXPECT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_EQ(ReadBytes(Path("out.txt")), ReadBytes(Path("in.txt")));
    const RunResult decrypted = RunProgram({"decrypt", Path("records.vtr").string(), "-o",
                                            Path("decrypted.txt").string(), "--password-stdin"},
                                           "pw\n");
    EXPECT_EQ(decrypted.exitCode, 0) << decrypted.err;
    EXPECT_EQ(ReadBytes(Path("decrypted.txt")), ReadBytes(Path("in.txt")));

    // One changed byte: no record is listed, whatever --force says.
    std::string bytes = ReadBytes(Path("records.vtr"));
    bytes[bytes.size() / 2] ^= 0x20;
    WriteBytes(Path("records.vtr"), bytes);
    const RunResult damaged =
        RunProgram({"list", Path("records.vtr").string(), "--force", "--password-stdin"}, "pw\n");
    EXPECT_EQ(damaged.exitCode, 3);
    EXPECT_EQ(damaged.out, "");
}

} // namespace
} // namespace vantrel::test
