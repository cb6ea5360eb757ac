#pragma once
// Message numbers and parameter packing of the skinned windows, beside the
// ones the message layer already defines.

#include "platform/MessageQueue.h"

// windows.h defines these names as macros: Windows halves include this
// header first (UiSkinWindows.h), and windows.h's macros of the same values
// apply after it.
#if defined(_WIN32) && defined(WM_SHOWWINDOW)
#error "SkinMessages.h must come before windows.h: include UiSkinWindows.h in Windows halves"
#endif

namespace zeva {

inline constexpr UINT WM_SHOWWINDOW = 0x0018;
inline constexpr UINT WM_SETCURSOR = 0x0020;
inline constexpr UINT WM_INITDIALOG = 0x0110;
inline constexpr UINT WM_HSCROLL = 0x0114;
inline constexpr UINT WM_VSCROLL = 0x0115;
inline constexpr UINT WM_KEYUP = 0x0101;
inline constexpr UINT WM_CHAR = 0x0102;
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
inline constexpr UINT WM_MOUSEWHEEL = 0x020A;
inline constexpr UINT WM_MOUSEHOVER = 0x02A1;
inline constexpr UINT WM_MOUSELEAVE = 0x02A3;
inline constexpr UINT WM_MOVING = 0x0216;

inline constexpr UINT BN_CLICKED = 0;
inline constexpr UINT EN_CHANGE = 0x0300;
inline constexpr UINT CBN_SELCHANGE = 1;
inline constexpr UINT LVN_ITEMCHANGED = 0xFFFFFF9B;  // (UINT)-101

inline constexpr WPARAM VK_RETURN = 0x0D;
inline constexpr WPARAM VK_ESCAPE = 0x1B;
inline constexpr WPARAM VK_TAB = 0x09;

inline constexpr int SB_HORZ = 0;
inline constexpr int SB_VERT = 1;
inline constexpr UINT SB_LINEUP = 0;
inline constexpr UINT SB_LINEDOWN = 1;
inline constexpr UINT SB_PAGEUP = 2;
inline constexpr UINT SB_PAGEDOWN = 3;
inline constexpr UINT SB_THUMBPOSITION = 4;
inline constexpr UINT SB_THUMBTRACK = 5;
inline constexpr UINT SB_TOP = 6;
inline constexpr UINT SB_BOTTOM = 7;
inline constexpr UINT SB_ENDSCROLL = 8;
inline constexpr int WHEEL_DELTA = 120;

inline constexpr UINT MK_LBUTTON = 0x0001;

#ifndef MAKEWPARAM
inline constexpr WPARAM MAKEWPARAM(unsigned lo, unsigned hi) {
    return static_cast<WPARAM>((lo & 0xFFFFu) | ((hi & 0xFFFFu) << 16));
}
inline constexpr LPARAM MAKELPARAM(int lo, int hi) {
    return static_cast<LPARAM>(static_cast<std::uint32_t>(
        (static_cast<unsigned>(lo) & 0xFFFFu) | ((static_cast<unsigned>(hi) & 0xFFFFu) << 16)));
}
#endif
// windef.h has these on Windows (the same values, as WORDs).
#ifndef LOWORD
inline constexpr unsigned LOWORD(std::uintptr_t v) {
    return static_cast<unsigned>(v & 0xFFFFu);
}
inline constexpr unsigned HIWORD(std::uintptr_t v) {
    return static_cast<unsigned>((v >> 16) & 0xFFFFu);
}
#endif
#ifndef GET_X_LPARAM
// Signed coordinates packed into an LPARAM.
inline constexpr int GET_X_LPARAM(LPARAM l) {
    return static_cast<std::int16_t>(
        static_cast<std::uint16_t>(static_cast<std::uintptr_t>(l) & 0xFFFFu));
}
inline constexpr int GET_Y_LPARAM(LPARAM l) {
    return static_cast<std::int16_t>(
        static_cast<std::uint16_t>((static_cast<std::uintptr_t>(l) >> 16) & 0xFFFFu));
}
inline constexpr int GET_WHEEL_DELTA_WPARAM(WPARAM w) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((w >> 16) & 0xFFFFu));
}

#endif

}  // namespace zeva
