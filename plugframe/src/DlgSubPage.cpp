#include "DlgSubPage.h"

#include "PlugContract.h"
#include "platform/WindowFinder.h"

using namespace zeva;

// The page base is linked into each plug-in, so the module handle taken
// here is the plug-in's own.
CDlgSubPage::CDlgSubPage(UINT templateId, CWnd* parent) : CImageDialog(templateId, parent) {
    SetResourceHandle(ZEVA_THIS_MODULE);
}

CDlgSubPage::~CDlgSubPage() {
    if (m_hWnd) CDlgSubPage::DestroyWindow();
}

void CDlgSubPage::SetResourceHandle(HINSTANCE module) {
    m_hResource = module;
    SetResourceModule(module);
}

void CDlgSubPage::Backhome() {}
void CDlgSubPage::Previous() {}

void CDlgSubPage::CloseDialog(int result) {
    lastClose_ = result;
    const HWND self = m_hWnd;
    DestroyWindow();
    // Only this process's host: with its window gone, another running
    // client must not take the notice for one of its own pages.
    if (const HWND host = FindProcessWindowA(plug::kHostWindowClass)) {
        zeva::PostMessage(host, plug::kMsgPageClosed, static_cast<WPARAM>(result),
                          reinterpret_cast<LPARAM>(self));
    }
}

BOOL CDlgSubPage::CreateSubWindow(UINT templateId, CWnd* parent) {
    if (!m_hWnd && !Create(templateId, parent)) return 0;
    ShowWindow(SW_SHOW);
    m_bShown = true;
    return 1;
}

void CDlgSubPage::OnBnClickedBtnClose() {
    CloseDialog(0);
}
void CDlgSubPage::OnBnClickedBtnMinisized() {
    ShowWindow(SW_MINIMIZE);
}

BOOL CDlgSubPage::DestroyWindow() {
    m_bShown = false;
    return CImageDialog::DestroyWindow();
}

void CDlgSubPage::DoDataExchange(CDataExchange* pDX) {
    CImageDialog::DoDataExchange(pDX);
}
BOOL CDlgSubPage::OnInitDialog() {
    return CImageDialog::OnInitDialog();
}

BOOL CDlgSubPage::PreTranslateMessage(MSG* msg) {
    // A page is closed only through CloseDialog, which tells the host:
    // Escape and Return never end it (Return still reaches edits that want it).
    if (msg->message == WM_KEYDOWN && (msg->wParam == VK_ESCAPE || msg->wParam == VK_RETURN)) {
        const CWnd* target = CWnd::FromHandle(msg->hwnd);
        const bool wantsReturn = msg->wParam == VK_RETURN && target &&
                                 target->Kind() == zeva::ui::ControlKind::Edit &&
                                 (target->GetStyle() & ES_WANTRETURN);
        return wantsReturn ? 0 : 1;
    }
    return CImageDialog::PreTranslateMessage(msg);
}

void CDlgSubPage::OnLButtonDown(UINT flags, CPoint point) {
    CImageDialog::OnLButtonDown(flags, point);
}

HBRUSH CDlgSubPage::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT ctlColor) {
    return CImageDialog::OnCtlColor(pDC, pWnd, ctlColor);
}
