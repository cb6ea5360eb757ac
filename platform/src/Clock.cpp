#include "platform/Clock.h"

#include <atomic>

namespace zeva {

namespace {

std::atomic<Clock*> g_clock{nullptr};

// A manual clock cannot notify a waiter between its check of the time and its
// wait without taking the waiter's lock; a short real-time re-check closes that gap.
constexpr std::chrono::milliseconds kManualRecheck{5};

template <typename Alarms>
void EraseAlarm(Alarms& alarms, Clock::AlarmId id) {
    for (auto it = alarms.begin(); it != alarms.end(); ++it) {
        if (it->second.first == id) {
            alarms.erase(it);
            return;
        }
    }
}

}  // namespace

void Clock::SleepFor(Duration d) {
    std::mutex m;
    std::condition_variable cv;
    std::unique_lock<std::mutex> lock(m);
    const TimePoint deadline = Now() + d;
    WaitUntil(lock, cv, deadline, [] { return false; });
}

// ---- SystemClock ----

SystemClock::SystemClock() = default;

SystemClock::~SystemClock() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

Clock::TimePoint SystemClock::Now() const {
    return std::chrono::duration_cast<TimePoint>(
        std::chrono::steady_clock::now().time_since_epoch());
}

bool SystemClock::WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                            TimePoint deadline, const std::function<bool()>& done) {
    if (deadline == kForever) {
        cv.wait(lock, done);
        return true;
    }
    const auto when = std::chrono::steady_clock::time_point(
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(deadline));
    return cv.wait_until(lock, when, done);
}

Clock::AlarmId SystemClock::AddAlarm(TimePoint due, std::function<void()> fn) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!thread_.joinable()) thread_ = std::thread([this] { AlarmLoop(); });
    const AlarmId id = nextId_++;
    alarms_.emplace(due, std::make_pair(id, std::move(fn)));
    wake_.notify_all();
    return id;
}

void SystemClock::CancelAlarm(AlarmId id) {
    std::lock_guard<std::mutex> lock(mutex_);
    EraseAlarm(alarms_, id);
}

void SystemClock::AlarmLoop() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        if (alarms_.empty()) {
            wake_.wait(lock);
            continue;
        }
        const TimePoint due = alarms_.begin()->first;
        if (Now() < due) {
            wake_.wait_until(
                lock, std::chrono::steady_clock::time_point(
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(due)));
            continue;
        }
        auto fn = std::move(alarms_.begin()->second.second);
        alarms_.erase(alarms_.begin());
        lock.unlock();
        fn();
        lock.lock();
    }
}

// ---- ManualClock ----

ManualClock::ManualClock(TimePoint start) : now_(start) {}

ManualClock::~ManualClock() = default;

Clock::TimePoint ManualClock::Now() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return now_;
}

bool ManualClock::WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                            TimePoint deadline, const std::function<bool()>& done) {
    {
        std::lock_guard<std::mutex> g(mutex_);
        waiters_.insert(&cv);
    }
    while (!done() && Now() < deadline) cv.wait_for(lock, kManualRecheck);
    {
        std::lock_guard<std::mutex> g(mutex_);
        waiters_.erase(&cv);
    }
    return done();
}

Clock::AlarmId ManualClock::AddAlarm(TimePoint due, std::function<void()> fn) {
    std::lock_guard<std::mutex> lock(mutex_);
    const AlarmId id = nextId_++;
    alarms_.emplace(due, std::make_pair(id, std::move(fn)));
    return id;
}

void ManualClock::CancelAlarm(AlarmId id) {
    std::lock_guard<std::mutex> lock(mutex_);
    EraseAlarm(alarms_, id);
}

void ManualClock::SleepFor(Duration d) {
    if (!autoAdvance_) {
        Clock::SleepFor(d);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        slept_ += d;
    }
    Advance(d);
}

ManualClock::Duration ManualClock::Slept() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return slept_;
}

std::size_t ManualClock::Waiters() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return waiters_.size();
}

void ManualClock::AwaitWaiters(std::size_t n) const {
    while (Waiters() < n) std::this_thread::yield();
}

void ManualClock::Advance(Duration d) {
    TimePoint target;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        target = now_ + d;
    }
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (alarms_.empty() || alarms_.begin()->first > target) {
                now_ = target;
            } else {
                now_ = std::max(now_, alarms_.begin()->first);
                fn = std::move(alarms_.begin()->second.second);
                alarms_.erase(alarms_.begin());
            }
            for (std::condition_variable* cv : waiters_) cv->notify_all();
        }
        if (!fn) break;
        fn();
    }
}

// ---- the program's clock ----

Clock& GetClock() {
    // Never destroyed: a worker a plug-in still runs while the program exits
    // (it is stopped by an exit hook that may run later) keeps reading it.
    static SystemClock& system = *new SystemClock;
    Clock* c = g_clock.load(std::memory_order_acquire);
    return c != nullptr ? *c : system;
}

void SetClock(Clock* clock) {
    g_clock.store(clock, std::memory_order_release);
}

std::uint32_t GetTickCount() {
    return static_cast<std::uint32_t>(GetClock().Now().count());
}

void Sleep(std::uint32_t ms) {
    GetClock().SleepFor(Clock::Duration(ms));
}

}  // namespace zeva
