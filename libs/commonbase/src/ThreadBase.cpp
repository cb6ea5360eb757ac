#include "ThreadBase.h"

#include "ModuleThreads.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

struct CThreadBase::State {
    mutable std::mutex mutex;
    std::condition_variable cv;
    std::thread thread;
    std::thread::id threadId;
    bool running = false;
    bool stop = false;
    bool suspended = false;
    bool autoFree = false;
    DWORD exitCode = 0;
};

namespace {

// The auto-free threads this module started. The library is static, so each
// plug-in has its own list; its destruction at unload joins what still runs.
zeva::ModuleThreads& AutoFreeRegistry() {
    static zeva::ModuleThreads registry;
    return registry;
}

}  // namespace

CThreadBase::CThreadBase() : state_(std::make_shared<State>()) {}

CThreadBase::~CThreadBase() {
    std::thread t;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        if (state_->threadId == std::this_thread::get_id()) {
            // Deleted from its own body (auto-free): nothing to wait for.
            if (state_->thread.joinable()) state_->thread.detach();
            return;
        }
        state_->stop = true;
        state_->suspended = false;
        t = std::move(state_->thread);
    }
    state_->cv.notify_all();
    if (t.joinable()) t.join();
}

BOOL CThreadBase::Start() {
    const auto state = state_;
    std::unique_lock<std::mutex> lock(state->mutex);
    if (state->running) return 0;
    if (state->thread.joinable()) state->thread.join();  // a finished earlier run
    state->running = true;
    state->stop = false;
    state->exitCode = STILL_ACTIVE;
    const bool autoFree = state->autoFree;
    const auto done = std::make_shared<std::atomic<bool>>(false);
    state->thread = std::thread([this, state, autoFree, done] {
        {
            std::lock_guard<std::mutex> g(state->mutex);
            state->threadId = std::this_thread::get_id();
        }
        const DWORD code = Run();
        if (autoFree) delete this;  // `this` is gone from here on; `state` lives on
        {
            std::lock_guard<std::mutex> g(state->mutex);
            state->exitCode = code;
            state->running = false;
            state->threadId = std::thread::id();
        }
        state->cv.notify_all();
        done->store(true, std::memory_order_release);
    });
    if (autoFree) {
        // Asking to stop needs only the shared state, which outlives the object.
        auto stop = [state] {
            {
                std::lock_guard<std::mutex> g(state->mutex);
                state->stop = true;
                state->suspended = false;
            }
            state->cv.notify_all();
        };
        std::thread thread = std::move(state->thread);
        lock.unlock();
        AutoFreeRegistry().Add(std::move(thread), done, std::move(stop));
    }
    return 1;
}

BOOL CThreadBase::Resume() {
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->suspended = false;
    }
    state_->cv.notify_all();
    return 1;
}

BOOL CThreadBase::Suspend() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (!state_->running) return 0;
    state_->suspended = true;
    return 1;
}

BOOL CThreadBase::Terminate() {
    const auto state = state_;  // survives an auto-free object deleting itself meanwhile
    std::thread t;
    {
        std::unique_lock<std::mutex> lock(state->mutex);
        state->stop = true;
        state->suspended = false;
        state->cv.notify_all();
        if (state->threadId == std::this_thread::get_id()) return 1;
        if (state->thread.joinable()) {
            t = std::move(state->thread);
        } else {
            state->cv.wait(lock, [&] { return !state->running; });
        }
    }
    if (t.joinable()) t.join();
    return 1;
}

void CThreadBase::SetAutoFree(bool autoFree) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->autoFree = autoFree;
}

void CThreadBase::StopAutoFreeThreads() {
    AutoFreeRegistry().StopAndJoinAll();
}

bool CThreadBase::IsAutoFree() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->autoFree;
}

bool CThreadBase::IsRunning() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->running;
}

DWORD CThreadBase::GetExitCode() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->exitCode;
}

bool CThreadBase::IsStopRequested() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->stop;
}

bool CThreadBase::CheckPoint() {
    std::unique_lock<std::mutex> lock(state_->mutex);
    state_->cv.wait(lock, [&] { return !state_->suspended || state_->stop; });
    return !state_->stop;
}
