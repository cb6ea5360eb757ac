#include "Input.h"

#include "Controls.h"
#include "Registry_p.h"

using namespace zeva;

namespace zeva::ui::input {

void MouseDown(CWnd& wnd, CPoint point) {
    wnd.PostMessage(WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y));
    wnd.PostMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
}

void MouseUp(CWnd& wnd, CPoint point) {
    wnd.PostMessage(WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
}

void Click(CWnd& wnd) {
    CRect r;
    wnd.GetClientRect(&r);
    const CPoint mid(r.Width() / 2, r.Height() / 2);
    MouseDown(wnd, mid);
    MouseUp(wnd, mid);
}

void Hover(CWnd& wnd) {
    wnd.PostMessage(WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
}

void Leave() {
    CWnd*& hovered = detail::Hovered();
    if (hovered) hovered->PostMessage(WM_MOUSELEAVE);
    hovered = nullptr;
}

void Wheel(CWnd& wnd, int delta) {
    wnd.PostMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<unsigned>(delta)), 0);
}

void VScroll(CWnd& wnd, UINT code, int thumbPos) {
    wnd.PostMessage(WM_VSCROLL, MAKEWPARAM(code, static_cast<unsigned>(thumbPos)), 0);
}

void KeyDown(CWnd& wnd, WPARAM virtualKey) {
    wnd.PostMessage(WM_KEYDOWN, virtualKey, 0);
}

void Type(CWnd& edit, const std::string& text) {
    if (auto* e = dynamic_cast<CEdit*>(&edit)) e->UserReplaceText(text);
    if (auto* c = dynamic_cast<CComboBox*>(&edit)) c->UserEditText(text);
}

void PickItem(CWnd& wnd, int index) {
    if (auto* c = dynamic_cast<CComboBox*>(&wnd)) c->UserSelect(index);
    if (auto* l = dynamic_cast<CListCtrl*>(&wnd)) l->UserSelect(index);
}

}  // namespace zeva::ui::input
