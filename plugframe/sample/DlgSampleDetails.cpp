#include "DlgSampleDetails.h"

#include <mutex>

#include "platform/CodePage.h"

using namespace zeva;
using namespace zeva::ui;
using namespace sample;

void sample::RegisterDetailsResources() {
    static std::once_flag once;
    std::call_once(once, [] {
        DialogTemplate t;
        t.id = kDetailsTemplateId;
        t.cx = 150;
        t.cy = 15;
        t.fontFace = Acp("宋体");
        t.fontSize = 9;
        t.style = WS_CHILD | WS_VISIBLE;
        t.controls = {
            {kIdLineLabel, ControlKind::Static, 4, 3, 26, 10, Acp("线路："), 0, true},
            {kIdLineStatus, ControlKind::Static, 32, 3, 110, 10, Acp("检测中..."), 0, true},
            {kIdLineReference, ControlKind::Static, 100, 3, 46, 10, Acp("线路编号 A-1024"), 0,
             false},
        };
        RegisterDialogTemplate(ZEVA_THIS_MODULE, t);
    });
}

CDlgSampleDetails::CDlgSampleDetails() : CImageDialog(kDetailsTemplateId) {
    SetResourceModule(ZEVA_THIS_MODULE);
    RegisterDetailsResources();
}

BOOL CDlgSampleDetails::CreateIn(CImageDialog& page) {
    if (!Create(kDetailsTemplateId, &page)) return 0;
    CRect r(160, 86, 310, 101);
    page.MapDialogRect(&r);
    MoveWindow(r);
    return 1;
}

BOOL CDlgSampleDetails::OnInitDialog() {
    CImageDialog::OnInitDialog();
    SetTimer(kLineTimer, kLineTimerMs);
    return 1;
}

void CDlgSampleDetails::OnTimer(UINT_PTR id) {
    if (id != kLineTimer) return;
    KillTimer(kLineTimer);
    SetDlgItemText(kIdLineStatus, Acp("线路正常"));
}

HBRUSH CDlgSampleDetails::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT ctlColor) {
    if (ctlColor == CTLCOLOR_DLG) return background_;
    return CImageDialog::OnCtlColor(pDC, pWnd, ctlColor);
}
