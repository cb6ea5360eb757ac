#include "platform/MessageQueue.h"

#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <unordered_map>

#include "MessageQueue_p.h"
#include "ThreadSlot_p.h"
#include "platform/Clock.h"

namespace zeva {

namespace {

struct ThreadQueue;

struct SentMessage {
    MSG msg;
    std::shared_ptr<ThreadQueue> sender;  // completion is signalled on the sender's queue
    bool done = false;                    // guarded by sender->mutex
    LRESULT result = 0;
};

struct ThreadQueue {
    std::mutex mutex;
    std::condition_variable cv;
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentMessage>> sent;
    std::set<std::pair<HWND, WPARAM>> pendingTimers;
    bool quit = false;
    int quitCode = 0;
    bool alive = true;
    std::thread::id owner = std::this_thread::get_id();
    std::function<void()> wake;  // an outside event loop's doorbell, guarded by mutex
};

// Wakes the owner's thread after something was queued for it.
void Notify(const std::shared_ptr<ThreadQueue>& q) {
    std::function<void()> wake;
    {
        std::lock_guard<std::mutex> lock(q->mutex);
        wake = q->wake;
    }
    q->cv.notify_all();
    if (wake) wake();
}

struct WindowRecord {
    WindowProc proc;
    std::shared_ptr<ThreadQueue> queue;  // null for remote windows
    detail::RemoteForwarder remote;
    std::atomic<bool> alive{true};
};

// The registries are never destroyed: threads that end after main() returns
// (detached helpers, thread-local queues) may still reach them.
struct WindowRegistry {
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, std::shared_ptr<WindowRecord>> windows;
    std::uintptr_t next = 0x1000;
};

WindowRegistry& Windows() {
    static WindowRegistry* registry = new WindowRegistry;
    return *registry;
}

std::shared_ptr<WindowRecord> FindRecord(HWND hwnd) {
    std::lock_guard<std::mutex> lock(Windows().mutex);
    const auto it = Windows().windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
    if (it == Windows().windows.end() || !it->second->alive) return nullptr;
    return it->second;
}

HWND Register(std::shared_ptr<WindowRecord> rec) {
    std::lock_guard<std::mutex> lock(Windows().mutex);
    const std::uintptr_t id = Windows().next++;
    Windows().windows.emplace(id, std::move(rec));
    return reinterpret_cast<HWND>(id);
}

void CompleteSent(const std::shared_ptr<SentMessage>& sm, LRESULT result) {
    {
        std::lock_guard<std::mutex> lock(sm->sender->mutex);
        sm->result = result;
        sm->done = true;
    }
    sm->sender->cv.notify_all();
}

// Destroys the windows of a finished thread and releases anyone waiting on it.
void RetireQueue(const std::shared_ptr<ThreadQueue>& q) {
    std::deque<std::shared_ptr<SentMessage>> orphans;
    {
        std::lock_guard<std::mutex> lock(q->mutex);
        q->alive = false;
        orphans.swap(q->sent);
        q->posted.clear();
    }
    for (auto& sm : orphans) CompleteSent(sm, 0);
    std::vector<HWND> owned;
    {
        std::lock_guard<std::mutex> lock(Windows().mutex);
        for (auto& [id, rec] : Windows().windows) {
            if (rec->queue == q) owned.push_back(reinterpret_cast<HWND>(id));
        }
    }
    for (HWND h : owned) DestroyWindowHandle(h);
}

using QueueHolder = std::shared_ptr<ThreadQueue>;

void RetireHolder(void* value) {
    const std::unique_ptr<QueueHolder> holder(static_cast<QueueHolder*>(value));
    RetireQueue(*holder);
}

// Each thread's queue, retired when the thread ends. Kept in a thread slot,
// never destroyed: a thread may end after main() returns.
detail::ThreadSlot& Queues() {
    static detail::ThreadSlot* slot = new detail::ThreadSlot(&RetireHolder);
    return *slot;
}

std::shared_ptr<ThreadQueue> CurrentQueue() {
    auto* holder = static_cast<QueueHolder*>(Queues().Get());
    if (holder == nullptr) {
        holder = new QueueHolder(std::make_shared<ThreadQueue>());
        Queues().Set(holder);
    }
    return *holder;
}

LRESULT CallProc(const std::shared_ptr<WindowRecord>& rec, const MSG& msg) {
    if (!rec || !rec->alive || !rec->proc) return 0;
    return rec->proc(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

// Handles messages sent to this thread from other threads; returns how many.
std::size_t HandleSent(const std::shared_ptr<ThreadQueue>& q) {
    std::size_t n = 0;
    for (;;) {
        std::shared_ptr<SentMessage> sm;
        {
            std::lock_guard<std::mutex> lock(q->mutex);
            if (q->sent.empty()) return n;
            sm = std::move(q->sent.front());
            q->sent.pop_front();
        }
        CompleteSent(sm, CallProc(FindRecord(sm->msg.hwnd), sm->msg));
        ++n;
    }
}

bool TakePosted(const std::shared_ptr<ThreadQueue>& q, MSG& msg) {
    std::lock_guard<std::mutex> lock(q->mutex);
    if (q->posted.empty()) return false;
    msg = q->posted.front();
    q->posted.pop_front();
    if (msg.message == WM_TIMER) q->pendingTimers.erase({msg.hwnd, msg.wParam});
    return true;
}

// ---- timers ----

struct TimerKey {
    HWND hwnd;
    UINT_PTR id;
    bool operator<(const TimerKey& o) const { return std::tie(hwnd, id) < std::tie(o.hwnd, o.id); }
};

struct TimerEntry {
    Clock* clock;
    Clock::AlarmId alarm;
    std::uint64_t generation;
    Clock::Duration interval;
    Clock::TimePoint due;
};

struct TimerRegistry {
    std::mutex mutex;
    std::map<TimerKey, TimerEntry> timers;
    std::uint64_t generation = 0;
};

TimerRegistry& Timers() {
    static TimerRegistry* registry = new TimerRegistry;
    return *registry;
}

void PostTimer(HWND hwnd, UINT_PTR id) {
    const auto rec = FindRecord(hwnd);
    if (!rec || !rec->queue) return;
    {
        std::lock_guard<std::mutex> lock(rec->queue->mutex);
        if (!rec->queue->alive || !rec->queue->pendingTimers.insert({hwnd, id}).second) return;
        rec->queue->posted.push_back(MSG{hwnd, WM_TIMER, id, 0});
    }
    Notify(rec->queue);
}

void ArmTimer(const TimerKey& key, TimerEntry& entry);

void OnTimerDue(TimerKey key, std::uint64_t generation) {
    std::thread::id owner;
    {
        std::lock_guard<std::mutex> lock(Timers().mutex);
        auto it = Timers().timers.find(key);
        if (it == Timers().timers.end() || it->second.generation != generation) return;
        PostTimer(key.hwnd, key.id);
        TimerEntry& e = it->second;
        const Clock::TimePoint now = e.clock->Now();
        e.due += e.interval;
        if (e.due <= now) e.due = now + e.interval;  // a late system clock skips, never bunches
        ArmTimer(key, e);
        const auto rec = FindRecord(key.hwnd);
        if (rec && rec->queue) owner = rec->queue->owner;
    }
    // A manual clock advanced by the window's own thread: let the handler
    // run now, before time moves on to the next due timer.
    if (owner == std::this_thread::get_id()) PumpMessages();
}

void ArmTimer(const TimerKey& key, TimerEntry& entry) {
    const std::uint64_t gen = entry.generation;
    entry.alarm = entry.clock->AddAlarm(entry.due, [key, gen] { OnTimerDue(key, gen); });
}

void KillTimersOf(HWND hwnd) {
    std::lock_guard<std::mutex> lock(Timers().mutex);
    for (auto it = Timers().timers.begin(); it != Timers().timers.end();) {
        if (it->first.hwnd == hwnd) {
            it->second.clock->CancelAlarm(it->second.alarm);
            it = Timers().timers.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace

namespace detail {

std::size_t HandlePendingSent() {
    return HandleSent(CurrentQueue());
}

HWND CreateRemoteWindowHandle(RemoteForwarder forward) {
    auto rec = std::make_shared<WindowRecord>();
    rec->remote = std::move(forward);
    return Register(std::move(rec));
}

}  // namespace detail

HWND CreateWindowHandle(WindowProc proc) {
    auto rec = std::make_shared<WindowRecord>();
    rec->proc = std::move(proc);
    rec->queue = CurrentQueue();
    return Register(std::move(rec));
}

void DestroyWindowHandle(HWND hwnd) {
    std::shared_ptr<WindowRecord> rec;
    {
        std::lock_guard<std::mutex> lock(Windows().mutex);
        const auto it = Windows().windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
        if (it == Windows().windows.end()) return;
        rec = it->second;
        Windows().windows.erase(it);
    }
    rec->alive = false;
    KillTimersOf(hwnd);
}

bool IsWindow(HWND hwnd) {
    return FindRecord(hwnd) != nullptr;
}

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto rec = FindRecord(hwnd);
    if (!rec) return 0;
    if (rec->remote) {
        rec->remote(message, wParam, lParam, false);
        return 1;
    }
    {
        std::lock_guard<std::mutex> lock(rec->queue->mutex);
        if (!rec->queue->alive) return 0;
        rec->queue->posted.push_back(MSG{hwnd, message, wParam, lParam});
    }
    Notify(rec->queue);
    return 1;
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto rec = FindRecord(hwnd);
    if (!rec) return 0;
    if (rec->remote) return rec->remote(message, wParam, lParam, true);
    const MSG msg{hwnd, message, wParam, lParam};
    if (rec->queue->owner == std::this_thread::get_id()) return CallProc(rec, msg);

    const auto self = CurrentQueue();
    auto sm = std::make_shared<SentMessage>();
    sm->msg = msg;
    sm->sender = self;
    {
        std::lock_guard<std::mutex> lock(rec->queue->mutex);
        if (!rec->queue->alive) return 0;
        rec->queue->sent.push_back(sm);
    }
    Notify(rec->queue);
    for (;;) {
        HandleSent(self);
        std::unique_lock<std::mutex> lock(self->mutex);
        if (sm->done) return sm->result;
        self->cv.wait(lock, [&] { return sm->done || !self->sent.empty(); });
        if (sm->done) return sm->result;
    }
}

bool PeekMessage(MSG& msg) {
    const auto q = CurrentQueue();
    HandleSent(q);
    return TakePosted(q, msg);
}

bool GetMessage(MSG& msg) {
    const auto q = CurrentQueue();
    for (;;) {
        HandleSent(q);
        if (TakePosted(q, msg)) return true;
        std::unique_lock<std::mutex> lock(q->mutex);
        if (q->posted.empty() && q->sent.empty()) {
            if (q->quit) {
                q->quit = false;
                msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(q->quitCode), 0};
                return false;
            }
            q->cv.wait(lock, [&] { return !q->posted.empty() || !q->sent.empty() || q->quit; });
        }
    }
}

LRESULT DispatchMessage(const MSG& msg) {
    return CallProc(FindRecord(msg.hwnd), msg);
}

void PostQuitMessage(int exitCode) {
    const auto q = CurrentQueue();
    {
        std::lock_guard<std::mutex> lock(q->mutex);
        q->quit = true;
        q->quitCode = exitCode;
    }
    Notify(q);
}

void SetMessageWakeup(std::function<void()> wake) {
    const auto q = CurrentQueue();
    std::lock_guard<std::mutex> lock(q->mutex);
    q->wake = std::move(wake);
}

bool TakeQuitRequest(int* exitCode) {
    const auto q = CurrentQueue();
    std::lock_guard<std::mutex> lock(q->mutex);
    if (!q->quit) return false;
    q->quit = false;
    if (exitCode) *exitCode = q->quitCode;
    return true;
}

int RunMessageLoop() {
    MSG msg;
    while (GetMessage(msg)) DispatchMessage(msg);
    return static_cast<int>(msg.wParam);
}

std::size_t PumpMessages() {
    std::size_t n = 0;
    MSG msg;
    while (PeekMessage(msg)) {
        DispatchMessage(msg);
        ++n;
    }
    return n;
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs) {
    const auto rec = FindRecord(hwnd);
    if (!rec || !rec->queue) return 0;
    Clock& clock = GetClock();
    std::lock_guard<std::mutex> lock(Timers().mutex);
    const TimerKey key{hwnd, id};
    if (auto it = Timers().timers.find(key); it != Timers().timers.end())
        it->second.clock->CancelAlarm(it->second.alarm);
    const Clock::Duration interval(elapseMs == 0 ? 1 : elapseMs);
    TimerEntry& e = Timers().timers[key];
    e = TimerEntry{&clock, 0, ++Timers().generation, interval, clock.Now() + interval};
    ArmTimer(key, e);
    return id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    std::lock_guard<std::mutex> lock(Timers().mutex);
    const auto it = Timers().timers.find(TimerKey{hwnd, id});
    if (it == Timers().timers.end()) return 0;
    it->second.clock->CancelAlarm(it->second.alarm);
    Timers().timers.erase(it);
    // A WM_TIMER already queued for it is dropped when the window is destroyed;
    // like Windows, one already in the queue may still arrive.
    return 1;
}

}  // namespace zeva
