// Arbitrary bytes through the licence text's RTF reader: it either gives a
// document or refuses with the program's error, never crashes or runs away.
#include "about/rtf_reader.h"
#include "base/error.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const vantrel::RtfDocument document = vantrel::ReadRtf(bytes);
        for (const vantrel::RtfParagraph& paragraph : document.paragraphs) {
            for (const vantrel::RtfRun& run : paragraph.runs) {
                if (run.text.size() > 4 * size + 16) {
                    __builtin_trap(); // text out of nothing: the reader ran away
                }
            }
        }
    } catch (const vantrel::Error&) {
        // Refused as not loadable: the expected outcome for most inputs.
    }
    return 0;
}
