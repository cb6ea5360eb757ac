#include "PostToWindow_p.h"

#include "platform/MessageQueue.h"

namespace zeva::speed {

void PostToWindow(HWND window, UINT message, WPARAM w, LPARAM l) {
    zeva::PostMessage(window, message, w, l);
}

}  // namespace zeva::speed
