#pragma once
// The drawing vocabulary the dialogs use: points, sizes, rectangles, colours,
// fonts, brushes and the device-context stand-in that colour hooks fill in.

#include <cstdint>
#include <string>

#include "platform/WinTypes.h"

// On Windows windef.h (through WinTypes.h) has COLORREF, BYTE, HMODULE,
// HINSTANCE and INT_PTR.
#ifndef _WIN32
using COLORREF = std::uint32_t;
using BYTE = std::uint8_t;
using HMODULE = void*;
using HINSTANCE = HMODULE;
using INT_PTR = std::intptr_t;
#endif

// The colour macros are wingdi.h's once a Windows half includes it, with the
// same values.
#ifndef RGB
constexpr COLORREF RGB(int r, int g, int b) {
    return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(COLORREF c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int GetGValue(COLORREF c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int GetBValue(COLORREF c) {
    return static_cast<int>((c >> 16) & 0xFF);
}
#endif

struct CPoint {
    int x = 0;
    int y = 0;
    CPoint() = default;
    CPoint(int px, int py) : x(px), y(py) {}
    bool operator==(const CPoint&) const = default;
};

struct CSize {
    int cx = 0;
    int cy = 0;
    CSize() = default;
    CSize(int w, int h) : cx(w), cy(h) {}
    bool operator==(const CSize&) const = default;
};

struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    CRect() = default;
    CRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CPoint TopLeft() const { return {left, top}; }
    bool PtInRect(CPoint p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    void OffsetRect(int dx, int dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    bool operator==(const CRect&) const = default;
};

// Font request as the controls take it (face in the system code page).
// wingdi.h has its own LOGFONT: Windows halves include this header first
// and see the system's under another name (UiSkinWindows.h).
#if defined(_WIN32) && defined(_WINGDI_)
#error "GdiTypes.h must come before wingdi.h: include UiSkinWindows.h in Windows halves"
#endif
struct LOGFONT {
    int lfHeight = 0;  // pixels; negative = character height, as GDI reads it
    int lfWeight = 400;
    BYTE lfItalic = 0;
    BYTE lfUnderline = 0;
    char lfFaceName[32] = {};
};
#ifndef FW_NORMAL
inline constexpr int FW_NORMAL = 400;
inline constexpr int FW_BOLD = 700;
#endif

// Brushes: a solid colour or the hollow (null) brush that leaves the parent visible.
struct ZevaBrush {
    COLORREF color = 0;
    bool hollow = false;
};
#ifdef _WIN32
// windef.h's brush handles, standing for the model's brushes (never GDI's):
// BrushOf reads one back. The stock brushes are numbered by their own type,
// so this GetStockObject stays apart from wingdi.h's.
enum ZevaStockObject : int { kZevaWhiteBrush = 0, kZevaNullBrush = 5 };
#ifndef NULL_BRUSH
inline constexpr ZevaStockObject NULL_BRUSH = kZevaNullBrush;
inline constexpr ZevaStockObject HOLLOW_BRUSH = kZevaNullBrush;
inline constexpr ZevaStockObject WHITE_BRUSH = kZevaWhiteBrush;
#endif
HGDIOBJ GetStockObject(ZevaStockObject which);
inline HBRUSH BrushHandle(const ZevaBrush* brush) {
    return reinterpret_cast<HBRUSH>(const_cast<ZevaBrush*>(brush));
}
inline const ZevaBrush* BrushOf(HBRUSH brush) {
    return reinterpret_cast<const ZevaBrush*>(brush);
}
inline const ZevaBrush* BrushOf(HGDIOBJ brush) {
    return static_cast<const ZevaBrush*>(brush);
}
#else
using HBRUSH = const ZevaBrush*;
using HGDIOBJ = const ZevaBrush*;
inline constexpr int NULL_BRUSH = 5;
inline constexpr int HOLLOW_BRUSH = NULL_BRUSH;
inline constexpr int WHITE_BRUSH = 0;
HGDIOBJ GetStockObject(int which);
inline HBRUSH BrushHandle(const ZevaBrush* brush) {
    return brush;
}
inline const ZevaBrush* BrushOf(HBRUSH brush) {
    return brush;
}
#endif

// An owned solid brush, as pages keep them for their colour hooks.
class CBrush {
public:
    CBrush() = default;
    explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
    BOOL CreateSolidBrush(COLORREF color) {
        brush_ = ZevaBrush{color, false};
        valid_ = true;
        return 1;
    }
    operator HBRUSH() const { return valid_ ? BrushHandle(&brush_) : nullptr; }
    HBRUSH GetSafeHandle() const { return *this; }

private:
    ZevaBrush brush_;
    bool valid_ = false;
};

#ifndef TRANSPARENT
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;
#endif

// What a colour hook may set for the control being drawn.
class CDC {
public:
    COLORREF SetTextColor(COLORREF c) {
        const COLORREF old = textColor_;
        textColor_ = c;
        return old;
    }
    COLORREF GetTextColor() const { return textColor_; }
    int SetBkMode(int mode) {
        const int old = bkMode_;
        bkMode_ = mode;
        return old;
    }
    int GetBkMode() const { return bkMode_; }
    COLORREF SetBkColor(COLORREF c) {
        const COLORREF old = bkColor_;
        bkColor_ = c;
        return old;
    }
    COLORREF GetBkColor() const { return bkColor_; }

private:
    COLORREF textColor_ = 0;
    int bkMode_ = OPAQUE;
    COLORREF bkColor_ = RGB(255, 255, 255);
};

#ifndef CTLCOLOR_MSGBOX
inline constexpr UINT CTLCOLOR_MSGBOX = 0;
inline constexpr UINT CTLCOLOR_EDIT = 1;
inline constexpr UINT CTLCOLOR_LISTBOX = 2;
inline constexpr UINT CTLCOLOR_BTN = 3;
inline constexpr UINT CTLCOLOR_DLG = 4;
inline constexpr UINT CTLCOLOR_SCROLLBAR = 5;
inline constexpr UINT CTLCOLOR_STATIC = 6;
#endif

// DrawText alignment flags (SetTextAligns takes them).
#ifndef DT_LEFT
inline constexpr UINT DT_LEFT = 0x0;
inline constexpr UINT DT_CENTER = 0x1;
inline constexpr UINT DT_RIGHT = 0x2;
inline constexpr UINT DT_VCENTER = 0x4;
inline constexpr UINT DT_BOTTOM = 0x8;
inline constexpr UINT DT_WORDBREAK = 0x10;
inline constexpr UINT DT_SINGLELINE = 0x20;
#endif

// Show commands, dialog results, message-box types.
#ifndef SW_HIDE
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_MINIMIZE = 6;
inline constexpr int SW_RESTORE = 9;
#endif
#ifndef IDOK
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
#endif
#ifndef MB_OK
inline constexpr UINT MB_OK = 0x0;
inline constexpr UINT MB_OKCANCEL = 0x1;
inline constexpr UINT MB_YESNO = 0x4;
inline constexpr UINT MB_ICONERROR = 0x10;
inline constexpr UINT MB_ICONQUESTION = 0x20;
inline constexpr UINT MB_ICONEXCLAMATION = 0x30;
inline constexpr UINT MB_ICONINFORMATION = 0x40;
#endif

// Cursors a control can ask for.
enum class SkinCursor { Arrow, Hand, IBeam, Wait };
#ifndef IDC_ARROW
inline constexpr SkinCursor IDC_ARROW = SkinCursor::Arrow;
inline constexpr SkinCursor IDC_HAND = SkinCursor::Hand;
#endif
