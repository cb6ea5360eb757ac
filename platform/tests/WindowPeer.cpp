// A second process for the cross-process window tests: registers a window
// under a class name, says "ready" on standard output and runs its message
// loop until WM_CLOSE, which it records in a file before quitting.

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/MessageQueue.h"
#include "platform/WindowFinder.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zeva-window-peer CLASS RECORD-FILE\n");
        return 2;
    }
    const std::string record = argv[2];
    HWND h = nullptr;
    h = zeva::CreateWindowHandle([&](HWND, UINT m, WPARAM w, LPARAM) -> LRESULT {
        if (m == zeva::WM_CLOSE) {
            // As a real client does: withdraw the registration while handling
            // the WM_CLOSE that arrived through it.
            zeva::UnregisterWindowClassName(h);
            std::ofstream(record) << "closed\n";
            zeva::PostQuitMessage(0);
            return 0;
        }
        return m == zeva::WM_USER ? static_cast<LRESULT>(w) * 2 : 0;
    });
    if (!zeva::RegisterWindowClassName(h, argv[1])) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    const int code = zeva::RunMessageLoop();
    zeva::DestroyWindowHandle(h);
    return code;
}
