#pragma once
// Drives the UI thread's message queue from the Windows message loop. A
// post, send or timer from any thread rings the queue's doorbell; the
// doorbell posts one message (coalesced while one is pending) to a hidden
// window of the UI thread, whose procedure runs PumpMessages there. No
// polling timer is involved. PostQuitMessage of the message layer ends the
// Windows loop with its code.

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>

#include "platform/WinTypes.h"

namespace zeva::ui {

class Win32MessagePump {
public:
    // On the UI thread.
    Win32MessagePump();
    ~Win32MessagePump();
    Win32MessagePump(const Win32MessagePump&) = delete;
    Win32MessagePump& operator=(const Win32MessagePump&) = delete;
    std::size_t Handled() const { return handled_; }
    // Handles what is queued now (the hidden window's procedure calls it).
    void Pump();

    struct Bell {
        std::mutex mutex;
        HWND target = nullptr;
        std::atomic<bool> pending{false};
    };

private:
    std::shared_ptr<Bell> bell_;
    std::size_t handled_ = 0;
};

}  // namespace zeva::ui
