#pragma once

#include <chrono>
#include <functional>
#include <utility>

namespace vantrel {

// Counts the time since the user's last input by the wall clock, so that time
// the machine spent asleep counts too. A clock set back starts the count again.
class IdleTimer {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    explicit IdleTimer(Clock clock = [] { return std::chrono::system_clock::now(); })
        : clock_(std::move(clock)), lastInput_(clock_()) {}

    // 0 (or less): never idle.
    void setLimit(std::chrono::seconds limit) {
        limit_ = limit;
        noteInput();
    }
    std::chrono::seconds limit() const { return limit_; }
    void noteInput() { lastInput_ = clock_(); }

    // Whether the limit has passed since the last input.
    bool expired() {
        const auto now = clock_();
        if (now < lastInput_) {
            lastInput_ = now;
        }
        return limit_.count() > 0 && now - lastInput_ >= limit_;
    }

private:
    Clock clock_;
    std::chrono::system_clock::time_point lastInput_;
    std::chrono::seconds limit_{0};
};

} // namespace vantrel
