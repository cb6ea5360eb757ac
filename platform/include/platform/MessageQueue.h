#pragma once
// Windows and their messages: a window handle belongs to the thread that
// created it, and every thread that owns windows has one message queue.
//
// - PostMessage may be called from any thread and never blocks.
// - SendMessage calls the window procedure directly on the owner's thread;
//   from another thread it blocks until the owner has handled the message
//   (while it waits, messages sent to the waiting thread are still handled,
//   so two threads sending to each other do not deadlock).
// - SetTimer delivers WM_TIMER through the queue on the program's clock
//   (Clock.h); a pending WM_TIMER is not queued twice, as on Windows. Under a
//   ManualClock, advancing the clock from the owner's thread handles each
//   timer's messages before it moves on to the next due time.

#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/WinTypes.h"

namespace zeva {

inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_USER = 0x0400;
inline constexpr WPARAM HTCAPTION = 2;

struct MSG {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

using WindowProc = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// Creates a window owned by the calling thread; `proc` handles its messages.
HWND CreateWindowHandle(WindowProc proc);
// Destroys a window: its timers stop and later messages to it are dropped.
void DestroyWindowHandle(HWND hwnd);
bool IsWindow(HWND hwnd);

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The calling thread's queue. GetMessage blocks and returns false once the
// thread has asked to quit and nothing is left; PeekMessage never blocks.
bool GetMessage(MSG& msg);
bool PeekMessage(MSG& msg);
LRESULT DispatchMessage(const MSG& msg);
void PostQuitMessage(int exitCode);
// Runs the loop until PostQuitMessage; returns the exit code.
int RunMessageLoop();
// Handles everything pending on the calling thread without blocking; returns how many.
std::size_t PumpMessages();

// Lets another event loop (a GUI toolkit's) drive the calling thread's queue:
// `wake` is called, on whichever thread posts, sends or fires a timer, each
// time something arrives for this queue, and should schedule PumpMessages on
// the owner's thread. An empty function removes it. `wake` must not block.
void SetMessageWakeup(std::function<void()> wake);
// Whether PostQuitMessage was called on this thread since the last call (and
// its exit code); an outside event loop checks it after PumpMessages.
bool TakeQuitRequest(int* exitCode = nullptr);

using UINT_PTR = std::uintptr_t;
// (Re-)arms timer `id` of the window to fire every `elapseMs`; returns `id`, or 0 for a bad window.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

}  // namespace zeva
