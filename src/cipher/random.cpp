#include "cipher/random.h"

namespace vantrel {

namespace {

ClockSource clockSource = nullptr;

} // namespace

void SetClockSource(ClockSource source) {
    clockSource = source;
}

void ReseedFromClock() {
    using namespace std::chrono;
    // The system clock counts from the epoch in UTC, so the remainder of a day
    // is the UTC time of day, whatever the local time zone.
    const auto now = (clockSource ? clockSource() : system_clock::now()).time_since_epoch();
    const milliseconds day = days(1);
    const auto sinceMidnight = (duration_cast<milliseconds>(now) % day + day) % day;
    SetRandomSeed(static_cast<std::uint32_t>(sinceMidnight.count()));
}

} // namespace vantrel
