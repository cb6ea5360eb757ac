#pragma once
// Ending an engine's worker thread from whichever thread stops the test.

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

}  // namespace zeva::speed
