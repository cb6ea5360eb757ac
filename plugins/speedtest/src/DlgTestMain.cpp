#include "DlgTestMain.h"

#include "DlgTestSpeed.h"
#include "PageSkin.h"
#include "Resources.h"
#include "platform/CodePage.h"

using namespace speedtest;

CDlgTestMain::CDlgTestMain() : CDlgTestMain(RealServices()) {}

CDlgTestMain::CDlgTestMain(PageServices services)
    : CDlgSubPage(kTplTestMain, nullptr), services_(std::move(services)) {
    RegisterResources();
    Bind({{main_ids::kClose, &close_}, {main_ids::kMinimise, &minimise_}, {14001, &title_}});
    HandleClick(main_ids::kClose, [this] {
        CloseDialog(2);
        landing_.reset();
    });
    HandleClick(main_ids::kMinimise, [this] { ShowWindow(SW_MINIMIZE); });
    SetCaptionDrag(kDragAnywhere);
}

CDlgTestMain::~CDlgTestMain() {
    if (m_hWnd) DestroyWindow();
    landing_.reset();
}

BOOL CDlgTestMain::OnInitDialog() {
    CDlgSubPage::OnInitDialog();
    SetWindowText(zeva::Acp("Telvo宽带测速"));
    CenterWindow(CWnd::GetDesktopWindow());
    SetBackgroundImage(img::kMainBackground);
    close_.SetImages(img::kCloseNormal, img::kCloseHover, img::kClosePressed);
    minimise_.SetImages(img::kMinimiseNormal, img::kMinimiseHover, img::kMinimisePressed);
    zeva::plug::skin::StyleTitle(title_, 16);
    landing_ = std::make_unique<CDlgTestSpeed>(services_);
    landing_->Create(kTplTestSpeed, this);
    landing_->SetWindowPos(nullptr, 1, 66, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    landing_->ShowWindow(SW_SHOW);
    return 1;
}
