#include "base/secret.h"

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

} // namespace vantrel
