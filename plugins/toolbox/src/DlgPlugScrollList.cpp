#include "DlgPlugScrollList.h"

#include "ToolboxResources.h"

using namespace zeva;
using namespace toolbox;

CDlgPlugScrollList::CDlgPlugScrollList() : CImageDialog(kListTemplate, nullptr) {
    Bind({{kIdListPicture, &picture_}, {kIdListTitle, &title_}});
    // Hover notices from the grid need no answer here.
    HandleMessage(kMsgButtonHover, [](WPARAM, LPARAM) -> LRESULT { return 0; });
}

CDlgPlugScrollList::~CDlgPlugScrollList() {
    if (m_hWnd) CDlgPlugScrollList::DestroyWindow();
}

BOOL CDlgPlugScrollList::OnInitDialog() {
    CImageDialog::OnInitDialog();
    title_.SetFontSize(12);
    title_.SetTextColor(0x122C1D);
    container_.SetResourceModule(GetResourceModule());
    if (container_.Create(kContainerTemplate, this)) {
        CRect own;
        GetClientRect(&own);
        container_.MoveWindow(0, 0, own.Width(), own.Height());
        container_.ShowWindow(SW_SHOW);
        container_.SetClickTarget(GetParent() ? GetParent()->GetSafeHwnd() : nullptr,
                                  kMsgButtonReleased);
    }
    return 1;
}

void CDlgPlugScrollList::RemoveAll() {
    container_.RemoveButtons();
    plugItems_.clear();
}

void CDlgPlugScrollList::AddItem(const PlugItem& item) {
    plugItems_.push_back(item);
    container_.AddButton(item.NormalImage, item.SelectImage, item.PlugId, item.OverImage);
}

BOOL CDlgPlugScrollList::DestroyWindow() {
    container_.DestroyWindow();
    return CImageDialog::DestroyWindow();
}

HBRUSH CDlgPlugScrollList::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT ctlColor) {
    HBRUSH brush = CImageDialog::OnCtlColor(pDC, pWnd, ctlColor);
    return ctlColor == CTLCOLOR_DLG ? static_cast<HBRUSH>(white_) : brush;
}
