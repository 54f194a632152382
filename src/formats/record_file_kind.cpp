#include "formats/record_file_kind.h"

#include "formats/protected_file.h"

#include <string>

namespace vantrel {

RecordFileKind RecordFileKindOfPath(const std::filesystem::path& path) {
    // The extension runs from the last "." of the last name component on.
    // std::filesystem::path::extension() differs for names such as ".txt",
    // which it takes for a stem without extension.
    const std::string name = path.filename().string();
    const std::size_t dot = name.rfind('.');
    return dot != std::string::npos && name.compare(dot, std::string::npos, ".txt") == 0
               ? RecordFileKind::PlainText
               : RecordFileKind::Encrypted;
}

RecordFileKind RecordFileKindOfContent(std::string_view bytes, RecordFileKind byName) {
    if (IsProtectedContent(bytes)) {
        return RecordFileKind::Protected;
    }
    return byName == RecordFileKind::Protected ? RecordFileKind::Encrypted : byName;
}

} // namespace vantrel
