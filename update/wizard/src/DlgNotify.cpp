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
    Bind({{IDC_NOTIFY_NOW, &m_btnNow},
          {IDC_NOTIFY_LATER, &m_btnLater},
          {IDC_NOTIFY_CROSS, &m_btnClose},
          {IDC_OLD_VERSION, &m_lblOldVersion},
          {IDC_NEW_VERSION, &m_lblNewVersion}});
    HandleClick(IDC_NOTIFY_NOW, [this] { EndDialog(IDYES); });
    HandleClick(IDC_NOTIFY_LATER, [this] { EndDialog(IDNO); });
    HandleClick(IDC_NOTIFY_CROSS, [this] { EndDialog(IDNO); });
    HandleClick(IDC_WEBSITE_LINK, [this] {
        std::string error;
        if (!OpenUrl(m_strWebSite, &error)) std::fprintf(stderr, "ZEVAUpdate: %s\n", error.c_str());
    });
    SetCaptionDrag(30);
    // Every label but the white title in the house blue.
    SetStaticLook(kLabelColor);
}

BOOL CDlgNotify::OnInitDialog() {
    CImageDialog::OnInitDialog();
    SetWindowText(Acp("Pelmo升级通知"));
    GetDlgItem(IDC_TITLE)->SetTextColor(RGB(255, 255, 255));
    GetDlgItem(IDC_TITLE)->SetFontBold(true);
    m_lblOldVersion.SetWindowText(m_strOldVersion);
    m_lblNewVersion.SetWindowText(m_strNewVersion);

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

void CDlgNotify::OnCancel() {
    // Escape answers like the close cross: not now.
    EndDialog(IDNO);
}
