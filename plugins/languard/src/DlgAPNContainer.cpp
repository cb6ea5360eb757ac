#include "DlgAPNContainer.h"

#include "LanguardResources.h"

using namespace zeva;
using namespace languard;

CDlgAPNContainer::CDlgAPNContainer() : CScrollContainer(kListTemplate) {
    RegisterResources();
    SetResourceModule(ZEVA_THIS_MODULE);
    // Line, page and end requests and the wheel all move one row height.
    SetScrollSteps(kScrollStep, kScrollStep, kScrollStep);
}

CDlgAPNContainer::~CDlgAPNContainer() {
    if (GetSafeHwnd()) CDlgAPNContainer::DestroyWindow();
    Clear();
}

BOOL CDlgAPNContainer::OnInitDialog() {
    CScrollContainer::OnInitDialog();
    SetBackgroundImage(kImgRow, 2);
    return 1;
}

CDlgAPNItem* CDlgAPNContainer::AddRow(const std::string& ip, const std::string& mac,
                                      const std::string& vendor) {
    auto row = std::make_unique<CDlgAPNItem>();
    if (!row->Create(kRowTemplate, this)) return nullptr;
    row->SetDevice(ip, mac, vendor);
    CRect r;
    row->GetWindowRect(&r);
    const int width = r.Width(), height = r.Height();
    int top = 1;
    if (rows_.empty()) {
        row->MarkOwnComputer();
    } else {
        top = rows_.back()->Rect().bottom + 1;
    }
    row->MoveWindow(0, top, width, height);
    row->ShowWindow(SW_SHOW);

    CRect client;
    GetClientRect(&client);
    SCROLLINFO si;
    GetScrollInfo(SB_VERT, &si);
    si.fMask = SIF_RANGE | SIF_PAGE;
    si.nMax = top + height - client.Height() + 55;
    si.nPage = si.nMax >= 60 ? 60u : 0u;
    SetScrollInfo(SB_VERT, si);

    rows_.push_back(std::move(row));
    return rows_.back().get();
}

void CDlgAPNContainer::Clear() {
    for (auto& row : rows_) {
        if (row->GetSafeHwnd()) row->DestroyWindow();
    }
    rows_.clear();
    // New rows start at the top again, so the view must too.
    if (GetSafeHwnd()) {
        SCROLLINFO si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        SetScrollInfo(SB_VERT, si);
    }
}

BOOL CDlgAPNContainer::DestroyWindow() {
    Clear();
    return CScrollContainer::DestroyWindow();
}

HBRUSH CDlgAPNContainer::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT ctlColor) {
    HBRUSH brush = CScrollContainer::OnCtlColor(pDC, pWnd, ctlColor);
    if (ctlColor == CTLCOLOR_DLG) return white_;
    return brush;
}
