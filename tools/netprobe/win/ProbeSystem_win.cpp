#include <windows.h>

#include "ProbeSystem.h"

namespace zeva::netprobe {

bool StderrIsTerminal() {
    const HANDLE h = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    return h != nullptr && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode) != 0;
}

long ProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    // 100-nanosecond units.
    return static_cast<long>((ticks(kernel) + ticks(user)) / 10000ULL);
}

}  // namespace zeva::netprobe
