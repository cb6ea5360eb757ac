#include "DlgSelect.h"

#include "DlgTestSpeed.h"
#include "Resources.h"

using namespace speedtest;

CDlgSelect::CDlgSelect() : CImageDialog(kTplSelect, nullptr) {
    RegisterResources();
    SetResourceModule(ZEVA_THIS_MODULE);
    Bind({{select_ids::kDownload, &download_}, {select_ids::kHttp, &http_}});
    HandleClick(select_ids::kDownload, [this] {
        if (CDlgTestSpeed* landing = LandingOf(this)) landing->SwitchTab(true);
    });
    HandleClick(select_ids::kHttp, [this] {
        if (CDlgTestSpeed* landing = LandingOf(this)) landing->SwitchTab(false);
    });
}

BOOL CDlgSelect::OnInitDialog() {
    CImageDialog::OnInitDialog();
    SetBackgroundImage(img::kTabBackground);
    download_.SetNormalImage(img::kDownloadTab);
    download_.SetSelectImage(img::kDownloadTabSelected);
    http_.SetNormalImage(img::kHttpTab);
    http_.SetSelectImage(img::kHttpTabSelected);
    download_.SetShowText(true);
    http_.SetShowText(true);
    return 1;
}

void CDlgSelect::Check(bool download) {
    download_.SetCheck(download ? 1 : 0);
    http_.SetCheck(download ? 0 : 1);
}
