#include "cipher/random.h"

#include <chrono>

namespace vantrel {

void ReseedFromClock() {
    using namespace std::chrono;
    const auto now = system_clock::now().time_since_epoch();
    const auto sinceMidnight = duration_cast<milliseconds>(now) % days(1);
    SetRandomSeed(static_cast<std::uint32_t>(sinceMidnight.count()));
}

} // namespace vantrel
