// The breach-list search over arbitrary bytes: it must end, stay inside the
// text and, when it answers, answer from a line of the text.
#include "health/breach_list.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vantrel;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // Hashes at both ends of the order, one in the middle, and the first
    // hash-like run of the input itself.
    std::string hashes[] = {std::string(40, '0'), std::string(40, 'F'), "8" + std::string(39, '0'),
                            std::string(text.substr(0, 40))};
    for (const std::string& hash : hashes) {
        try {
            const std::uint64_t seen = SearchBreachText(text, hash, "fuzz");
            if (seen > 0) {
                check(text.find(hash + ":") != std::string_view::npos);
            }
        } catch (const BreachListError&) {
        }
    }
    return 0;
}
