#pragma once

#include <filesystem>

namespace vantrel {

// The forms a record file is stored in. The readers and writers switch over
// every kind without a default, so that the compiler (-Wswitch) names each
// place a new kind has to be handled.
enum class RecordFileKind {
    PlainText, // the text layout as it is, for export and import
    Encrypted, // the text compressed and encrypted by TCryptLib (no header)
};

// The kind a name calls for: plain text exactly when the last path component
// ends in ".txt" (case-sensitive); every other name is an encrypted record
// file.
RecordFileKind RecordFileKindOfPath(const std::filesystem::path& path);

} // namespace vantrel
