#pragma once

#include <filesystem>
#include <string_view>

namespace vantrel {

// The forms a record file is stored in. The readers and writers switch over
// every kind without a default, so that the compiler (-Wswitch) names each
// place a new kind has to be handled.
enum class RecordFileKind {
    PlainText, // the text layout as it is, for export and import
    Encrypted, // the text compressed and encrypted by TCryptLib (no header)
    Protected, // the text encrypted and authenticated (formats/protected_file.h)
};

// The kind a name calls for: plain text exactly when the last path component
// ends in ".txt" (case-sensitive); every other name is an encrypted record
// file.
RecordFileKind RecordFileKindOfPath(const std::filesystem::path& path);

// The kind the bytes of a record file are read as: protected exactly when
// they begin with its magic, whatever the name said (`byName`); a file named
// as protected without the magic is read as the classic encrypted kind.
RecordFileKind RecordFileKindOfContent(std::string_view bytes, RecordFileKind byName);

} // namespace vantrel
