#include "Collector.h"

#include "platform/MessageQueue.h"

namespace enginetest {

std::size_t Pump() {
    return static_cast<std::size_t>(zeva::PumpMessages());
}

Collector::Collector()
    : hwnd_(zeva::CreateWindowHandle([this](HWND, UINT m, WPARAM w, LPARAM l) -> LRESULT {
          if (m == kMessage) messages_.push_back({w, l});
          return 0;
      })) {}

Collector::~Collector() {
    zeva::DestroyWindowHandle(hwnd_);
}

bool Collector::WaitFor(std::size_t count, int realMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(realMs);
    while (messages_.size() < count && std::chrono::steady_clock::now() < deadline) {
        if (Pump() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return messages_.size() >= count;
}

}  // namespace enginetest
