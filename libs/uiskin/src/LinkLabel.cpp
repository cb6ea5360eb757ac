#include "LinkLabel.h"

using namespace zeva;

void CLinkLabel::AdoptFrom(CWnd& generic) {
    CStaticText::AdoptFrom(generic);
    ApplyLinkLook();
}

void CLinkLabel::ApplyLinkLook() {
    SetUnderline(true);
    SetCursor(IDC_HAND);
}

void CLinkLabel::OnLButtonUp(UINT flags, CPoint point) {
    CStaticText::OnLButtonUp(flags, point);
    if (CWnd* parent = GetParent()) {
        parent->SendMessage(WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), BN_CLICKED), 0);
    }
}
