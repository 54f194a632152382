// encrypt and decrypt: the container transform of any bytes.
#include "cipher/crypt_lib.h"
#include "cli/cli_files.h"
#include "cli/commands.h"
#include "formats/protected_file.h"

#include <limits>

namespace vantrel::cli {

namespace {

namespace fs = std::filesystem;

std::int32_t KeyOption(const CommandContext& context, std::string_view name,
                       std::int32_t fallback) {
    const auto text = context.args.Value(name);
    if (!text) {
        return fallback;
    }
    const auto value = ParseNumber(name, *text, std::numeric_limits<std::int32_t>::min(),
                                   std::numeric_limits<std::int32_t>::max());
    if (value == 0) {
        throw UsageError("--" + std::string(name) + " must not be 0");
    }
    return static_cast<std::int32_t>(value);
}

int Transform(const CommandContext& context, bool encrypt) {
    const fs::path input = context.args.operands[0];
    const fs::path output = OutputPath(context.args);
    const std::int32_t addKey = KeyOption(context, "add-key", kProgramAddKey);
    const std::int32_t multKey = KeyOption(context, "mult-key", kProgramMultKey);
    RequireNewOutput(output, context.args.Flag("force"));
    InputFile in(input);

    TCryptLib cipher;
    ConfigureCipher(cipher, context.ReadPassword(encrypt).value(), addKey, multKey,
                    !context.args.Flag("no-compression"));
    const OutputLock lock(output);
    // Both directions stream from the input's bytes to the file: the other
    // side is never held whole. Decrypted bytes may be a plain-text record
    // file: for the owner's eyes only.
    SecretString held(in.ReadAll());
    // A protected record file is decrypted and authenticated whole before
    // anything is written; its text then goes out as it is.
    const bool protectedInput = !encrypt && IsProtectedContent(held.value());
    if (protectedInput) {
        ProtectedKeySlot key;
        SecretString text = ReadProtectedContent(held.value(), cipher.Password(), key);
        std::swap(held, text);
    }
    const std::string& bytes = held.value();
    WriteOutputFile(
        output,
        [&](const ChunkWriter& write) {
            const auto toFile = [&write](const std::uint8_t* piece, std::size_t count) {
                write({reinterpret_cast<const char*>(piece), count});
            };
            if (protectedInput) {
                write(bytes);
            } else if (encrypt) {
                cipher.EncryptStreamTo(ReadingFrom(bytes), bytes.size(), toFile);
            } else {
                cipher.DecryptStreamTo(ReadingFrom(bytes), bytes.size(), toFile);
            }
        },
        encrypt ? FilePermissions::KeepReplaced : FilePermissions::OwnerOnly);
    return kExitSuccess;
}

} // namespace

int EncryptCommand(const CommandContext& context) {
    return Transform(context, true);
}

int DecryptCommand(const CommandContext& context) {
    return Transform(context, false);
}

} // namespace vantrel::cli
