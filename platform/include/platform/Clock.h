#pragma once
// One clock for the whole program. Timers, timed waits, sleeps and tick
// counts all read it, so tests can swap in a ManualClock and advance time
// themselves instead of sleeping.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace zeva {

class Clock {
public:
    using Duration = std::chrono::milliseconds;
    using TimePoint = std::chrono::milliseconds;  // since the clock's own epoch
    using AlarmId = std::uint64_t;

    static constexpr TimePoint kForever = TimePoint::max();

    virtual ~Clock() = default;

    virtual TimePoint Now() const = 0;

    // Waits on `cv` (with `lock` held on entry and exit) until `done()` is true
    // or the clock reaches `deadline`. Returns done().
    virtual bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                           TimePoint deadline, const std::function<bool()>& done) = 0;

    // Runs `fn` once when the clock reaches `due`, on a thread of the clock's
    // choosing (a background thread, or the thread advancing a manual clock).
    virtual AlarmId AddAlarm(TimePoint due, std::function<void()> fn) = 0;
    // Cancels an alarm that has not run yet; an alarm already running finishes.
    virtual void CancelAlarm(AlarmId id) = 0;

    virtual void SleepFor(Duration d);
};

// The operating system's monotonic clock.
class SystemClock final : public Clock {
public:
    SystemClock();
    ~SystemClock() override;

    TimePoint Now() const override;
    bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                   TimePoint deadline, const std::function<bool()>& done) override;
    AlarmId AddAlarm(TimePoint due, std::function<void()> fn) override;
    void CancelAlarm(AlarmId id) override;

private:
    void AlarmLoop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::multimap<TimePoint, std::pair<AlarmId, std::function<void()>>> alarms_;
    AlarmId nextId_ = 1;
    bool stop_ = false;
    std::thread thread_;
};

// A clock that stands still until a test advances it.
class ManualClock final : public Clock {
public:
    explicit ManualClock(TimePoint start = TimePoint(0));
    ~ManualClock() override;

    TimePoint Now() const override;
    bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                   TimePoint deadline, const std::function<bool()>& done) override;
    AlarmId AddAlarm(TimePoint due, std::function<void()> fn) override;
    void CancelAlarm(AlarmId id) override;

    // With auto-advance, SleepFor moves the clock forward itself instead of
    // waiting for another thread to advance it (single-threaded programs).
    void SetAutoAdvance(bool on) { autoAdvance_ = on; }
    void SleepFor(Duration d) override;

    // Moves time forward, stopping at every alarm that falls due on the way
    // and running it on the calling thread, in order of due time.
    void Advance(Duration d);

    // Total time slept through SleepFor with auto-advance.
    Duration Slept() const;

    // Threads currently in a timed wait on this clock (tests use it to know
    // a worker has started waiting before they advance time).
    std::size_t Waiters() const;
    // Blocks until at least `n` threads wait on this clock.
    void AwaitWaiters(std::size_t n) const;

private:
    mutable std::mutex mutex_;
    TimePoint now_;
    std::multimap<TimePoint, std::pair<AlarmId, std::function<void()>>> alarms_;
    std::set<std::condition_variable*> waiters_;
    AlarmId nextId_ = 1;
    bool autoAdvance_ = false;
    Duration slept_{0};
};

// The program's clock: the system clock unless a test installed another.
Clock& GetClock();
void SetClock(Clock* clock);  // nullptr restores the system clock

// Installs a clock for one scope.
class ScopedClock {
public:
    explicit ScopedClock(Clock& clock) { SetClock(&clock); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;
    ~ScopedClock() { SetClock(nullptr); }
};

// Milliseconds on the program's clock, wrapping like the Windows tick count.
std::uint32_t GetTickCount();
void Sleep(std::uint32_t ms);

}  // namespace zeva
