#pragma once
// A message-collecting window for the engine tests. Kept apart from the
// loopback server's header, which brings windows.h on Windows, so the
// message layer's header is included only where it is needed.

#include <chrono>
#include <cstddef>
#include <thread>
#include <vector>

#include "platform/WinTypes.h"

namespace enginetest {

struct Message {
    WPARAM w;
    LPARAM l;
};

// Handles the calling thread's pending messages; how many there were.
std::size_t Pump();

// A window of the test thread that keeps every message it is sent.
class Collector {
public:
    static constexpr UINT kMessage = 1627;
    Collector();
    ~Collector();
    Collector(const Collector&) = delete;
    Collector& operator=(const Collector&) = delete;
    HWND hwnd() const { return hwnd_; }
    const std::vector<Message>& messages() const { return messages_; }

    // Handles messages until `count` have arrived or `realMs` passed
    // (waiting on the engines' worker threads, not on a timer).
    bool WaitFor(std::size_t count, int realMs = 5000);
    template <typename Pred>
    static bool Until(Pred pred, int realMs = 5000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(realMs);
        while (!pred() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return pred();
    }

private:
    std::vector<Message> messages_;
    HWND hwnd_;
};

}  // namespace enginetest
