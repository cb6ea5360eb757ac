#pragma once
// Blocking calls (a SOAP operation, a scan, a name look-up) run off the
// window thread, their results handed back on it.
//
// A dialog owns one AsyncCalls. Run() starts the work on a worker thread;
// when it returns, `done` runs on the dialog's thread through its message
// queue. When the window is destroyed (or the AsyncCalls goes), pending
// results are dropped and the work's CancelToken reads cancelled. Workers
// belong to the module (plug-in) that started them: unloading it waits
// for every one still running, so no code runs from an unloaded library.

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <type_traits>
#include <utility>

#include "ImageDialog.h"

namespace zeva::plug {

// The message that carries a finished call to its dialog (lParam = ticket).
inline constexpr UINT kMsgAsyncDone = 0x8000 + 0x2A;

class CancelToken {
public:
    CancelToken() : flag_(std::make_shared<std::atomic<bool>>(false)) {}
    bool Cancelled() const { return flag_->load(std::memory_order_acquire); }
    void Cancel() const { flag_->store(true, std::memory_order_release); }

private:
    std::shared_ptr<std::atomic<bool>> flag_;
};

namespace detail {

struct AsyncJob {
    std::uint64_t ticket = 0;
    CancelToken token;
    std::mutex lock;
    std::function<void()> deliver;  // set by the worker before it posts
};

struct AsyncState {
    HWND hwnd = nullptr;
    std::uint64_t next = 0;
    std::map<std::uint64_t, std::shared_ptr<AsyncJob>> pending;
    void CancelAll();
    void Deliver(std::uint64_t ticket);
};

// Starts `body` on a worker thread of this module.
void StartWorker(std::function<void()> body);
bool RunsInline();

}  // namespace detail

class AsyncCalls {
public:
    explicit AsyncCalls(CImageDialog& owner);
    ~AsyncCalls();
    AsyncCalls(const AsyncCalls&) = delete;
    AsyncCalls& operator=(const AsyncCalls&) = delete;

    // `work()` or `work(const CancelToken&)` on a worker; `done(result)` (or
    // `done()` for work without a result) on the window thread. Only while
    // the owner has a window: without one nothing runs.
    template <class Work, class Done>
    bool Run(Work work, Done done);

    // Drops every pending result and tells the running work to stop.
    void CancelAll() { state_->CancelAll(); }
    std::size_t Pending() const { return state_->pending.size(); }

    // Tests: run the work on the calling thread (the result still arrives
    // through the queue), so page logic is deterministic under a manual clock.
    static void SetInline(bool inlineRuns);
    // Joins every worker of this module (the library's unload does this too).
    static void WaitForWorkers();

private:
    CImageDialog& owner_;
    std::shared_ptr<detail::AsyncState> state_;
};

template <class Work, class Done>
bool AsyncCalls::Run(Work work, Done done) {
    const HWND hwnd = owner_.GetSafeHwnd();
    if (!hwnd) return false;
    state_->hwnd = hwnd;
    auto job = std::make_shared<detail::AsyncJob>();
    job->ticket = ++state_->next;
    state_->pending[job->ticket] = job;
    auto body = [job, hwnd, work = std::move(work), done = std::move(done)]() mutable {
        std::function<void()> deliver;
        try {
            if constexpr (std::is_invocable_v<Work&, const CancelToken&>) {
                using R = std::invoke_result_t<Work&, const CancelToken&>;
                if constexpr (std::is_void_v<R>) {
                    work(job->token);
                    deliver = [done = std::move(done)]() mutable { done(); };
                } else {
                    auto result = std::make_shared<R>(work(job->token));
                    deliver = [done = std::move(done), result]() mutable { done(*result); };
                }
            } else {
                using R = std::invoke_result_t<Work&>;
                if constexpr (std::is_void_v<R>) {
                    work();
                    deliver = [done = std::move(done)]() mutable { done(); };
                } else {
                    auto result = std::make_shared<R>(work());
                    deliver = [done = std::move(done), result]() mutable { done(*result); };
                }
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "background call failed: %s\n", e.what());
            return;
        } catch (...) {
            std::fprintf(stderr, "background call failed\n");
            return;
        }
        {
            std::lock_guard<std::mutex> hold(job->lock);
            job->deliver = std::move(deliver);
        }
        if (!job->token.Cancelled())
            zeva::PostMessage(hwnd, kMsgAsyncDone, 0, static_cast<LPARAM>(job->ticket));
    };
    if (detail::RunsInline()) {
        body();
    } else {
        detail::StartWorker(std::move(body));
    }
    return true;
}

}  // namespace zeva::plug
