// A stand-in for the client in the updaters' tests: it owns a window of the
// client's class ("ZEVACLIENT"), notes its start (with its arguments) and its
// close in the file ZEVA_STANDIN_RECORD names, and runs until WM_CLOSE.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/MessageQueue.h"
#include "platform/ProgramArguments.h"
#include "platform/WindowFinder.h"

namespace {

void Note(const std::string& line) {
    const char* record = std::getenv("ZEVA_STANDIN_RECORD");
    if (record == nullptr) return;
    if (FILE* f = std::fopen(record, "ab")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

}  // namespace

int main(int argc, char** argv) {
    zeva::ProgramArguments args(argc, argv);
    HWND h = nullptr;
    h = zeva::CreateWindowHandle([&h](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
        if (m == zeva::WM_CLOSE) {
            zeva::UnregisterWindowClassName(h);
            Note("closed");
            zeva::PostQuitMessage(0);
        }
        return 0;
    });
    if (!zeva::RegisterWindowClassName(h, "ZEVACLIENT")) return 1;
    std::string started = "started";
    for (int i = 1; i < args.argc(); ++i) started += std::string(" ") + args.argv()[i];
    Note(started);
    const int code = zeva::RunMessageLoop();
    zeva::DestroyWindowHandle(h);
    return code;
}
