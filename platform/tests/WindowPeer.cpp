// A second process for the cross-process window tests: registers a window
// under a class name (taking WM_USER from other processes too when a third
// argument says "user", or the message a third argument numbers), says "ready" on standard output
// and runs its message loop until WM_CLOSE. It records every message it handles in a file.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/MessageQueue.h"
#include "platform/WindowFinder.h"

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: zeva-window-peer CLASS RECORD-FILE [user]\n");
        return 2;
    }
    const std::string record = argv[2];
    HWND h = nullptr;
    h = zeva::CreateWindowHandle([&](HWND, UINT m, WPARAM w, LPARAM) -> LRESULT {
        if (m == zeva::WM_CLOSE) {
            // As a real client does: withdraw the registration while handling
            // the WM_CLOSE that arrived through it.
            zeva::UnregisterWindowClassName(h);
            std::ofstream(record, std::ios::app | std::ios::binary) << "closed\n";
            zeva::PostQuitMessage(0);
            return 0;
        }
        std::ofstream(record, std::ios::app | std::ios::binary)
            << "message " << m << " " << w << "\n";
        return m == zeva::WM_USER ? static_cast<LRESULT>(w) * 2 : 0;
    });
    std::vector<UINT> also;
    if (argc == 4 && std::string(argv[3]) == "user") also.push_back(zeva::WM_USER);
    if (argc == 4 && std::atoi(argv[3]) > 0) also.push_back(static_cast<UINT>(std::atoi(argv[3])));
    if (!zeva::RegisterWindowClassName(h, argv[1], also)) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    const int code = zeva::RunMessageLoop();
    zeva::DestroyWindowHandle(h);
    return code;
}
