#include "AsyncCalls.h"

#include "ModuleThreads.h"

namespace zeva::plug {

namespace {

// The workers of this module. Each plug-in links its own copy of the page
// frame with hidden symbols, so this is one set per plug-in, destroyed (and
// so joined) when the plug-in's library unloads.
zeva::ModuleThreads& Workers() {
    static zeva::ModuleThreads workers;
    return workers;
}

std::atomic<bool> g_inlineRuns{false};

}  // namespace

namespace detail {

void StartWorker(std::function<void()> body) {
    Workers().Start(std::move(body));
}

bool RunsInline() {
    return g_inlineRuns.load();
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
    g_inlineRuns.store(inlineRuns);
}

void AsyncCalls::WaitForWorkers() {
    Workers().StopAndJoinAll();
}

}  // namespace zeva::plug
