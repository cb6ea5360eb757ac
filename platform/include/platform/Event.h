#pragma once
// Manual- and auto-reset events, waited on with time-outs measured on the
// program's clock (see Clock.h).

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace zeva {

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;

class Event {
public:
    Event(bool manualReset, bool initialState);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;

    // True when the event was signalled within `timeoutMs` (kInfinite waits
    // for ever). An auto-reset event is reset by the wait that sees it.
    bool Wait(std::uint32_t timeoutMs = kInfinite);

private:
    const bool manualReset_;
    bool state_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
};

}  // namespace zeva
