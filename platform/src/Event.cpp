#include "platform/Event.h"

#include "platform/Clock.h"

namespace zeva {

Event::Event(bool manualReset, bool initialState)
    : manualReset_(manualReset), state_(initialState) {}

void Event::Set() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        state_ = true;
    }
    cv_.notify_all();
}

void Event::Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    state_ = false;
}

bool Event::IsSet() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return state_;
}

bool Event::Wait(std::uint32_t timeoutMs) {
    Clock& clock = GetClock();
    std::unique_lock<std::mutex> lock(mutex_);
    const Clock::TimePoint deadline =
        timeoutMs == kInfinite ? Clock::kForever : clock.Now() + Clock::Duration(timeoutMs);
    const bool signalled = clock.WaitUntil(lock, cv_, deadline, [this] { return state_; });
    if (signalled && !manualReset_) state_ = false;
    return signalled;
}

}  // namespace zeva
