#include "Wnd.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "ImageDialog.h"
#include "Registry_p.h"
#include "Renderer.h"

using namespace zeva;
using namespace zeva::ui;

namespace {

// Every message of a model window enters here: input first walks the
// pre-translation chain up to the top-level window, as the MFC loop does;
// no exception leaves a window procedure.
LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = CWnd::FromHandle(hwnd);
    if (!wnd) return 0;
    const detail::DispatchScope scope;
    try {
        if (detail::IsInputMessage(message)) {
            for (CWnd* w = wnd; w; w = w->GetParent()) {
                if (!w->IsWindowEnabled())
                    return 0;  // disabled windows (and a modal's owner) take no input
            }
            MSG msg{hwnd, message, wParam, lParam};
            for (CWnd* w = wnd; w; w = w->GetParent()) {
                if (w->PreTranslateMessage(&msg)) return 0;
                if (!CWnd::FromHandle(hwnd)) return 0;
            }
        }
        return wnd->WindowProc(message, wParam, lParam);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "window message 0x%04X: %s\n", message, e.what());
    } catch (...) {
        std::fprintf(stderr, "window message 0x%04X: unknown failure\n", message);
    }
    return 0;
}

int ClampScroll(const ScrollState& s, int pos) {
    const int top = s.max - std::max(s.page - 1, 0);
    return std::max(s.min, std::min(pos, std::max(top, s.min)));
}

}  // namespace

void CWnd::DetachChild(CWnd* parent, CWnd* child) {
    if (parent) std::erase(parent->children_, child);
}

CWnd::CWnd() = default;

CWnd::~CWnd() {
    if (m_hWnd) CWnd::DestroyWindow();
}

CWnd* CWnd::GetTopLevelParent() {
    CWnd* w = this;
    while (w->parent_) w = w->parent_;
    return w;
}

CWnd* CWnd::GetDlgItem(int id) const {
    for (CWnd* child : children_) {
        if (child->id_ == static_cast<UINT>(id)) return child;
    }
    return nullptr;
}

void CWnd::SetDlgItemText(int id, const std::string& text) {
    if (CWnd* c = GetDlgItem(id)) c->SetWindowText(text);
}

std::string CWnd::GetDlgItemText(int id) const {
    const CWnd* c = GetDlgItem(id);
    return c ? c->GetWindowText() : std::string();
}

LRESULT CWnd::SendDlgItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* c = GetDlgItem(id);
    return c ? c->SendMessage(message, wParam, lParam) : 0;
}

BOOL CWnd::CreateWnd(CWnd* parent, UINT id, const CRect& rect, DWORD style, const std::string& text,
                     bool announce) {
    if (m_hWnd) return 0;
    m_hWnd = CreateWindowHandle(Dispatch);
    if (!m_hWnd) return 0;
    parent_ = parent;
    id_ = id;
    rect_ = rect;
    style_ = style;
    text_ = text;
    visible_ = (style & WS_VISIBLE) != 0;
    enabled_ = (style & WS_DISABLED) == 0;
    if (parent && font_.face.empty()) font_ = parent->font_;
    detail::RegisterWindow(this);
    if (parent) {
        parent->children_.push_back(this);
    } else {
        detail::AddTopLevel(this);
    }
    if (announce && parent && parent->IsRendered()) GetRenderer().WindowCreated(*this);
    return 1;
}

void CWnd::AdoptFrom(CWnd& generic) {
    const CRect rect = generic.rect_;
    const DWORD style = (generic.style_ & ~(WS_VISIBLE | WS_DISABLED)) |
                        (generic.visible_ ? WS_VISIBLE : 0) | (generic.enabled_ ? 0 : WS_DISABLED);
    font_ = generic.font_;
    CreateWnd(generic.parent_, generic.id_, rect, style, generic.text_, false);
}

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd) return 0;
    const std::vector<CWnd*> kids = children_;
    for (auto it = kids.rbegin(); it != kids.rend(); ++it) (*it)->DestroyWindow();
    for (auto& own : owned_) detail::Retire(std::move(own));
    owned_.clear();
    if (rendered_) GetRenderer().WindowDestroyed(*this);
    rendered_ = false;
    DetachChild(parent_, this);
    detail::UnregisterWindow(this);
    DestroyWindowHandle(m_hWnd);
    m_hWnd = nullptr;
    hovered_ = pressed_ = false;
    return 1;
}

CWnd* CWnd::SetFocus() {
    CWnd*& focused = detail::Focused();
    CWnd* previous = focused;
    if (!m_hWnd) return previous;
    focused = this;
    Changed(kChangeFocus);
    return previous;
}

CWnd* CWnd::GetFocus() {
    return detail::Focused();
}

void CWnd::Changed(unsigned what) {
    if (rendered_) GetRenderer().WindowChanged(*this, what);
}

void CWnd::ItemsEdited(ItemEdit::Kind kind, int index, int subItem) {
    if (rendered_) GetRenderer().ItemsEdited(*this, ItemEdit{kind, index, subItem});
}

CImageDialog* CWnd::OwnerDialog() const {
    for (CWnd* w = parent_; w; w = w->parent_) {
        if (w->Kind() == ControlKind::Dialog) return static_cast<CImageDialog*>(w);
    }
    return nullptr;
}

HMODULE CWnd::ResourceModuleOfOwner() const {
    if (Kind() == ControlKind::Dialog)
        return static_cast<const CImageDialog*>(this)->GetResourceModule();
    const CImageDialog* dlg = OwnerDialog();
    return dlg ? dlg->GetResourceModule() : nullptr;
}

void CWnd::SetWindowText(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    Changed(kChangeText);
}

BOOL CWnd::ShowWindow(int nCmdShow) {
    const BOOL was = visible_ ? 1 : 0;
    const bool show = nCmdShow != SW_HIDE;
    const bool minimise = nCmdShow == SW_MINIMIZE || nCmdShow == SW_SHOWMINIMIZED;
    if (show != visible_ || minimise != minimized_) {
        visible_ = show;
        minimized_ = minimise;
        if (m_hWnd) SendMessage(WM_SHOWWINDOW, show ? 1 : 0, 0);
        Changed(kChangeVisibility);
    }
    if (show && !parent_) detail::NoteShown(this);
    return was;
}

BOOL CWnd::IsWindowVisible() const {
    for (const CWnd* w = this; w; w = w->parent_) {
        if (!w->visible_) return 0;
    }
    return m_hWnd ? 1 : 0;
}

BOOL CWnd::EnableWindow(BOOL enable) {
    const BOOL wasDisabled = enabled_ ? 0 : 1;
    if ((enable != 0) != enabled_) {
        enabled_ = enable != 0;
        if (!enabled_) pressed_ = false;
        Changed(kChangeEnabled);
    }
    return wasDisabled;
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL) {
    MoveWindow(CRect(x, y, x + width, y + height));
}

void CWnd::MoveWindow(const CRect& rect, BOOL) {
    if (rect == rect_) return;
    rect_ = rect;
    Changed(kChangeGeometry);
}

BOOL CWnd::SetWindowPos(const CWnd*, int x, int y, int cx, int cy, UINT flags) {
    CRect r = rect_;
    if (!(flags & SWP_NOMOVE)) r = CRect(x, y, x + r.Width(), y + r.Height());
    if (!(flags & SWP_NOSIZE)) {
        r.right = r.left + cx;
        r.bottom = r.top + cy;
    }
    MoveWindow(r);
    if (flags & SWP_SHOWWINDOW) ShowWindow(SW_SHOW);
    return 1;
}

CWnd* CWnd::GetDesktopWindow() {
    // Never created: it has no handle and takes no messages, only a rectangle.
    static CWnd desktop;
    desktop.rect_ = GetRenderer().DesktopRect();
    desktop.visible_ = true;
    return &desktop;
}

void CWnd::GetWindowRect(CRect* rect) const {
    *rect = rect_;
    for (const CWnd* w = parent_; w; w = w->parent_) rect->OffsetRect(w->rect_.left, w->rect_.top);
}

void CWnd::GetClientRect(CRect* rect) const {
    *rect = CRect(0, 0, rect_.Width(), rect_.Height());
}

void CWnd::ScreenToClient(CPoint* p) const {
    CRect r;
    GetWindowRect(&r);
    p->x -= r.left;
    p->y -= r.top;
}

void CWnd::ClientToScreen(CPoint* p) const {
    CRect r;
    GetWindowRect(&r);
    p->x += r.left;
    p->y += r.top;
}

void CWnd::Invalidate(BOOL) {
    Changed(kChangeState);
}

void CWnd::SetFontName(const std::string& face) {
    font_.face = face;
    Changed(kChangeLook);
}
void CWnd::SetFontSize(int size) {
    font_.size = size;
    Changed(kChangeLook);
}
void CWnd::SetFontBold(bool bold) {
    font_.bold = bold;
    Changed(kChangeLook);
}
void CWnd::SetUnderline(bool underline) {
    font_.underline = underline;
    Changed(kChangeLook);
}
void CWnd::SetSkinFont(const SkinFont& font) {
    font_ = font;
    Changed(kChangeLook);
}

SkinFont CWnd::GetSkinFont(int state) const {
    if (state >= 1 && state <= 3 && stateFontSet_[state]) return stateFont_[state];
    return font_;
}

void CWnd::SetTextColor(COLORREF color) {
    for (auto& c : textColor_) c = color;
    textColorSet_ = true;
    Changed(kChangeLook);
}

void CWnd::SetTextColor(int state, COLORREF color) {
    if (state < 1 || state > 3) return;
    textColor_[state] = color;
    stateColorSet_[state] = true;
    if (state == kStateNormal) {
        textColor_[0] = color;
        textColorSet_ = true;
    }
    Changed(kChangeLook);
}

COLORREF CWnd::GetTextColor(int state) const {
    if (state >= 1 && state <= 3 && stateColorSet_[state]) return textColor_[state];
    return textColor_[0];
}

void CWnd::SetTextAligns(UINT flags) {
    align_ = flags;
    Changed(kChangeLook);
}
void CWnd::SetTransparent(bool on) {
    transparent_ = on;
    Changed(kChangeLook);
}
void CWnd::SetCursor(SkinCursor cursor) {
    cursor_ = cursor;
    Changed(kChangeLook);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_hWnd ? zeva::SendMessage(m_hWnd, message, wParam, lParam) : 0;
}
BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_hWnd ? zeva::PostMessage(m_hWnd, message, wParam, lParam) : 0;
}
UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapseMs, void*) {
    return m_hWnd ? zeva::SetTimer(m_hWnd, id, elapseMs) : 0;
}
BOOL CWnd::KillTimer(UINT_PTR id) {
    return m_hWnd ? zeva::KillTimer(m_hWnd, id) : 0;
}

BOOL CWnd::SetScrollInfo(int bar, const SCROLLINFO& info, BOOL) {
    if (bar != SB_VERT && bar != SB_HORZ) return 0;
    ScrollState& s = scroll_[bar];
    if (info.fMask & SIF_RANGE) {
        s.min = info.nMin;
        s.max = std::max(info.nMin, info.nMax);
    }
    if (info.fMask & SIF_PAGE) s.page = std::min(static_cast<int>(info.nPage), s.max - s.min + 1);
    if (info.fMask & SIF_POS) s.pos = info.nPos;
    s.pos = ClampScroll(s, s.pos);
    s.shown = s.max > s.min;
    Changed(kChangeScroll);
    return 1;
}

BOOL CWnd::GetScrollInfo(int bar, SCROLLINFO* info, UINT mask) const {
    if ((bar != SB_VERT && bar != SB_HORZ) || !info) return 0;
    const ScrollState& s = scroll_[bar];
    info->fMask = mask;
    info->nMin = s.min;
    info->nMax = s.max;
    info->nPage = static_cast<UINT>(std::max(s.page, 0));
    info->nPos = s.pos;
    info->nTrackPos = s.pos;
    return 1;
}

int CWnd::GetScrollPos(int bar) const {
    return (bar == SB_VERT || bar == SB_HORZ) ? scroll_[bar].pos : 0;
}

int CWnd::SetScrollPos(int bar, int pos, BOOL redraw) {
    const int old = GetScrollPos(bar);
    SCROLLINFO si;
    si.fMask = SIF_POS;
    si.nPos = pos;
    SetScrollInfo(bar, si, redraw);
    return old;
}

void CWnd::SetScrollRange(int bar, int minPos, int maxPos, BOOL redraw) {
    SCROLLINFO si;
    si.fMask = SIF_RANGE;
    si.nMin = minPos;
    si.nMax = maxPos;
    SetScrollInfo(bar, si, redraw);
}

void CWnd::ShowScrollBar(int bar, BOOL show) {
    if (bar != SB_VERT && bar != SB_HORZ) return;
    scroll_[bar].shown = show != 0;
    Changed(kChangeScroll);
}

const ScrollState& CWnd::ScrollBar(int bar) const {
    return scroll_[bar == SB_HORZ ? SB_HORZ : SB_VERT];
}

void CWnd::ScrollWindow(int dx, int dy) {
    if (dx == 0 && dy == 0) return;
    for (CWnd* child : children_) {
        CRect r = child->rect_;
        r.OffsetRect(dx, dy);
        child->MoveWindow(r);
    }
}

SkinImage CWnd::Image(int) const {
    return {};
}

BOOL CWnd::PreTranslateMessage(MSG*) {
    return 0;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const CPoint pt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    switch (message) {
        case WM_COMMAND:
            if (OnCommand(wParam, lParam)) return 0;
            break;
        case WM_TIMER:
            OnTimer(wParam);
            return 0;
        case WM_LBUTTONDOWN:
            OnLButtonDown(static_cast<UINT>(wParam), pt);
            return 0;
        case WM_LBUTTONUP:
            OnLButtonUp(static_cast<UINT>(wParam), pt);
            return 0;
        case WM_MOUSEMOVE:
            OnMouseMove(static_cast<UINT>(wParam), pt);
            return 0;
        case WM_MOUSEHOVER:
            OnMouseHover(static_cast<UINT>(wParam), pt);
            return 0;
        case WM_MOUSELEAVE:
            OnMouseLeave();
            return 0;
        case WM_MOUSEWHEEL:
            return OnMouseWheel(LOWORD(wParam), static_cast<short>(GET_WHEEL_DELTA_WPARAM(wParam)),
                                pt);
        case WM_VSCROLL:
            OnVScroll(LOWORD(wParam), HIWORD(wParam), nullptr);
            return 0;
        case WM_KEYDOWN:
            OnKeyDown(static_cast<UINT>(wParam), 1, 0);
            return 0;
        case WM_NCLBUTTONDOWN:
            OnNcLButtonDown(static_cast<UINT>(wParam), pt);
            return 0;
        case WM_SHOWWINDOW:
            OnShowWindow(static_cast<BOOL>(wParam), static_cast<UINT>(lParam));
            return 0;
        case WM_CLOSE:
            OnClose();
            return 0;
        default:
            break;
    }
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT, WPARAM, LPARAM) {
    return 0;
}
BOOL CWnd::OnCommand(WPARAM, LPARAM) {
    return 0;
}
void CWnd::OnTimer(UINT_PTR) {}
void CWnd::OnLButtonDown(UINT, CPoint) {}
void CWnd::OnLButtonUp(UINT, CPoint) {}

void CWnd::OnMouseMove(UINT, CPoint) {
    CWnd*& hovered = detail::Hovered();
    if (hovered == this) return;
    if (hovered) hovered->PostMessage(WM_MOUSELEAVE);
    hovered = this;
    // The hover notice follows at once; the model has no hover delay.
    PostMessage(WM_MOUSEHOVER, 0, 0);
}

void CWnd::OnMouseHover(UINT, CPoint) {
    if (hovered_) return;
    hovered_ = true;
    Changed(kChangeState);
}

void CWnd::OnMouseLeave() {
    if (!hovered_ && !pressed_) return;
    hovered_ = false;
    pressed_ = false;
    Changed(kChangeState);
}

BOOL CWnd::OnMouseWheel(UINT, short, CPoint) {
    return 0;
}
void CWnd::OnVScroll(UINT, UINT, CScrollBar*) {}
void CWnd::OnKeyDown(UINT, UINT, UINT) {}
void CWnd::OnNcLButtonDown(UINT, CPoint) {}
void CWnd::OnShowWindow(BOOL, UINT) {}
void CWnd::OnClose() {
    DestroyWindow();
}
