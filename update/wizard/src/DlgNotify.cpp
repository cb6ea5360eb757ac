#include "DlgNotify.h"

#include <cstdio>

#include "Renderer.h"
#include "UpdateResources.h"
#include "platform/CodePage.h"
#include "platform/Shell.h"

using namespace zeva;
using namespace zeva::wizard;

namespace {

constexpr COLORREF kLabelColor = RGB(0x0D, 0x3D, 0x66);
constexpr int kEdgeGap = 5;

}  // namespace

CDlgNotify::CDlgNotify(CWnd* parent) : CImageDialog(IDD_NOTIFY, parent) {
    RegisterWizardResources();
}

void CDlgNotify::DoDataExchange(CDataExchange* pDX) {
    CImageDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_NOTIFY_NOW, m_btnNow);
    DDX_Control(pDX, IDC_NOTIFY_LATER, m_btnLater);
    DDX_Control(pDX, IDC_NOTIFY_CROSS, m_btnClose);
    DDX_Control(pDX, IDC_OLD_VERSION, m_lblOldVersion);
    DDX_Control(pDX, IDC_NEW_VERSION, m_lblNewVersion);
    DDX_Text(pDX, IDC_OLD_VERSION, m_strOldVersion);
    DDX_Text(pDX, IDC_NEW_VERSION, m_strNewVersion);
}

BOOL CDlgNotify::OnInitDialog() {
    CImageDialog::OnInitDialog();
    SetWindowText(Acp("Pelmo升级通知"));
    GetDlgItem(IDC_TITLE)->SetTextColor(RGB(255, 255, 255));
    GetDlgItem(IDC_TITLE)->SetFontBold(true);

    for (CImageButtonX* b : {&m_btnNow, &m_btnLater}) {
        b->SetImages(IDB_BUTTON, IDB_BUTTON, IDB_BUTTON);
        b->SetShowText(true);
    }
    m_btnClose.SetImages(IDB_CROSS, IDB_CROSS, IDB_CROSS);
    m_btnClose.SetShowText(false);

    for (CStaticText* label : {&m_lblOldVersion, &m_lblNewVersion}) {
        label->SetFontSize(12);
        label->SetFontBold(true);
        label->SetTextColor(kLabelColor);
    }

    // The web-site link sits in the bottom-left corner, level with the buttons.
    CRect link(14, 131, 84, 141);
    MapDialogRect(&link);
    m_lblLink.CreateWnd(this, IDC_WEBSITE_LINK, link, WS_CHILD | WS_VISIBLE | SS_NOTIFY,
                        Acp("访问Pelmo官网"));
    m_lblLink.SetFontSize(12);
    m_lblLink.ApplyLinkLook();
    m_lblLink.SetTextColor(kLabelColor);
    m_lblLink.ShowWindow(m_strWebSite.empty() ? SW_HIDE : SW_SHOW);

    PlaceAboveTaskbar();
    return 1;
}

CPoint CDlgNotify::Placement(const CRect& taskbar, int screenRight, CSize dialog) {
    return CPoint(screenRight - dialog.cx - kEdgeGap, taskbar.top - dialog.cy - kEdgeGap);
}

void CDlgNotify::PlaceAboveTaskbar() {
    // The free area of the primary screen stands for the taskbar: the
    // taskbar begins where the free area ends.
    CRect taskbar;
    CRect desktop;
    GetDesktopWindow()->GetWindowRect(&desktop);
    int screenRight = desktop.Width();
    CRect available;
    if (ui::GetRenderer().AvailableRect(&available)) {
        taskbar = CRect(available.left, available.bottom, available.right, desktop.bottom);
        screenRight = available.right;
    }
    CRect own;
    GetWindowRect(&own);
    const CPoint at = Placement(taskbar, screenRight, CSize(own.Width(), own.Height()));
    MoveWindow(at.x, at.y, own.Width(), own.Height(), 1);
}

BOOL CDlgNotify::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
            case IDC_NOTIFY_NOW:
                EndDialog(IDYES);
                return 1;
            case IDC_NOTIFY_LATER:
            case IDC_NOTIFY_CROSS:
                EndDialog(IDNO);
                return 1;
            case IDC_WEBSITE_LINK: {
                std::string error;
                if (!OpenUrl(m_strWebSite, &error)) {
                    std::fprintf(stderr, "ZEVAUpdate: %s\n", error.c_str());
                }
                return 1;
            }
            default:
                break;
        }
    }
    return CImageDialog::OnCommand(wParam, lParam);
}

void CDlgNotify::OnCancel() {
    // Escape answers like the close cross: not now.
    EndDialog(IDNO);
}

HBRUSH CDlgNotify::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT ctlColor) {
    if (ctlColor == CTLCOLOR_STATIC) {
        pDC->SetBkMode(TRANSPARENT);
        if (pWnd == nullptr || pWnd->GetDlgCtrlID() != IDC_TITLE) pDC->SetTextColor(kLabelColor);
        return GetStockObject(NULL_BRUSH);
    }
    return CImageDialog::OnCtlColor(pDC, pWnd, ctlColor);
}

void CDlgNotify::OnLButtonDown(UINT flags, CPoint point) {
    CImageDialog::OnLButtonDown(flags, point);
    if (point.y < 30) PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
}
