#include "Win32MessagePump.h"

#include "UiSkinWindows.h"

namespace zeva::ui {

namespace {

constexpr UINT kPumpMessage = WM_APP + 0x5A1;
const wchar_t kPumpClass[] = L"ZevaMessagePump";

LRESULT CALLBACK PumpProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kPumpMessage) {
        auto* pump = reinterpret_cast<Win32MessagePump*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (pump) pump->Pump();
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void RegisterPumpClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = PumpProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kPumpClass;
    RegisterClassExW(&wc);  // fails harmlessly when a second pump registers it again
}

}  // namespace

Win32MessagePump::Win32MessagePump() : bell_(std::make_shared<Bell>()) {
    RegisterPumpClass();
    HWND hwnd = CreateWindowExW(0, kPumpClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    bell_->target = hwnd;
    std::weak_ptr<Bell> weak = bell_;
    SetMessageWakeup([weak] {
        const auto bell = weak.lock();
        if (!bell || bell->pending.exchange(true)) return;
        std::lock_guard<std::mutex> lock(bell->mutex);
        if (bell->target) PostMessageW(bell->target, kPumpMessage, 0, 0);
    });
    // Anything queued before the pump existed is handled on the first turn of the loop.
    bell_->pending = true;
    PostMessageW(hwnd, kPumpMessage, 0, 0);
}

Win32MessagePump::~Win32MessagePump() {
    SetMessageWakeup({});
    HWND hwnd = nullptr;
    {
        std::lock_guard<std::mutex> lock(bell_->mutex);
        hwnd = bell_->target;
        bell_->target = nullptr;
    }
    if (hwnd) ::DestroyWindow(hwnd);
}

void Win32MessagePump::Pump() {
    // Cleared before pumping: a message posted while we pump rings again.
    bell_->pending = false;
    handled_ += PumpMessages();
    int code = 0;
    if (TakeQuitRequest(&code)) ::PostQuitMessage(code);
}

int RunWin32MessageLoop() {
    ::MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace zeva::ui
