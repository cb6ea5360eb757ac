#include <windows.h>

#include "StopSignal.h"

namespace zeva::backoffice {
namespace {

HANDLE g_stop = nullptr;

BOOL WINAPI OnConsoleControl(DWORD) {
    SetEvent(g_stop);
    // Handled: main ends the program once the emulator has stopped (for a
    // closing console, Windows waits a few seconds for that).
    return TRUE;
}

}  // namespace

void PrepareStopRequests() {
    g_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

void WaitForStopRequest() {
    WaitForSingleObject(g_stop, INFINITE);
}

}  // namespace zeva::backoffice
