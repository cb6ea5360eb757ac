#pragma once
// The engines' messages to their caller's window. Kept apart from the
// message layer's header: the engines include libcurl's, which brings
// windows.h and its macros on Windows.

#include "platform/WinTypes.h"

namespace zeva::speed {

void PostToWindow(HWND window, UINT message, WPARAM w, LPARAM l);

}  // namespace zeva::speed
