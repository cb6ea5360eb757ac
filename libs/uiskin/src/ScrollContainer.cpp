#include "ScrollContainer.h"

#include <algorithm>

using namespace zeva;
using namespace zeva::ui;

void CScrollContainer::SetScrollSteps(int line, int page, int wheel) {
    line_ = line;
    page_ = page;
    wheel_ = wheel;
}

int CScrollContainer::ScrollBy(int delta) {
    SCROLLINFO si;
    GetScrollInfo(SB_VERT, &si);
    const int top = std::max(si.nMin, si.nMax - static_cast<int>(si.nPage));
    const int pos = std::clamp(si.nPos + delta, si.nMin, top);
    const int moved = pos - si.nPos;
    if (moved == 0) return 0;
    scroll_[SB_VERT].pos = pos;
    Changed(kChangeScroll);
    ScrollWindow(0, -moved);
    return moved;
}

void CScrollContainer::OnVScroll(UINT code, UINT pos, CScrollBar*) {
    switch (code) {
        case SB_LINEUP:
            ScrollBy(-line_);
            break;
        case SB_LINEDOWN:
            ScrollBy(line_);
            break;
        case SB_PAGEUP:
        case SB_TOP:
            ScrollBy(-page_);
            break;
        case SB_PAGEDOWN:
        case SB_BOTTOM:
            ScrollBy(page_);
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            ScrollBy(static_cast<int>(pos) - GetScrollPos(SB_VERT));
            break;
        default:
            break;
    }
}

BOOL CScrollContainer::OnMouseWheel(UINT, short delta, CPoint) {
    ScrollBy(delta <= 0 ? wheel_ : -wheel_);
    return 1;
}
