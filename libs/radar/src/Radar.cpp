#include "Radar.h"

#include <mutex>

#include "Controls.h"
#include "platform/CodePage.h"

using namespace zeva;
using namespace zeva::ui;
using namespace zeva::radar;

namespace {

void RegisterTemplate() {
    static std::once_flag once;
    std::call_once(once, [] {
        DialogTemplate t;
        t.id = kTemplateId;
        t.cx = 120;
        t.cy = 76;
        t.fontFace = Acp("宋体");
        t.style = WS_POPUP;
        t.caption = Acp("请稍候");
        t.controls = {
            {kIdSweep, ControlKind::Picture, 40, 8, 40, 40, "", 0, true},
            {kIdText, ControlKind::Static, 4, 56, 112, 10, Acp("正在获取数据，请稍候..."),
             SS_CENTER, true},
        };
        RegisterDialogTemplate(nullptr, t);
    });
}

}  // namespace

class CDlgRadar : public CImageDialog {
public:
    explicit CDlgRadar(CWnd* owner) : CImageDialog(kTemplateId, owner) {}
    int frame = 0;

protected:
    BOOL OnInitDialog() override {
        CImageDialog::OnInitDialog();
        SkinImage sweep;
        sweep.resourceId = 1;
        sweep.info.glyph = SkinGlyph::Radar;
        static_cast<CPNGPicture*>(GetDlgItem(static_cast<int>(kIdSweep)))->SetImage(sweep);
        CenterWindow(GetOwner());
        SetTimer(1, kFrameMs);
        return 1;
    }
    void OnTimer(UINT_PTR id) override {
        if (id != 1) return;
        ++frame;
        static_cast<CPNGPicture*>(GetDlgItem(static_cast<int>(kIdSweep)))->SetFrame(frame);
    }
    // The animation is not closed by keys; only its owner closes it.
    BOOL PreTranslateMessage(MSG* msg) override { return msg->message == WM_KEYDOWN; }
};

CRadar::CRadar(HWND parent) : parent_(parent) {}

CRadar::~CRadar() {
    Close();
}

void CRadar::Show() {
    if (!dlg_) {
        RegisterTemplate();
        dlg_ = std::make_unique<CDlgRadar>(CWnd::FromHandle(parent_));
        if (!dlg_->Create(kTemplateId)) {
            dlg_.reset();
            return;
        }
    }
    dlg_->ShowWindow(SW_SHOW);
}

void CRadar::Close() {
    if (!dlg_) return;
    dlg_->DestroyWindow();
    dlg_.reset();
}

bool CRadar::IsShown() const {
    return dlg_ && dlg_->IsWindowVisible();
}
int CRadar::Frame() const {
    return dlg_ ? dlg_->frame : 0;
}
CImageDialog* CRadar::Window() const {
    return dlg_.get();
}
