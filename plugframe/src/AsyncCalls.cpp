#include "AsyncCalls.h"

#include <list>
#include <thread>

namespace zeva::plug {

namespace {

// The workers of this module. Each plug-in links its own copy of the page
// frame with hidden symbols, so this is one list per plug-in, destroyed (and
// so joined) when the plug-in's library unloads.
class WorkerSet {
public:
    ~WorkerSet() { JoinAll(); }

    void Start(std::function<void()> body) {
        std::lock_guard<std::mutex> hold(lock_);
        ReapLocked();
        auto done = std::make_shared<std::atomic<bool>>(false);
        threads_.push_back(Worker{std::thread([body = std::move(body), done]() mutable {
                                      body();
                                      body = nullptr;  // captures die on the worker, not at join
                                      done->store(true, std::memory_order_release);
                                  }),
                                  done});
    }

    void JoinAll() {
        std::list<Worker> all;
        {
            std::lock_guard<std::mutex> hold(lock_);
            all.swap(threads_);
        }
        for (Worker& w : all) {
            if (w.thread.joinable()) w.thread.join();
        }
    }

    std::atomic<bool> inlineRuns{false};

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };

    void ReapLocked() {
        for (auto it = threads_.begin(); it != threads_.end();) {
            if (it->done->load(std::memory_order_acquire)) {
                it->thread.join();
                it = threads_.erase(it);
            } else {
                ++it;
            }
        }
    }

    std::mutex lock_;
    std::list<Worker> threads_;
};

WorkerSet& Workers() {
    static WorkerSet workers;
    return workers;
}

}  // namespace

namespace detail {

void StartWorker(std::function<void()> body) {
    Workers().Start(std::move(body));
}

bool RunsInline() {
    return Workers().inlineRuns.load();
}

void AsyncState::CancelAll() {
    for (auto& [ticket, job] : pending) job->token.Cancel();
    pending.clear();
}

void AsyncState::Deliver(std::uint64_t ticket) {
    const auto it = pending.find(ticket);
    if (it == pending.end()) return;  // cancelled, or from an earlier window
    std::shared_ptr<AsyncJob> job = it->second;
    pending.erase(it);
    std::function<void()> deliver;
    {
        std::lock_guard<std::mutex> hold(job->lock);
        deliver = std::move(job->deliver);
    }
    if (deliver) deliver();
}

}  // namespace detail

AsyncCalls::AsyncCalls(CImageDialog& owner)
    : owner_(owner), state_(std::make_shared<detail::AsyncState>()) {
    // The hooks hold the state, not this object, so they stay safe in
    // whatever order the dialog and its members are destroyed.
    std::shared_ptr<detail::AsyncState> state = state_;
    owner_.HandleMessage(kMsgAsyncDone, [state, &owner](WPARAM, LPARAM ticket) -> LRESULT {
        if (owner.GetSafeHwnd() == state->hwnd) state->Deliver(static_cast<std::uint64_t>(ticket));
        return 0;
    });
    owner_.AtDestroy([state] { state->CancelAll(); });
}

AsyncCalls::~AsyncCalls() {
    state_->CancelAll();
}

void AsyncCalls::SetInline(bool inlineRuns) {
    Workers().inlineRuns.store(inlineRuns);
}

void AsyncCalls::WaitForWorkers() {
    Workers().JoinAll();
}

}  // namespace zeva::plug
