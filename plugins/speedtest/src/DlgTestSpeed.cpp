#include "DlgTestSpeed.h"

#include "ConfigKeys.h"
#include "DlgBandInfo.h"
#include "DlgDownload.h"
#include "DlgHttpTest.h"
#include "DlgQuestions.h"
#include "DlgReport.h"
#include "DlgSelect.h"
#include "DlgTestMain.h"
#include "PlugSettings.h"
#include "Resources.h"
#include "platform/CodePage.h"

using namespace speedtest;
using namespace speedtest::landing_ids;
using zeva::Acp;
namespace keys = zeva::cfgkeys;

CDlgTestSpeed* speedtest::LandingOf(const CWnd* page) {
    auto* main = page ? dynamic_cast<CDlgTestMain*>(page->GetParent()) : nullptr;
    return main ? main->Landing() : nullptr;
}

struct CDlgTestSpeed::Lookup {
    std::string version, account, city, area;
    S_NetType netType;
};

CDlgTestSpeed::CDlgTestSpeed(PageServices services)
    : CImageDialog(kTplTestSpeed, nullptr), services_(std::move(services)) {
    RegisterResources();
    SetResourceModule(ZEVA_THIS_MODULE);
    Bind({{kDownload, &downloadChoice_},
          {kHttp, &httpChoice_},
          {kRate, &rateLabel_},
          {kArea, &areaLabel_},
          {kStatus, &status_},
          {kStatusPicture, &statusPicture_}});
    HandleClick(kDownload, [this] { ChooseTest(true); });
    HandleClick(kHttp, [this] { ChooseTest(false); });
    SetStaticLook(RGB(51, 51, 51));
}

// The pages' windows are children of the main window, which destroys them
// with itself; here only the objects go.
CDlgTestSpeed::~CDlgTestSpeed() = default;

BOOL CDlgTestSpeed::OnInitDialog() {
    CImageDialog::OnInitDialog();
    SetBackgroundImage(img::kLandingBackground);
    status_.SetFontBold(true);
    status_.SetFontSize(13);
    status_.SetTextColor(RGB(56, 100, 144));
    statusPicture_.SetImage(img::kLookupPending);

    CWnd* main = GetParent();
    select_ = std::make_unique<CDlgSelect>();
    download_ = std::make_unique<CDlgDownload>(services_);
    band_ = std::make_unique<CDlgBandInfo>();
    questions_ = std::make_unique<CDlgQuestions>();
    http_ = std::make_unique<CDlgHttpTest>(services_);
    report_ = std::make_unique<CDlgReport>(services_);
    const struct {
        CImageDialog* page;
        UINT templateId;
        int x, y;
    } places[] = {{select_.get(), kTplSelect, 1, 66},   {download_.get(), kTplDownload, 1, 135},
                  {band_.get(), kTplBandInfo, 503, 66}, {questions_.get(), kTplQuestions, 503, 224},
                  {http_.get(), kTplHttpTest, 1, 135},  {report_.get(), kTplReport, 503, 224}};
    for (const auto& p : places) {
        p.page->Create(p.templateId, main);
        p.page->SetWindowPos(nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        p.page->ShowWindow(SW_HIDE);
    }

    downloadChoice_.SetImages(img::kDownloadChoiceNormal, img::kDownloadChoiceHover,
                              img::kDownloadChoicePressed);
    httpChoice_.SetImages(img::kHttpChoiceNormal, img::kHttpChoiceHover, img::kHttpChoicePressed);
    downloadChoice_.SetShowText(true);
    httpChoice_.SetShowText(true);
    StartLookup();
    return 1;
}

void CDlgTestSpeed::StartLookup() {
    auto work = [factory = services_.newClient] {
        Lookup r;
        const std::string address =
            ReadSetting(keys::kConfigDat, keys::kSectionServer, keys::kKeyServiceURL, "");
        r.version = ReadSetting(keys::kConfigDat, keys::kSectionUpdate, keys::kKeyVersion, "");
        std::unique_ptr<IServiceClient> client = factory();
        client->Initialize(address, 6);
        client->GetCurrentAccount(r.account, false);
        client->GetAccountNetType(r.account, r.netType, false);
        client->GetAccountCity(r.account, r.city, false);
        r.area = ReadSetting(keys::kSpeedTestDat, keys::kSectionArea, r.city, keys::DefaultArea());
        return r;
    };
    // Closing the window drops a late result; the plug-in's unload waits for
    // the worker, whose calls end within their time-out.
    async_.Run(std::move(work), [this](const Lookup& r) { ShowLookup(r); });
}

void CDlgTestSpeed::ShowLookup(const Lookup& r) {
    version_ = r.version;
    account_ = r.account;
    netType_ = r.netType;
    if (!r.netType.BandRate.empty() && !r.city.empty()) {
        rateLabel_.SetWindowText(r.netType.BandRate);
        areaLabel_.SetWindowText(r.area);
        rate_ = r.netType.BandRate;
        area_ = r.area;
        obtained_ = true;
        status_.SetWindowText(Acp("您的宽带信息获取成功"));
        statusPicture_.SetImage(img::kLookupDone);
    } else {
        rateLabel_.SetWindowText(Acp("未知"));
        areaLabel_.SetWindowText(Acp("未知"));
        status_.SetWindowText(Acp("您的宽带信息获取失败"));
        statusPicture_.SetImage(img::kLookupFailed);
    }
    Invalidate(1);
    band_->ShowInfo(obtained_, rate_, area_);
}

void CDlgTestSpeed::ChooseTest(bool download) {
    select_->ShowWindow(SW_SHOW);
    select_->Check(download);
    if (download) {
        download_->ShowWindow(SW_SHOW);
        download_->SetCopies(account_, netType_, version_);
    } else {
        http_->ShowWindow(SW_SHOW);
        http_->SetCopies(account_, netType_, version_);
    }
    band_->ShowWindow(SW_SHOW);
    band_->ApplyLines();
    questions_->ShowWindow(SW_SHOW);
    questions_->SelectSet(download);
    ShowWindow(SW_HIDE);
}

void CDlgTestSpeed::ResetSidePanels() {
    download_->ResetSidePanel();
    http_->ResetSidePanel();
}

void CDlgTestSpeed::SwitchTab(bool download) {
    http_->ShowWindow(download ? SW_HIDE : SW_SHOW);
    download_->ShowWindow(download ? SW_SHOW : SW_HIDE);
    select_->Check(download);
    questions_->SelectSet(download);
}
