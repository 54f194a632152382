#include "base/secret.h"

#include <algorithm>
#include <string.h>

namespace vantrel {

void WipeString(std::string& bytes) {
    bytes.resize(bytes.capacity());
    explicit_bzero(bytes.data(), bytes.size());
    bytes.clear();
}

void WipeBytes(void* data, std::size_t size) {
    explicit_bzero(data, size);
}

void AppendSecret(std::string& held, std::string_view more) {
    if (held.size() + more.size() > held.capacity()) {
        std::string larger;
        larger.reserve(std::max(held.capacity() * 2, held.size() + more.size()));
        larger.append(held);
        WipeString(held);
        held.swap(larger);
    }
    held.append(more);
}

} // namespace vantrel
