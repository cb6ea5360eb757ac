#include "Win32Renderer.h"

#include "Input.h"
#include "Win32MessagePump.h"
#include "platform/AppPath.h"

// windows.h after the model's headers.
#include "SkinPainter_p.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <tuple>
#include <unordered_map>

namespace zeva::ui {

namespace {

const wchar_t kSkinClass[] = L"ZevaSkinWindow";

}  // namespace

struct Win32Renderer::Impl {
    Win32Renderer* self = nullptr;
    ULONG_PTR gdiplusToken = 0;
    std::unique_ptr<Win32MessagePump> pump;
    std::unordered_map<const CWnd*, HWND> hwnds;
    std::unordered_map<HWND, CWnd*> models;
    std::unordered_map<HWND, HWND> vbars;           // dialog -> its scroll bar
    std::unordered_map<HWND, WNDPROC> nativeProcs;  // edits and lists we see first
    std::unordered_map<HWND, bool> tracking;        // mouse-leave requested
    std::unordered_map<const CWnd*, bool> shotTaken;
    std::map<std::tuple<std::wstring, int, bool, bool>, HFONT> fonts;
    std::string screenshotDir;
    int screenshotCount = 0;
    int screenshotFailures = 0;
    int syncing = 0;  // > 0 while the renderer itself changes a native control

    HWND HwndOf(const CWnd& wnd) const {
        const auto it = hwnds.find(&wnd);
        return it == hwnds.end() ? nullptr : it->second;
    }
    CWnd* ModelOf(HWND h) const {
        const auto it = models.find(h);
        return it == models.end() ? nullptr : it->second;
    }
    HFONT FontFor(const SkinFont& font);
    HWND Build(CWnd& wnd);
    void Sync(CWnd& wnd, unsigned what);
    void FillItems(CWnd& wnd, HWND h);
    void ShowSelection(CWnd& wnd, HWND h);
    void Forget(const CWnd& wnd);
    void AutoScreenshot(CWnd& wnd);
};

namespace {

Win32Renderer::Impl* g_impl = nullptr;

struct Syncing {
    explicit Syncing(Win32Renderer::Impl& i) : impl(i) { ++impl.syncing; }
    ~Syncing() { --impl.syncing; }
    Win32Renderer::Impl& impl;
};

std::wstring WindowTextOf(HWND h) {
    const int n = GetWindowTextLengthW(h);
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(h, text.data(), n + 1)));
    return text;
}

void SetupGraphics(Gdiplus::Graphics& g) {
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
}

bool IsNative(const CWnd& wnd) {
    const ControlKind k = wnd.Kind();
    return k == ControlKind::Edit || k == ControlKind::ComboBox || k == ControlKind::ListCtrl;
}

// A child shows its parents' skin behind it (rounded corners, labels
// without a background): each ancestor's own look is drawn first, moved so
// that the child's corner is the origin.
void PaintBackdrop(Gdiplus::Graphics& g, CWnd& wnd) {
    std::vector<CWnd*> chain;
    for (CWnd* p = wnd.GetParent(); p; p = p->GetParent()) chain.push_back(p);
    int dx = 0, dy = 0;  // the child's corner in each ancestor, outermost last
    std::vector<std::pair<int, int>> offsets;
    const CWnd* inner = &wnd;
    for (CWnd* p : chain) {
        dx += inner->Rect().left;
        dy += inner->Rect().top;
        offsets.emplace_back(dx, dy);
        inner = p;
    }
    for (std::size_t i = chain.size(); i-- > 0;) {
        CWnd& a = *chain[i];
        g.ResetTransform();
        g.TranslateTransform(static_cast<Gdiplus::REAL>(-offsets[i].first),
                             static_cast<Gdiplus::REAL>(-offsets[i].second));
        skin::PaintWindow(g, a,
                          Gdiplus::RectF(0, 0, static_cast<Gdiplus::REAL>(a.Rect().Width()),
                                         static_cast<Gdiplus::REAL>(a.Rect().Height())));
    }
    g.ResetTransform();
}

void PaintSkinned(HWND h, CWnd& wnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT cr;
    GetClientRect(h, &cr);
    const int w = cr.right - cr.left, ht = cr.bottom - cr.top;
    if (w > 0 && ht > 0) {
        // Drawn off screen first: no flicker of the layers.
        HDC mem = CreateCompatibleDC(dc);
        HBITMAP bmp = CreateCompatibleBitmap(dc, w, ht);
        HGDIOBJ old = SelectObject(mem, bmp);
        {
            Gdiplus::Graphics g(mem);
            SetupGraphics(g);
            PaintBackdrop(g, wnd);
            skin::PaintWindow(g, wnd,
                              Gdiplus::RectF(0, 0, static_cast<Gdiplus::REAL>(w),
                                             static_cast<Gdiplus::REAL>(ht)));
        }
        BitBlt(dc, 0, 0, w, ht, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteObject(bmp);
        DeleteDC(mem);
    }
    EndPaint(h, &ps);
}

CWnd* ScrollableAncestor(CWnd* wnd) {
    for (; wnd; wnd = wnd->GetParent()) {
        if (wnd->ScrollBar(SB_VERT).shown) return wnd;
    }
    return nullptr;
}

// The skin's colours on the system's controls: borders, and a list's
// alternate rows and selected row.
const COLORREF kEditBorder = RGB(0x9D, 0xB6, 0xD3);
const COLORREF kFocusBorder = RGB(0x2F, 0x74, 0xC0);
const COLORREF kListBorder = RGB(0xB8, 0xC7, 0xD9);

COLORREF BorderOf(const CWnd& wnd, bool focused) {
    if (wnd.Kind() == ControlKind::ListCtrl) return kListBorder;
    return focused ? kFocusBorder : kEditBorder;
}

void DrawBorder(HDC dc, int w, int h, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    RECT r{0, 0, w, h};
    FrameRect(dc, &r, brush);
    DeleteObject(brush);
}

// A combo box's closed field in the skin's look, as edits have it: a flat
// white field with the skin's border and a small arrow behind a separator,
// with the chosen item (an editable one's edit shows its own text on top).
// The list it opens stays the system's.
void PaintComboField(HWND h, HDC dc, const CWnd& wnd) {
    RECT r;
    GetClientRect(h, &r);
    const bool enabled = IsWindowEnabled(h) != FALSE;
    HBRUSH fill = CreateSolidBrush(enabled ? RGB(0xFF, 0xFF, 0xFF) : RGB(0xF0, 0xF0, 0xF0));
    FillRect(dc, &r, fill);
    DeleteObject(fill);
    DrawBorder(dc, r.right, r.bottom, BorderOf(wnd, GetFocus() == h));
    const int button = std::min<int>(r.bottom, 18);
    const int left = r.right - button;
    HPEN pen = CreatePen(PS_SOLID, 1, kEditBorder);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    MoveToEx(dc, left, 3, nullptr);
    LineTo(dc, left, r.bottom - 3);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    const int cx = left + button / 2, cy = r.bottom / 2;
    const POINT arrow[] = {{cx - 4, cy - 2}, {cx + 4, cy - 2}, {cx, cy + 2}};
    HBRUSH ink = CreateSolidBrush(enabled ? RGB(0x4A, 0x6A, 0x8A) : RGB(0xAA, 0xAA, 0xAA));
    HPEN edge = CreatePen(PS_SOLID, 1, enabled ? RGB(0x4A, 0x6A, 0x8A) : RGB(0xAA, 0xAA, 0xAA));
    HGDIOBJ oldBrush = SelectObject(dc, ink);
    oldPen = SelectObject(dc, edge);
    Polygon(dc, arrow, 3);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(ink);
    DeleteObject(edge);

    if (static_cast<const CComboBox&>(wnd).IsEditable()) return;
    const LRESULT chosen = SendMessageW(h, CB_GETCURSEL, 0, 0);
    if (chosen == CB_ERR) return;
    const LRESULT length = SendMessageW(h, CB_GETLBTEXTLEN, static_cast<WPARAM>(chosen), 0);
    if (length == CB_ERR || length == 0) return;
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(h, CB_GETLBTEXT, static_cast<WPARAM>(chosen),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(wcslen(text.c_str()));
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, enabled ? RGB(0x33, 0x33, 0x33) : RGB(0x99, 0x99, 0x99));
    RECT t{4, 0, left - 2, r.bottom};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &t,
              DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, oldFont);
}

LRESULT ListColours(const CListCtrl& list, LPARAM lParam) {
    auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
    if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (cd->nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
    const int row = static_cast<int>(cd->nmcd.dwItemSpec);
    if (row == list.GetSelectionMark()) {
        cd->nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED | CDIS_FOCUS);
        cd->clrText = RGB(0x1B, 0x4C, 0x86);
        cd->clrTextBk = RGB(0xCF, 0xE3, 0xF8);
    } else {
        cd->clrText = RGB(0x33, 0x33, 0x33);
        cd->clrTextBk = row % 2 ? RGB(0xF3, 0xF7, 0xFB) : RGB(0xFF, 0xFF, 0xFF);
    }
    return CDRF_DODEFAULT;
}

LRESULT HeaderColours(NMCUSTOMDRAW& cd) {
    if (cd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (cd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
    const RECT r = cd.rc;
    {
        Gdiplus::Graphics g(cd.hdc);
        const Gdiplus::RectF area(static_cast<Gdiplus::REAL>(r.left),
                                  static_cast<Gdiplus::REAL>(r.top),
                                  static_cast<Gdiplus::REAL>(r.right - r.left),
                                  static_cast<Gdiplus::REAL>(r.bottom - r.top));
        Gdiplus::LinearGradientBrush fill(
            Gdiplus::PointF(area.X, area.Y - 1), Gdiplus::PointF(area.X, area.Y + area.Height + 1),
            Gdiplus::Color(0xFB, 0xFD, 0xFF), Gdiplus::Color(0xE1, 0xEA, 0xF4));
        g.FillRectangle(&fill, area);
        Gdiplus::Pen side(Gdiplus::Color(0xC9, 0xD6, 0xE4), 1);
        g.DrawLine(&side, area.X + area.Width - 1, area.Y, area.X + area.Width - 1,
                   area.Y + area.Height);
        Gdiplus::Pen bottom(Gdiplus::Color(0xB8, 0xC7, 0xD9), 1);
        g.DrawLine(&bottom, area.X, area.Y + area.Height - 1, area.X + area.Width,
                   area.Y + area.Height - 1);
    }
    wchar_t text[128] = {};
    HDITEMW item{};
    item.mask = HDI_TEXT;
    item.pszText = text;
    item.cchTextMax = 128;
    SendMessageW(cd.hdr.hwndFrom, HDM_GETITEMW, cd.dwItemSpec, reinterpret_cast<LPARAM>(&item));
    RECT inner{r.left + 4, r.top, r.right - 4, r.bottom};
    SetBkMode(cd.hdc, TRANSPARENT);
    SetTextColor(cd.hdc, RGB(0x33, 0x33, 0x33));
    DrawTextW(cd.hdc, text, -1, &inner, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    return CDRF_SKIPDEFAULT;
}

// Input on native controls becomes the model's messages.
LRESULT ChildNotification(Win32Renderer::Impl& impl, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        HWND ctl = reinterpret_cast<HWND>(lParam);
        CWnd* m = impl.ModelOf(ctl);
        if (!m || impl.syncing) return 0;
        const unsigned code = HIWORD(wParam);
        if (m->Kind() == ControlKind::Edit && code == EN_CHANGE) {
            input::Type(*m, skin::FromWide(WindowTextOf(ctl)));
        } else if (m->Kind() == ControlKind::ComboBox && code == CBN_SELCHANGE) {
            input::PickItem(*m, static_cast<int>(SendMessageW(ctl, CB_GETCURSEL, 0, 0)));
        } else if (m->Kind() == ControlKind::ComboBox && code == CBN_EDITCHANGE) {
            input::Type(*m, skin::FromWide(WindowTextOf(ctl)));
        }
        return 0;
    }
    // WM_NOTIFY
    const auto* nh = reinterpret_cast<const NMHDR*>(lParam);
    CWnd* m = impl.ModelOf(nh->hwndFrom);
    if (m && m->Kind() == ControlKind::ListCtrl && nh->code == NM_CUSTOMDRAW)
        return ListColours(static_cast<CListCtrl&>(*m), lParam);
    if (!m || impl.syncing || nh->code != LVN_ITEMCHANGED) return 0;
    const auto* nl = reinterpret_cast<const NMLISTVIEW*>(lParam);
    if ((nl->uChanged & LVIF_STATE) && (nl->uNewState & LVIS_SELECTED) &&
        !(nl->uOldState & LVIS_SELECTED))
        input::PickItem(*m, nl->iItem);
    return 0;
}

LRESULT CALLBACK SkinProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    Win32Renderer::Impl* impl = g_impl;
    CWnd* wnd = impl ? impl->ModelOf(h) : nullptr;
    if (!wnd) return DefWindowProcW(h, message, wParam, lParam);
    const CPoint point(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    switch (message) {
        case WM_PAINT:
            PaintSkinned(h, *wnd);
            return 0;
        case WM_ERASEBKGND:
            return 1;  // painted whole in WM_PAINT
        case WM_LBUTTONDOWN:
            SetCapture(h);
            input::MouseDown(*wnd, point);
            return 0;
        case WM_LBUTTONUP:
            if (GetCapture() == h) ReleaseCapture();
            input::MouseUp(*wnd, point);
            return 0;
        case WM_MOUSEMOVE:
            if (!impl->tracking[h]) {
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, h, 0};
                TrackMouseEvent(&track);
                impl->tracking[h] = true;
            }
            if (!wnd->IsHovered()) input::Hover(*wnd);
            return 0;
        case WM_MOUSELEAVE:
            impl->tracking[h] = false;
            if (wnd->IsHovered()) input::Leave();
            return 0;
        case WM_MOUSEWHEEL:
            if (CWnd* target = ScrollableAncestor(wnd)) {
                input::Wheel(*target, GET_WHEEL_DELTA_WPARAM(wParam));
                return 0;
            }
            break;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE || wParam == VK_RETURN) {
                input::KeyDown(*wnd, wParam);
                return 0;
            }
            break;
        case WM_SETCURSOR:
            if (LOWORD(static_cast<std::uintptr_t>(lParam)) == HTCLIENT) {
                const SkinCursor c = wnd->GetCursor();
                ::SetCursor(LoadCursorW(nullptr, c == SkinCursor::Hand    ? IDC_HAND
                                                 : c == SkinCursor::IBeam ? IDC_IBEAM
                                                 : c == SkinCursor::Wait  ? IDC_WAIT
                                                                          : IDC_ARROW));
                return 1;
            }
            break;
        case WM_CLOSE:
            // Closing from the window system is a WM_CLOSE to the model.
            wnd->PostMessage(WM_CLOSE);
            return 0;
        case WM_SIZE:
            // Minimised or restored from the task bar: the model follows.
            if (!impl->syncing && !wnd->GetParent()) {
                if (wParam == SIZE_MINIMIZED && !wnd->IsMinimized()) wnd->ShowWindow(SW_MINIMIZE);
                if (wParam == SIZE_RESTORED && wnd->IsMinimized()) wnd->ShowWindow(SW_RESTORE);
            }
            return 0;
        case WM_MOVE:
            if (!impl->syncing && !wnd->GetParent()) {
                RECT r;
                GetWindowRect(h, &r);
                const CRect m = wnd->Rect();
                if (r.left != m.left || r.top != m.top)
                    wnd->MoveWindow(r.left, r.top, m.Width(), m.Height());
            }
            return 0;
        case WM_COMMAND:
        case WM_NOTIFY:
            if (lParam != 0) return ChildNotification(*impl, message, wParam, lParam);
            break;
        case WM_VSCROLL: {
            HWND bar = reinterpret_cast<HWND>(lParam);
            const UINT code = LOWORD(wParam);
            if (code == SB_THUMBTRACK) {
                SystemScrollInfo si{};
                si.cbSize = sizeof si;
                si.fMask = SIF_TRACKPOS;
                GetScrollInfo(bar, SB_CTL, &si);
                input::VScroll(*wnd, SB_THUMBTRACK, si.nTrackPos);
            } else if (code == SB_LINEUP || code == SB_LINEDOWN || code == SB_PAGEUP ||
                       code == SB_PAGEDOWN || code == SB_TOP || code == SB_BOTTOM) {
                input::VScroll(*wnd, code);
            }
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcW(h, message, wParam, lParam);
}

// Edits, lists and drop-down lists: Return and Escape typed into an edit
// reach the dialog manager (a multi-line edit that wants returns keeps them),
// the border is the skin's, and a combo box's field is drawn by the skin.
LRESULT CALLBACK NativeProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    Win32Renderer::Impl* impl = g_impl;
    WNDPROC base = nullptr;
    if (impl) {
        const auto it = impl->nativeProcs.find(h);
        if (it != impl->nativeProcs.end()) base = it->second;
    }
    if (!base) return DefWindowProcW(h, message, wParam, lParam);
    CWnd* wnd = impl->ModelOf(h);
    if (wnd && wnd->Kind() == ControlKind::Edit && (message == WM_KEYDOWN || message == WM_CHAR)) {
        const bool wantsReturn =
            (wnd->GetStyle() & ES_MULTILINE) && (wnd->GetStyle() & ES_WANTRETURN);
        const bool escape = message == WM_KEYDOWN ? wParam == VK_ESCAPE : wParam == 0x1B;
        const bool ret = message == WM_KEYDOWN ? wParam == VK_RETURN : wParam == L'\r';
        if (escape || (ret && !wantsReturn)) {
            if (message == WM_KEYDOWN) input::KeyDown(*wnd, escape ? VK_ESCAPE : VK_RETURN);
            return 0;
        }
    }
    // A list's header in the skin's colours.
    if (wnd && message == WM_NOTIFY &&
        reinterpret_cast<const NMHDR*>(lParam)->code == NM_CUSTOMDRAW) {
        auto* cd = reinterpret_cast<NMCUSTOMDRAW*>(lParam);
        if (GetParent(cd->hdr.hwndFrom) == h) return HeaderColours(*cd);
    }
    // Tab and Shift+Tab move between the controls that take the keyboard.
    if (wnd && message == WM_KEYDOWN && wParam == VK_TAB) {
        if (HWND next = GetNextDlgTabItem(GetParent(h), h, GetKeyState(VK_SHIFT) < 0))
            ::SetFocus(next);
        return 0;
    }
    if (wnd && message == WM_CHAR && wParam == L'\t') return 0;
    if (wnd && wnd->Kind() == ControlKind::ComboBox) {
        if (message == WM_PAINT) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(h, &ps);
            PaintComboField(h, dc, *wnd);
            EndPaint(h, &ps);
            return 0;
        }
        if (message == WM_PRINTCLIENT) {
            PaintComboField(h, reinterpret_cast<HDC>(wParam), *wnd);
            return 0;
        }
        if (message == WM_ERASEBKGND) return 1;
    }
    if (wnd && message == WM_NCPAINT) {
        const LRESULT done = CallWindowProcW(base, h, message, wParam, lParam);
        RECT r;
        GetWindowRect(h, &r);
        HDC dc = GetWindowDC(h);
        DrawBorder(dc, r.right - r.left, r.bottom - r.top, BorderOf(*wnd, GetFocus() == h));
        ReleaseDC(h, dc);
        return done;
    }
    if (wnd && (message == WM_SETFOCUS || message == WM_KILLFOCUS)) {
        const LRESULT done = CallWindowProcW(base, h, message, wParam, lParam);
        RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
        return done;
    }
    if (message == WM_NCDESTROY) {
        impl->nativeProcs.erase(h);
        SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(base));
    }
    return CallWindowProcW(base, h, message, wParam, lParam);
}

void RegisterSkinClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = SkinProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kSkinClass;
    RegisterClassExW(&wc);
}

bool PngEncoder(CLSID* out) {
    UINT count = 0, bytes = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) return false;
    std::vector<unsigned char> buffer(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < count; ++i) {
        if (std::wstring(codecs[i].MimeType) == L"image/png") {
            *out = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

// The window tree as it looks, painted into `dc` with `wnd`'s corner at (x, y).
void PaintTree(Win32Renderer::Impl& impl, HDC dc, CWnd& wnd, int x, int y, bool top) {
    if (!top && !wnd.IsVisibleFlag()) return;
    HWND h = impl.HwndOf(wnd);
    if (!h) return;
    if (IsNative(wnd)) {
        // The control may leave a clip region or objects selected: the
        // rest of the tree is drawn on the state from before.
        const int saved = SaveDC(dc);
        SetViewportOrgEx(dc, x, y, nullptr);
        IntersectClipRect(dc, 0, 0, wnd.Rect().Width(), wnd.Rect().Height());
        SendMessageW(h, WM_PRINT, reinterpret_cast<WPARAM>(dc),
                     PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND);
        if (wnd.Kind() != ControlKind::ComboBox)
            DrawBorder(dc, wnd.Rect().Width(), wnd.Rect().Height(), BorderOf(wnd, GetFocus() == h));
        // The control's own children (a list's header, a combo box's edit)
        // in their places: not every system prints them with PRF_CHILDREN.
        for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            if (!IsWindowVisible(c)) continue;
            RECT r;
            GetWindowRect(c, &r);
            MapWindowPoints(nullptr, h, reinterpret_cast<POINT*>(&r), 2);
            const int inner = SaveDC(dc);
            SetViewportOrgEx(dc, x + r.left, y + r.top, nullptr);
            IntersectClipRect(dc, 0, 0, r.right - r.left, r.bottom - r.top);
            SendMessageW(c, WM_PRINT, reinterpret_cast<WPARAM>(dc),
                         PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND);
            RestoreDC(dc, inner);
        }
        RestoreDC(dc, saved);
        return;
    }
    {
        Gdiplus::Graphics g(dc);
        SetupGraphics(g);
        g.TranslateTransform(static_cast<Gdiplus::REAL>(x), static_cast<Gdiplus::REAL>(y));
        skin::PaintWindow(g, wnd,
                          Gdiplus::RectF(0, 0, static_cast<Gdiplus::REAL>(wnd.Rect().Width()),
                                         static_cast<Gdiplus::REAL>(wnd.Rect().Height())));
    }
    for (CWnd* child : wnd.Children())
        PaintTree(impl, dc, *child, x + child->Rect().left, y + child->Rect().top, false);
    const auto bar = impl.vbars.find(h);
    if (bar != impl.vbars.end() && IsWindowVisible(bar->second)) {
        RECT r;
        GetWindowRect(bar->second, &r);
        MapWindowPoints(nullptr, h, reinterpret_cast<POINT*>(&r), 2);
        const int saved = SaveDC(dc);
        SetViewportOrgEx(dc, x + r.left, y + r.top, nullptr);
        SendMessageW(bar->second, WM_PRINT, reinterpret_cast<WPARAM>(dc),
                     PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND);
        RestoreDC(dc, saved);
    }
}

}  // namespace

HFONT Win32Renderer::Impl::FontFor(const SkinFont& font) {
    const std::wstring face = skin::InstalledFace(font);
    const int size = font.size > 0 ? font.size : 12;
    const auto key = std::make_tuple(face, size, font.bold, font.underline);
    const auto it = fonts.find(key);
    if (it != fonts.end()) return it->second;
    HFONT f = CreateFontW(-size, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE,
                          font.underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, face.c_str());
    fonts[key] = f;
    return f;
}

HWND Win32Renderer::Impl::Build(CWnd& wnd) {
    if (HWND existing = HwndOf(wnd)) return existing;
    HWND parent = nullptr;
    if (wnd.GetParent()) {
        parent = HwndOf(*wnd.GetParent());
        if (!parent) parent = Build(*wnd.GetParent());
    }
    // A top-level window stays above the window that owns it.
    HWND owner = nullptr;
    if (!parent && wnd.GetOwner()) owner = HwndOf(*wnd.GetOwner()->GetTopLevelParent());
    const CRect r = wnd.Rect();
    // Top-level windows have no caption of the system's (the skin draws
    // one) but keep the task bar's minimise and close.
    DWORD style = parent ? (WS_CHILD | WS_CLIPSIBLINGS)
                         : (WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX);
    // An unowned top-level window has its task-bar button without
    // WS_EX_APPWINDOW; owned ones (message boxes) have none, as on Windows.
    const DWORD exStyle = 0;
    const wchar_t* cls = kSkinClass;
    switch (wnd.Kind()) {
        case ControlKind::Edit:
            cls = L"EDIT";
            style |= WS_TABSTOP | WS_BORDER;
            if (wnd.GetStyle() & ES_MULTILINE)
                style |=
                    ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | (wnd.GetStyle() & ES_WANTRETURN);
            else
                style |= ES_AUTOHSCROLL;
            if (wnd.GetStyle() & ES_PASSWORD) style |= ES_PASSWORD;
            break;
        case ControlKind::ComboBox:
            cls = L"COMBOBOX";
            style |= WS_TABSTOP | WS_VSCROLL |
                     (static_cast<CComboBox&>(wnd).IsEditable() ? CBS_DROPDOWN | CBS_AUTOHSCROLL
                                                                : CBS_DROPDOWNLIST);
            break;
        case ControlKind::ListCtrl:
            cls = WC_LISTVIEWW;
            style |= WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL;
            break;
        default:
            if (wnd.Kind() == ControlKind::Dialog) style |= WS_CLIPCHILDREN;
            break;
    }
    HWND h = CreateWindowExW(
        exStyle, cls, L"", style, r.left, r.top, r.Width(), r.Height(), parent ? parent : owner,
        parent ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(wnd.GetDlgCtrlID())) : nullptr,
        GetModuleHandleW(nullptr), nullptr);
    if (!h) {
        std::fprintf(stderr, "cannot create a window: error %lu\n", GetLastError());
        return nullptr;
    }
    hwnds[&wnd] = h;
    models[h] = &wnd;
    wnd.SetRendered(true);
    if (wnd.Kind() == ControlKind::Edit || wnd.Kind() == ControlKind::ListCtrl ||
        wnd.Kind() == ControlKind::ComboBox) {
        nativeProcs[h] = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(NativeProc)));
    }
    if (wnd.Kind() == ControlKind::Dialog) {
        HWND bar = CreateWindowExW(0, L"SCROLLBAR", L"", WS_CHILD | WS_CLIPSIBLINGS | SBS_VERT, 0,
                                   0, 0, 0, h, nullptr, GetModuleHandleW(nullptr), nullptr);
        vbars[h] = bar;
    }
    for (CWnd* child : wnd.Children()) Build(*child);
    Sync(wnd, kChangeAll);
    return h;
}

void Win32Renderer::Impl::FillItems(CWnd& wnd, HWND h) {
    const Syncing guard(*this);
    if (wnd.Kind() == ControlKind::ComboBox) {
        SendMessageW(h, CB_RESETCONTENT, 0, 0);
        for (const auto& item : static_cast<CComboBox&>(wnd).Items()) {
            const std::wstring text = skin::ToWide(item);
            SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
        return;
    }
    auto& model = static_cast<CListCtrl&>(wnd);
    SendMessageW(h, LVM_DELETEALLITEMS, 0, 0);
    while (SendMessageW(h, LVM_DELETECOLUMN, 0, 0)) {
    }
    int col = 0;
    for (const auto& c : model.Columns()) {
        std::wstring heading = skin::ToWide(c.heading);
        LVCOLUMNW lc{};
        lc.mask = LVCF_TEXT | LVCF_WIDTH;
        lc.pszText = heading.data();
        lc.cx = c.width;
        SendMessageW(h, LVM_INSERTCOLUMNW, static_cast<WPARAM>(col++),
                     reinterpret_cast<LPARAM>(&lc));
    }
    for (int row = 0; row < model.GetItemCount(); ++row) {
        for (int sub = 0; sub < std::max(1, model.GetColumnCount()); ++sub) {
            std::wstring text = skin::ToWide(model.GetItemText(row, sub));
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = row;
            item.iSubItem = sub;
            item.pszText = text.data();
            SendMessageW(h, sub == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW,
                         sub == 0 ? 0 : static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        }
    }
}

void Win32Renderer::Impl::ShowSelection(CWnd& wnd, HWND h) {
    const Syncing guard(*this);
    if (wnd.Kind() == ControlKind::ComboBox) {
        auto& model = static_cast<CComboBox&>(wnd);
        SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(model.GetCurSel()), 0);
        if (model.IsEditable()) {
            const std::wstring text = skin::ToWide(model.GetWindowText());
            if (WindowTextOf(h) != text) SetWindowTextW(h, text.c_str());
        }
        return;
    }
    auto& model = static_cast<CListCtrl&>(wnd);
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(h, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    if (model.GetSelectionMark() >= 0) {
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(h, LVM_SETITEMSTATE, static_cast<WPARAM>(model.GetSelectionMark()),
                     reinterpret_cast<LPARAM>(&state));
    }
}

void Win32Renderer::Impl::Sync(CWnd& wnd, unsigned what) {
    HWND h = HwndOf(wnd);
    if (!h) return;
    const Syncing guard(*this);
    const CRect r = wnd.Rect();
    if (what & kChangeGeometry) {
        // A combo box's height includes its drop-down list, as the system's takes it.
        SetWindowPos(h, nullptr, r.left, r.top, r.Width(), r.Height(),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        const auto bar = vbars.find(h);
        if (bar != vbars.end()) {
            const int w = GetSystemMetrics(SM_CXVSCROLL);
            SetWindowPos(bar->second, HWND_TOP, r.Width() - w, 0, w, r.Height(), SWP_NOACTIVATE);
        }
    }
    if (what & kChangeEnabled) EnableWindow(h, wnd.IsWindowEnabled() ? TRUE : FALSE);
    if ((what & kChangeFocus) && what != kChangeAll) ::SetFocus(h);
    if ((what & kChangeLook) && IsNative(wnd)) {
        SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(wnd.GetSkinFont())), TRUE);
        if (wnd.Kind() == ControlKind::ListCtrl) {
            const DWORD ex = static_cast<CListCtrl&>(wnd).GetExtendedStyle();
            SendMessageW(h, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES,
                         (ex & (LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES)));
        }
    }
    if (what & (kChangeText | kChangeContent | kChangeState)) {
        if (wnd.Kind() == ControlKind::Edit) {
            const std::wstring text = skin::ToWide(wnd.GetWindowText());
            if (WindowTextOf(h) != text) SetWindowTextW(h, text.c_str());
            SendMessageW(h, EM_SETREADONLY, (wnd.GetStyle() & ES_READONLY) ? TRUE : FALSE, 0);
        } else if (wnd.Kind() == ControlKind::ComboBox) {
            auto& model = static_cast<CComboBox&>(wnd);
            // The items follow edit by edit (ItemsEdited); they are copied
            // whole only when the control is new.
            if (what == kChangeAll || SendMessageW(h, CB_GETCOUNT, 0, 0) != model.GetCount())
                FillItems(wnd, h);
            ShowSelection(wnd, h);
        } else if (wnd.Kind() == ControlKind::ListCtrl) {
            auto& model = static_cast<CListCtrl&>(wnd);
            if ((what & kChangeContent) ||
                SendMessageW(h, LVM_GETITEMCOUNT, 0, 0) != model.GetItemCount())
                FillItems(wnd, h);
            ShowSelection(wnd, h);
        } else if (!wnd.GetParent()) {
            // The task bar's name of the window.
            SetWindowTextW(h, skin::ToWide(wnd.GetWindowText()).c_str());
        }
    }
    if (what & kChangeScroll) {
        const auto bar = vbars.find(h);
        if (bar != vbars.end()) {
            const ScrollState& st = wnd.ScrollBar(SB_VERT);
            SystemScrollInfo si{};
            si.cbSize = sizeof si;
            si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
            si.nMin = st.min;
            si.nMax = st.max;
            si.nPage = static_cast<UINT>(std::max(0, st.page));
            si.nPos = st.pos;
            SetScrollInfo(bar->second, SB_CTL, &si, TRUE);
            const bool shown = st.shown && st.max > st.min;
            // Above the children, which may have been added after it.
            SetWindowPos(bar->second, HWND_TOP, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE |
                             (shown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
        }
    }
    if (what & kChangeVisibility) {
        const bool show = wnd.IsVisibleFlag() && !wnd.IsMinimized();
        if (wnd.GetParent()) {
            // Explicitly, or a hidden child would appear with its parent.
            ShowWindow(h, show ? SW_SHOWNA : SW_HIDE);
        } else if (wnd.IsMinimized()) {
            ShowWindow(h, SW_SHOWMINNOACTIVE);
        } else if (show != (IsWindowVisible(h) != FALSE) || IsIconic(h)) {
            ShowWindow(h, show ? SW_SHOWNORMAL : SW_HIDE);
            if (show) {
                SetForegroundWindow(h);
                ::SetFocus(h);
            }
        }
        if (show && !wnd.GetParent()) AutoScreenshot(wnd);
    }
    if (!IsNative(wnd)) InvalidateRect(h, nullptr, FALSE);
}

void Win32Renderer::Impl::Forget(const CWnd& wnd) {
    for (const CWnd* child : wnd.Children()) Forget(*child);
    const auto it = hwnds.find(&wnd);
    if (it == hwnds.end()) return;
    models.erase(it->second);
    tracking.erase(it->second);
    vbars.erase(it->second);
    hwnds.erase(it);
    shotTaken.erase(&wnd);
}

void Win32Renderer::Impl::AutoScreenshot(CWnd& wnd) {
    if (screenshotDir.empty() || wnd.GetParent() || shotTaken[&wnd]) return;
    shotTaken[&wnd] = true;
    const UINT id =
        wnd.Kind() == ControlKind::Dialog ? static_cast<CImageDialog&>(wnd).TemplateId() : 0;
    char name[64];
    std::snprintf(name, sizeof name, "%02d-%u.png", ++screenshotCount, id);
    const std::string path = Utf8Path(PathFromUtf8(screenshotDir) / name);
    // Windows are shown after their initialisation, so the picture is complete now.
    if (!self->Screenshot(wnd, path)) {
        ++screenshotFailures;
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
    }
}

Win32Renderer::Win32Renderer() : impl_(std::make_unique<Impl>()) {
    impl_->self = this;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&impl_->gdiplusToken, &input, nullptr);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    RegisterSkinClass();
    g_impl = impl_.get();
    impl_->pump = std::make_unique<Win32MessagePump>();
    SetRenderer(this);
}

Win32Renderer::~Win32Renderer() {
    SetRenderer(nullptr);
    impl_->pump.reset();
    std::vector<HWND> tops;
    for (const auto& [wnd, h] : impl_->hwnds) {
        if (!GetParent(h)) tops.push_back(h);
    }
    impl_->hwnds.clear();
    impl_->models.clear();
    for (HWND h : tops) ::DestroyWindow(h);
    g_impl = nullptr;
    for (const auto& [key, font] : impl_->fonts) DeleteObject(font);
    skin::DropImageCache();
    Gdiplus::GdiplusShutdown(impl_->gdiplusToken);
}

void Win32Renderer::WindowCreated(CWnd& wnd) {
    impl_->Build(wnd);
}

void Win32Renderer::WindowDestroyed(CWnd& wnd) {
    HWND h = impl_->HwndOf(wnd);
    if (!h) return;
    // The model's windows go first: nothing reaches them from here on,
    // even while the system window is inside its own procedure.
    impl_->Forget(wnd);
    ::DestroyWindow(h);
}

void Win32Renderer::WindowChanged(CWnd& wnd, unsigned what) {
    impl_->Sync(wnd, what);
}

void Win32Renderer::ItemsEdited(CWnd& wnd, const ItemEdit& edit) {
    HWND h = impl_->HwndOf(wnd);
    if (!h) return;
    const Syncing guard(*impl_);
    if (wnd.Kind() == ControlKind::ComboBox) {
        auto& model = static_cast<CComboBox&>(wnd);
        const auto index = static_cast<WPARAM>(edit.index);
        const auto text = [&] {
            return skin::ToWide(model.Items()[static_cast<std::size_t>(edit.index)]);
        };
        switch (edit.kind) {
            case ItemEdit::Kind::Inserted: {
                const std::wstring t = text();
                SendMessageW(h, CB_INSERTSTRING, index, reinterpret_cast<LPARAM>(t.c_str()));
                break;
            }
            case ItemEdit::Kind::Removed:
                SendMessageW(h, CB_DELETESTRING, index, 0);
                break;
            case ItemEdit::Kind::TextSet: {
                const std::wstring t = text();
                SendMessageW(h, CB_DELETESTRING, index, 0);
                SendMessageW(h, CB_INSERTSTRING, index, reinterpret_cast<LPARAM>(t.c_str()));
                break;
            }
            case ItemEdit::Kind::Reset:
                SendMessageW(h, CB_RESETCONTENT, 0, 0);
                break;
        }
        impl_->ShowSelection(wnd, h);
        return;
    }
    if (wnd.Kind() != ControlKind::ListCtrl) return;
    auto& model = static_cast<CListCtrl&>(wnd);
    switch (edit.kind) {
        case ItemEdit::Kind::Inserted:
            for (int sub = 0; sub < std::max(1, model.GetColumnCount()); ++sub) {
                std::wstring t = skin::ToWide(model.GetItemText(edit.index, sub));
                LVITEMW item{};
                item.mask = LVIF_TEXT;
                item.iItem = edit.index;
                item.iSubItem = sub;
                item.pszText = t.data();
                SendMessageW(h, sub == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW,
                             sub == 0 ? 0 : static_cast<WPARAM>(edit.index),
                             reinterpret_cast<LPARAM>(&item));
            }
            break;
        case ItemEdit::Kind::Removed:
            SendMessageW(h, LVM_DELETEITEM, static_cast<WPARAM>(edit.index), 0);
            break;
        case ItemEdit::Kind::TextSet: {
            std::wstring t = skin::ToWide(model.GetItemText(edit.index, edit.subItem));
            LVITEMW item{};
            item.iSubItem = edit.subItem;
            item.pszText = t.data();
            SendMessageW(h, LVM_SETITEMTEXTW, static_cast<WPARAM>(edit.index),
                         reinterpret_cast<LPARAM>(&item));
            break;
        }
        case ItemEdit::Kind::Reset:
            SendMessageW(h, LVM_DELETEALLITEMS, 0, 0);
            break;
    }
}

void Win32Renderer::RunModalLoop(CImageDialog& dlg) {
    // A nested loop: the pump's hidden window keeps the model's queue
    // running, and the owner is disabled by the model meanwhile.
    ::MSG msg{};
    while (!dlg.IsEnded()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // The program quits: the outer loop must see it too.
            if (got == 0) ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void Win32Renderer::ModalEnded(CImageDialog& dlg) {
    // Wakes the modal loop's GetMessageW so it sees the dialog ended.
    if (HWND h = impl_->HwndOf(dlg)) PostMessageW(h, WM_NULL, 0, 0);
}

void Win32Renderer::BeginDrag(CImageDialog& dlg, CPoint screenPoint) {
    HWND h = impl_->HwndOf(dlg);
    if (!h || dlg.GetParent()) return;
    if (!(GetAsyncKeyState(VK_LBUTTON) & 0x8000)) return;  // released already
    // The system moves the window while the button is held (WM_MOVE tells the model).
    ReleaseCapture();
    PostMessageW(h, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(screenPoint.x, screenPoint.y));
}

bool Win32Renderer::Screenshot(CWnd& top, const std::string& pngPath) {
    if (!impl_->HwndOf(top)) return false;
    const int w = top.Rect().Width(), h = top.Rect().Height();
    if (w <= 0 || h <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(mem, bmp);
    PaintTree(*impl_, mem, top, 0, 0, true);
    SelectObject(mem, old);
    DeleteDC(mem);
    bool saved = false;
    {
        Gdiplus::Bitmap shot(bmp, nullptr);
        CLSID png;
        const std::filesystem::path path = PathFromUtf8(pngPath);
        std::error_code ec;
        if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
        saved = PngEncoder(&png) && shot.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
    }
    DeleteObject(bmp);
    return saved;
}

CRect Win32Renderer::DesktopRect() const {
    return CRect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

bool Win32Renderer::AvailableRect(CRect* out) const {
    RECT r;
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0)) return false;
    if (out) *out = CRect(r.left, r.top, r.right, r.bottom);
    return true;
}

void Win32Renderer::SetScreenshotDir(const std::string& dir) {
    impl_->screenshotDir = dir;
}

int Win32Renderer::ScreenshotFailures() const {
    return impl_->screenshotFailures;
}

HWND Win32Renderer::HwndOf(const CWnd& wnd) const {
    return impl_->HwndOf(wnd);
}

std::vector<std::string> Win32Renderer::MissingResources() const {
    return skin::MissingResources();
}

std::size_t Win32Renderer::PumpedMessages() const {
    return impl_->pump ? impl_->pump->Handled() : 0;
}

}  // namespace zeva::ui
