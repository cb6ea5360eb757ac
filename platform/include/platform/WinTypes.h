#pragma once
// The handful of Windows-style types the components pass around: window
// handles and message parameters. A window handle is an opaque value issued
// by the message layer; a null handle means "no window".

#ifdef _WIN32
// The real ones: the same names, and windows.h may come after this header.
#include <windef.h>
#else
#include <cstdint>

struct ZevaWindow;
using HWND = ZevaWindow*;
using UINT = unsigned int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using BOOL = int;
using DWORD = std::uint32_t;
#endif
