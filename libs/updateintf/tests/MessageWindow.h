#pragma once
// A window of the platform's message layer that records one message, kept
// apart from the tests' own sources: the message layer's names (WM_*,
// PostMessage) cannot meet windows.h, which the loopback HTTP server brings.

#include <utility>
#include <vector>

#include "platform/WinTypes.h"

namespace zeva::test {

class MessageWindow {
public:
    explicit MessageWindow(UINT message);
    ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    HWND handle() const { return window_; }
    // Handles what is queued for the calling thread; the recorded parameters so far.
    const std::vector<std::pair<WPARAM, LPARAM>>& Pump();

private:
    HWND window_ = nullptr;
    std::vector<std::pair<WPARAM, LPARAM>> got_;
};

}  // namespace zeva::test
