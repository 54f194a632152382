#pragma once

#include "base/secret.h"
#include "cipher/crypt_lib.h"
#include "cli/commands.h"
#include "formats/record_stream.h"

#include <filesystem>
#include <optional>

namespace vantrel::cli {

// A record file as the commands read it: the bytes of the file (about the
// size of the file) and the cipher that decrypts them, or none for plain text.
// The decrypted text is never held whole: several times the size of the file,
// and all of it passwords. Commands walk the records as often as they need.
struct RecordContent {
    SecretString bytes; // plain text holds passwords
    std::optional<TCryptLib> cipher;

    void forEachRecord(const RecordVisit& visit) {
        ForEachRecordInContent(bytes.value(), cipher ? &*cipher : nullptr, visit);
    }
};

// FILE: a plain-text record file with `plain`, otherwise an encrypted one
// under the password (asked for after FILE proved readable).
RecordContent ReadContent(const CommandContext& context, const std::filesystem::path& file,
                          bool plain);

} // namespace vantrel::cli
