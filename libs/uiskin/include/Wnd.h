#pragma once
// CWnd: the retained window every dialog and control derives from. It owns
// a handle of the message layer, so posted and sent messages, timers and the
// program clock drive it; a renderer (headless or Qt) mirrors its state.
// All texts are in the system code page. A window belongs to the thread
// that created it (the UI thread); other threads only post messages to it.

#include <memory>
#include <string>
#include <vector>

#include "DialogTemplate.h"
#include "GdiTypes.h"
#include "Renderer.h"
#include "SkinImage.h"
#include "SkinMessages.h"

// winuser.h has the same names; its SCROLLINFO has this layout. Windows
// halves include the model's headers before windows.h (UiSkinWindows.h),
// which then sees the system's under another name.
#if defined(_WIN32) && defined(SIF_RANGE)
#error "Wnd.h must come before windows.h: include UiSkinWindows.h in Windows halves"
#endif
#ifndef SWP_NOSIZE
inline constexpr UINT SWP_NOSIZE = 0x0001;
inline constexpr UINT SWP_NOMOVE = 0x0002;
inline constexpr UINT SWP_NOZORDER = 0x0004;
inline constexpr UINT SWP_SHOWWINDOW = 0x0040;
#endif

struct SCROLLINFO {
    UINT cbSize = sizeof(SCROLLINFO);
    UINT fMask = 0;
    int nMin = 0;
    int nMax = 0;
    UINT nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};
inline constexpr UINT SIF_RANGE = 0x1;
inline constexpr UINT SIF_PAGE = 0x2;
inline constexpr UINT SIF_POS = 0x4;
inline constexpr UINT SIF_TRACKPOS = 0x10;
inline constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

class CImageDialog;
class CScrollBar;

namespace zeva::ui {

struct SkinFont {
    std::string face;  // system code page; empty = the dialog's font
    int size = 12;     // character height in pixels
    bool bold = false;
    bool underline = false;
    bool operator==(const SkinFont&) const = default;
};

// What changed, so a renderer can refresh only that.
enum Change : unsigned {
    kChangeText = 1u << 0,
    kChangeGeometry = 1u << 1,
    kChangeVisibility = 1u << 2,
    kChangeEnabled = 1u << 3,
    kChangeLook = 1u << 4,  // font, colours, alignment, transparency, cursor
    kChangeImage = 1u << 5,
    kChangeState = 1u << 6,  // hover, pressed, checked
    kChangeContent = 1u << 7,
    kChangeScroll = 1u << 8,
    kChangeFocus = 1u << 9,  // the window took the keyboard focus
    kChangeAll = 0xFFFFu,
};

// Button-like states, as SetTextColor/SetTextFont number them.
inline constexpr int kStateNormal = 1;
inline constexpr int kStateHover = 2;
inline constexpr int kStatePressed = 3;

struct ScrollState {
    int min = 0;
    int max = 0;
    int page = 0;
    int pos = 0;
    bool shown = false;
};

}  // namespace zeva::ui

class CWnd {
public:
    CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd();

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }
    static CWnd* FromHandle(HWND hwnd);
    virtual zeva::ui::ControlKind Kind() const { return zeva::ui::ControlKind::Static; }

    // Tree.
    CWnd* GetParent() const { return parent_; }
    // The window that owns a top-level dialog (its creator's window), else the parent.
    CWnd* GetOwner() const { return owner_ ? owner_ : parent_; }
    CWnd* GetTopLevelParent();
    CWnd* GetDlgItem(int id) const;
    // Shorthands on a child control; nothing happens without such a child.
    void SetDlgItemText(int id, const std::string& text);
    std::string GetDlgItemText(int id) const;
    LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    UINT GetDlgCtrlID() const { return id_; }
    const std::vector<CWnd*>& Children() const { return children_; }

    // Text, visibility, enable state.
    void SetWindowText(const std::string& text);
    std::string GetWindowText() const { return text_; }
    void GetWindowText(std::string& out) const { out = text_; }
    BOOL ShowWindow(int nCmdShow);
    bool IsVisibleFlag() const { return visible_; }
    BOOL IsWindowVisible() const;  // shown and every ancestor shown
    BOOL EnableWindow(BOOL enable = 1);
    BOOL IsWindowEnabled() const { return enabled_ ? 1 : 0; }
    // Keyboard focus: SetFocus gives it to this window and returns the one
    // that had it (null: none); a destroyed window loses it.
    CWnd* SetFocus();
    static CWnd* GetFocus();
    bool IsMinimized() const { return minimized_; }

    // Geometry in pixels; a child's rectangle is in its parent's client coordinates.
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = 1);
    void MoveWindow(const CRect& rect, BOOL repaint = 1);
    // Moves and/or sizes (SWP_NOMOVE, SWP_NOSIZE); z-order and activation are the renderer's.
    BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags);
    // The desktop as a window: its rectangle is the screen the renderer shows on.
    static CWnd* GetDesktopWindow();
    void GetWindowRect(CRect* rect) const;  // screen coordinates
    void GetClientRect(CRect* rect) const;
    CRect Rect() const { return rect_; }
    void ScreenToClient(CPoint* p) const;
    void ClientToScreen(CPoint* p) const;
    void Invalidate(BOOL erase = 1);
    void RedrawWindow() { Invalidate(); }
    DWORD GetStyle() const { return style_; }

    // Look: font, colours, alignment, transparency, cursor.
    void SetFontName(const std::string& face);
    void SetFontSize(int points);
    void SetFontBold(bool bold);
    void SetUnderline(bool underline);
    void SetSkinFont(const zeva::ui::SkinFont& font);
    zeva::ui::SkinFont GetSkinFont(int state = zeva::ui::kStateNormal) const;
    void SetTextColor(COLORREF color);
    void SetTextColor(int state, COLORREF color);
    COLORREF GetTextColor(int state = zeva::ui::kStateNormal) const;
    bool HasTextColor() const { return textColorSet_; }
    void SetTextAligns(UINT dtFlags);
    UINT GetTextAligns() const { return align_; }
    void SetTransparent(bool on);
    bool IsTransparent() const { return transparent_; }
    void SetCursor(SkinCursor cursor);
    SkinCursor GetCursor() const { return cursor_; }

    // Interaction state kept by the model (renderers show it).
    bool IsHovered() const { return hovered_; }
    bool IsPressed() const { return pressed_; }

    // Messages and timers, all through the message layer.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    zeva::UINT_PTR SetTimer(zeva::UINT_PTR id, UINT elapseMs, void* unused = nullptr);
    BOOL KillTimer(zeva::UINT_PTR id);

    // Scroll bars (SB_VERT, SB_HORZ), clamped as Windows clamps them.
    BOOL SetScrollInfo(int bar, const SCROLLINFO& info, BOOL redraw = 1);
    BOOL GetScrollInfo(int bar, SCROLLINFO* info, UINT mask = SIF_ALL) const;
    int GetScrollPos(int bar) const;
    int SetScrollPos(int bar, int pos, BOOL redraw = 1);
    void SetScrollRange(int bar, int minPos, int maxPos, BOOL redraw = 1);
    void ShowScrollBar(int bar, BOOL show = 1);
    const zeva::ui::ScrollState& ScrollBar(int bar) const;
    // Moves every child by (dx, dy) pixels.
    void ScrollWindow(int dx, int dy);

    virtual BOOL DestroyWindow();
    virtual BOOL PreTranslateMessage(zeva::MSG* msg);
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Renderer bookkeeping: the model calls the renderer only for windows it shows.
    bool IsRendered() const { return rendered_; }
    void SetRendered(bool on) { rendered_ = on; }
    // Images shown by this window (background for dialogs, states for buttons).
    virtual zeva::ui::SkinImage Image(int state = zeva::ui::kStateNormal) const;

    // Creates the window handle as a child of `parent` (null: top level).
    BOOL CreateWnd(CWnd* parent, UINT id, const CRect& rect, DWORD style, const std::string& text,
                   bool announce = true);
    // Takes over a template control's place, state and id (DDX_Control).
    virtual void AdoptFrom(CWnd& generic);

protected:
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual void OnTimer(zeva::UINT_PTR id);
    virtual void OnLButtonDown(UINT flags, CPoint point);
    virtual void OnLButtonUp(UINT flags, CPoint point);
    virtual void OnMouseMove(UINT flags, CPoint point);
    virtual void OnMouseHover(UINT flags, CPoint point);
    virtual void OnMouseLeave();
    virtual BOOL OnMouseWheel(UINT flags, short delta, CPoint point);
    virtual void OnVScroll(UINT code, UINT pos, CScrollBar* bar);
    virtual void OnKeyDown(UINT key, UINT repeat, UINT flags);
    virtual void OnNcLButtonDown(UINT hitTest, CPoint point);
    virtual void OnShowWindow(BOOL show, UINT status);
    virtual void OnClose();

    void Changed(unsigned what);
    void ItemsEdited(zeva::ui::ItemEdit::Kind kind, int index, int subItem = 0);
    CImageDialog* OwnerDialog() const;
    HMODULE ResourceModuleOfOwner() const;

    CWnd* parent_ = nullptr;
    CWnd* owner_ = nullptr;
    UINT id_ = 0;
    std::string text_;
    CRect rect_;
    DWORD style_ = 0;
    bool visible_ = false;
    bool enabled_ = true;
    bool minimized_ = false;
    zeva::ui::SkinFont font_;
    zeva::ui::SkinFont stateFont_[4];
    bool stateFontSet_[4] = {false, false, false, false};
    COLORREF textColor_[4] = {0, 0, 0, 0};
    bool textColorSet_ = false;
    bool stateColorSet_[4] = {false, false, false, false};
    UINT align_ = DT_LEFT;
    bool transparent_ = false;
    SkinCursor cursor_ = SkinCursor::Arrow;
    bool hovered_ = false;
    bool pressed_ = false;
    zeva::ui::ScrollState scroll_[2];
    std::vector<CWnd*> children_;
    std::vector<std::unique_ptr<CWnd>> owned_;  // template controls no member took over
    bool rendered_ = false;

    friend class CImageDialog;

private:
    static void DetachChild(CWnd* parent, CWnd* child);
};

// MFC passes a scroll-bar control to OnVScroll; windows here have no
// separate scroll-bar controls, so it is always null.
class CScrollBar;
