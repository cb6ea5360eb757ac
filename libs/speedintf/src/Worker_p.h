#pragma once
// Starting and ending an engine's worker thread.

#include <mutex>
#include <thread>

namespace zeva::speed {

// Waits for the worker to finish; the worker itself (stopping from its own
// progress message) cannot join itself and is let go instead.
inline void JoinOrDetach(std::thread& worker) {
    if (!worker.joinable()) return;
    if (worker.get_id() != std::this_thread::get_id())
        worker.join();
    else
        worker.detach();
}

// Joins the worker of a finished test before a new one starts; false, with
// nothing done, while a test still runs. `running` is guarded by `mutex`.
inline bool JoinFinished(std::mutex& mutex, const bool& running, std::thread& worker) {
    std::thread old;
    {
        std::lock_guard lock(mutex);
        if (running) return false;
        old = std::move(worker);
    }
    if (old.joinable()) old.join();
    return true;
}

}  // namespace zeva::speed
