#include "MessageWindow.h"

#include "platform/MessageQueue.h"

namespace zeva::test {

MessageWindow::MessageWindow(UINT message) {
    window_ = CreateWindowHandle([this, message](HWND, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == message) got_.emplace_back(w, l);
        return 0;
    });
}

MessageWindow::~MessageWindow() {
    DestroyWindowHandle(window_);
}

const std::vector<std::pair<WPARAM, LPARAM>>& MessageWindow::Pump() {
    PumpMessages();
    return got_;
}

}  // namespace zeva::test
