#include "DlgDownload.h"

#include <algorithm>

#include "ConfigKeys.h"
#include "CryptConfigFile.h"
#include "DlgReport.h"
#include "DlgTestSpeed.h"
#include "MD5.h"
#include "Resources.h"
#include "SpeedCalc.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/Event.h"

using namespace speedtest;
using namespace speedtest::download_ids;
using zeva::Acp;
namespace keys = zeva::cfgkeys;

namespace {

constexpr COLORREF kLiveColour = RGB(26, 126, 228);
constexpr COLORREF kResultColour = RGB(254, 70, 15);
constexpr int kRunningShift = 100;

std::string Num(unsigned long long v) {
    return std::to_string(v);
}

}  // namespace

// What the end-of-test analysis gathers off the window thread.
struct CDlgDownload::Analysis {
    unsigned pcCount = 0;
    unsigned downRate = 0;
    unsigned upRate = 0;
    unsigned otherDownRate = 0;
    bool proxySet = false;
    std::string account;
    S_NetType netType;
    std::vector<std::string> report;
};

// What the end of a test hands to the analysis and the report.
struct CDlgDownload::TestEnd {
    std::uint32_t recvBase = 0, sentBase = 0, elapsedMs = 0;
    unsigned average = 0, engineRate = 0, peakRate = 0;
    std::string account, version, address, beginTime;
    S_NetType netType;
};

CDlgDownload::CDlgDownload(PageServices services)
    : CImageDialog(kTplDownload, nullptr),
      services_(std::move(services)),
      engine_(services_.newDownloadEngine()),
      radar_(services_.newRadar()) {
    RegisterResources();
    SetResourceModule(ZEVA_THIS_MODULE);
    Bind({{kStatus, &status_},
          {kProgress, &progressBar_},
          {kStart, &start_},
          {kStop, &stop_},
          {kLiveRateCaption, &liveRateCaption_},
          {kLiveRate, &liveRate_},
          {kLivePercentCaption, &livePercentCaption_},
          {kLivePercent, &livePercent_},
          {kContractedPicture, &contractedPicture_},
          {kAveragePicture, &averagePicture_},
          {kRatingPicture, &ratingPicture_},
          {kContracted, &contracted_},
          {kAverage, &averageText_},
          {kLineRate, &lineRate_},
          {kRating, &rating_},
          {kAdvicePicture, &advicePicture_},
          {kAdvice, &advice_},
          {kStatusPictureId, &statusPicture_},
          {kHintPicture, &hintPicture_},
          {kHintBefore, &hintBefore_},
          {kHintDuring, &hintDuring_},
          {kPicture, &picture_},
          {kReport, &report_},
          {kContractedCaption, &contractedCaption_},
          {kAverageCaption, &averageCaption_},
          {kRatingCaption, &ratingCaption_}});
    HandleClick(kStart, [this] { OnStart(); });
    HandleClick(kStop, [this] { OnStopOrAgain(); });
    HandleClick(kReport, [this] { ToggleReport(); });
    HandleMessage(kMsgDownloadProgress, [this](WPARAM w, LPARAM l) { return OnProgress(w, l); });
    AtDestroy([this] {
        if (running_ && engine_) engine_->StopTest();
        sampler_.Stop();
        radar_->Close();
        running_ = false;
        state_ = State::Idle;
    });
}

CDlgDownload::~CDlgDownload() {
    if (m_hWnd) DestroyWindow();
    sampler_.Stop();
}

BOOL CDlgDownload::OnInitDialog() {
    CImageDialog::OnInitDialog();
    SetBackgroundImage(img::kDownloadBackground);
    status_.SetFontSize(13);
    progressBar_.SetRange(0, 100);
    start_.SetImages(img::kStartButton, img::kStartButton, img::kStartButton);
    start_.SetShowText(true);
    stop_.SetNormalImage(img::kWideButton);
    stop_.SetOverImage(img::kWideButtonHover);
    stop_.SetShowText(true);
    report_.SetNormalImage(img::kReportButton);
    report_.SetShowText(true);
    contractedPicture_.SetImage(img::kContractedCaption);
    averagePicture_.SetImage(img::kAverageCaption);
    ratingPicture_.SetImage(img::kRatingCaption);
    advicePicture_.SetImage(img::kAdvice);
    hintPicture_.SetImage(img::kHint);
    picture_.SetImage(img::kDownloadBanner);
    for (CStaticText* live : {&liveRateCaption_, &liveRate_, &livePercentCaption_, &livePercent_})
        live->SetTextColor(kLiveColour);
    for (CStaticText* caption : {&contractedCaption_, &averageCaption_, &ratingCaption_}) {
        caption->SetTransparent(true);
        caption->SetTextColor(RGB(53, 119, 187));
    }
    for (CStaticText* result : {&contracted_, &averageText_, &lineRate_, &rating_}) {
        result->SetFontBold(true);
        result->SetFontSize(14);
        result->SetTextColor(kResultColour);
    }
    idleBar_ = progressBar_.Rect();
    idleStatus_ = status_.Rect();
    ResetIdle();
    return 1;
}

void CDlgDownload::SetCopies(const std::string& account, const S_NetType& netType,
                             const std::string& version) {
    account_ = account;
    netType_ = netType;
    version_ = version;
}

bool CDlgDownload::RadarShown() const {
    return radar_->IsShown();
}

void CDlgDownload::Message(const char* utf8Text) {
    services_.messageBox->Show(Acp(utf8Text), this);
}

std::uint32_t CDlgDownload::ElapsedMs() const {
    return measuring_ ? zeva::GetTickCount() - startTick_ : 0;
}

void CDlgDownload::OnStart() {
    if (state_ != State::Idle && state_ != State::Stopped) return;
    reportShown_ = ShowReportPanel(this, report_, false, {});
    serviceAddress_ = ReadSetting(keys::kConfigDat, keys::kSectionServer, keys::kKeyServiceURL, "");
    engine_->EnableProxy(true);
    if (!urlList_.empty()) {
        ContinueStart();
        return;
    }
    radar_->Show();
    state_ = State::Fetching;
    start_.EnableWindow(0);
    struct Fetched {
        std::string account;
        int result = -1;
        std::vector<S_SpeedConfig> records;
        std::string error;
    };
    auto work = [factory = services_.newClient, address = serviceAddress_, account = account_] {
        Fetched f;
        f.account = account;
        std::unique_ptr<IServiceClient> client = factory();
        client->Initialize(address, 7);
        if (f.account.empty()) client->GetCurrentAccount(f.account, false);
        f.result = client->GetSpeedConfigList(f.account.empty() ? "FTP" : f.account, f.records);
        if (f.result == -1 || f.records.empty()) f.error = client->GetLastErrorInfo();
        return f;
    };
    async_.Run(std::move(work), [this](const Fetched& f) {
        account_ = f.account;
        CCryptConfigFile store(AppFile(keys::kUserConfigDat), "");
        if (f.result == -1 || f.records.empty()) {
            store.ReadSection(keys::kSectionSpeedConfig, urlList_);
        } else {
            speedConfigs_ = f.records;
            store.EraseSection(keys::kSectionSpeedConfig);
            for (const S_SpeedConfig& r : f.records) {
                urlList_.push_back(r.Url);
                store.WriteString(keys::kSectionSpeedConfig, r.Url, r.Title);
            }
        }
        radar_->Close();
        start_.EnableWindow(1);
        state_ = State::Idle;
        if (urlList_.empty()) {
            services_.eventLog->Write("ZEVAClient.exe", __TIMESTAMP__, "DlgDownload",
                                      "CDlgDownload::OnBnClickedButtonTest", 198, f.error,
                                      Acp("一般问题"));
            Message("获取测速地址列表失败，请稍后再试！");
            return;
        }
        ContinueStart();
    });
}

void CDlgDownload::ContinueStart() {
    statusPicture_.ShowWindow(SW_HIDE);
    liveRate_.SetWindowText("");
    livePercent_.SetWindowText("");
    progressBar_.SetPos(0);
    liveGroup_.Show(true);
    progress_ = -1;
    engineRate_ = 0;
    startTick_ = 0;
    measuring_ = false;
    StopEvent().Reset();
    SetTimer(kTimerWatchdog, kWatchdogMs);
    if (engine_->StartTest(urlList_, kTestMs, GetSafeHwnd(), kMsgDownloadProgress) != 0) {
        KillTimer(kTimerWatchdog);
        Message("对不起，该测试点正在维护，请稍候重试！");
        return;
    }
    ++generation_;
    status_.SetWindowText(Acp("正在测试网速，请稍后..."));
    peakRate_ = 0;
    start_.ShowWindow(SW_HIDE);
    running_ = true;
    state_ = State::Running;
    MoveRunningLayout(true);
    stop_.SetWindowText(Acp("停止测速"));
    stop_.ShowWindow(SW_SHOW);
    hintDuring_.ShowWindow(SW_SHOW);
    hintBefore_.ShowWindow(SW_HIDE);
    SetTimer(kTimerLive, kLiveMs);
}

LRESULT CDlgDownload::OnProgress(WPARAM rate, LPARAM percent) {
    // Messages of a test that was stopped or has ended do not count.
    if (state_ != State::Running) return 0;
    KillTimer(kTimerWatchdog);
    engineRate_ = static_cast<unsigned>(rate);
    progress_ = static_cast<int>(percent);
    if (progress_ == -1) {
        start_.ShowWindow(SW_SHOW);
        KillTimer(kTimerLive);
        Message("对不起，测速点无法连接不能测速，请检测网络是否通畅或稍候重试！");
        StopRunning();
        ResetIdle();
    } else if (progress_ >= 100) {
        StopEvent().Set();
        sampler_.Stop();
        EndOfTest();
    } else {
        if (!measuring_) {
            measuring_ = true;
            startTick_ = zeva::GetTickCount();
            beginTime_ = LocalTimeText();
            services_.probes->GetNetworkFlux(recvBase_, sentBase_);
            sampler_.Start(services_.probes);
        }
        SetTimer(kTimerWatchdog, kWatchdogMs);
    }
    return 0;
}

void CDlgDownload::OnTimer(zeva::UINT_PTR id) {
    if (id == kTimerLive) {
        OnLiveTimer();
    } else if (id == kTimerWatchdog) {
        OnWatchdog();
    } else if (id == kTimerFinish) {
        KillTimer(kTimerFinish);
        EnterFinished();
    }
}

void CDlgDownload::OnLiveTimer() {
    if (progress_ == -1) {
        progressBar_.SetPos(0);
        return;
    }
    unsigned current = 0;
    if (measuring_) {
        std::uint32_t received = 0, sent = 0;
        services_.probes->GetNetworkFlux(received, sent);
        current = RateOver(received - recvBase_, ElapsedMs());
    }
    if (current == 0) current = engineRate_;
    peakRate_ = std::max(peakRate_, current);
    liveRate_.SetWindowText(LiveRateText(current));
    livePercent_.SetWindowText(std::to_string(progress_) + "%");
    progressBar_.SetPos(progress_);
    if (progress_ == 100) KillTimer(kTimerLive);
}

void CDlgDownload::OnWatchdog() {
    KillTimer(kTimerWatchdog);
    if (state_ != State::Running || progress_ >= 1) return;
    KillTimer(kTimerLive);
    Message("对不起，测速点无法连接不能测速，请检测网络是否通畅或稍候重试！");
    StopRunning();
    ResetIdle();
}

void CDlgDownload::StopRunning() {
    if (engine_) engine_->StopTest();
    KillTimer(kTimerLive);
    KillTimer(kTimerWatchdog);
    KillTimer(kTimerFinish);
    StopEvent().Set();
    sampler_.Stop();
    if (reportDropped_) reportDropped_->store(true);
    ++generation_;
    stop_.SetWindowText(Acp("重新测速"));
    running_ = false;
    state_ = State::Stopped;
    statusPicture_.SetImage(img::kStatusFinished);
    statusPicture_.ShowWindow(SW_SHOW);
    progressBar_.SetPos(0);
    progress_ = -1;
    MoveRunningLayout(false);
    liveGroup_.Show(false);
    status_.SetWindowText(Acp("测速已停止"));
}

void CDlgDownload::OnStopOrAgain() {
    if (running_) {
        StopRunning();
        return;
    }
    ResetIdle();
    if (CDlgTestSpeed* landing = LandingOf(this)) landing->ResetSidePanels();
}

void CDlgDownload::ResetSidePanel() {
    report_.ShowWindow(SW_HIDE);
    reportShown_ = ShowReportPanel(this, report_, false, {});
}

void CDlgDownload::MoveRunningLayout(bool running) {
    const int shift = running ? -kRunningShift : 0;
    for (auto [wnd, rect] :
         {std::pair<CWnd*, CRect>{&progressBar_, idleBar_}, {&status_, idleStatus_}})
        wnd->MoveWindow(rect.left + shift, rect.top, rect.Width(), rect.Height());
}

void CDlgDownload::ResetIdle() {
    liveGroup_.Show(false);
    resultGroup_.Show(false);
    for (CWnd* w : std::initializer_list<CWnd*>{&stop_, &hintDuring_, &report_})
        w->ShowWindow(SW_HIDE);
    start_.ShowWindow(SW_SHOW);
    statusPicture_.SetImage(img::kStatusIdle);
    statusPicture_.ShowWindow(SW_SHOW);
    hintBefore_.ShowWindow(SW_SHOW);
    hintPicture_.ShowWindow(SW_SHOW);
    progressBar_.SetPos(0);
    MoveRunningLayout(false);
    status_.SetWindowText(Acp("准备开始下载测速..."));
    running_ = false;
    progress_ = -1;
    state_ = State::Idle;
}

void CDlgDownload::EndOfTest() {
    OnLiveTimer();  // the display's last tick: its rate counts for the peak
    elapsedMs_ = ElapsedMs();
    std::uint32_t received = 0, sent = 0;
    services_.probes->GetNetworkFlux(received, sent);
    // Milliseconds, not whole seconds: a 14.6 s test divided by 14 would
    // read 4 % fast, and one shorter than a second would divide by zero.
    average_ = elapsedMs_ == 0
                   ? 0
                   : static_cast<unsigned>(static_cast<std::uint64_t>(received - recvBase_) * 1000 /
                                           (static_cast<std::uint64_t>(elapsedMs_) * 1024));
    if (average_ == 0) average_ = engineRate_;
    averageText_.SetWindowText(AverageText(average_));
    lineRate_.SetWindowText(LineRateText(average_));

    cpuAverage_ = sampler_.CpuAverage();
    memAverage_ = sampler_.MemAverage();

    state_ = State::Analysing;
    const unsigned generation = generation_;
    TestEnd end{recvBase_,  sentBase_,   elapsedMs_,
                average_,   engineRate_, std::max(peakRate_, engineRate_),
                account_,   version_,    serviceAddress_,
                beginTime_, netType_};
    reportDropped_ = std::make_shared<std::atomic<bool>>(false);
    // The analysis and the report run as one: a test that has ended reports
    // even when the page closes meanwhile (the plug-in's unload waits for
    // it); only a test the user stops does not.
    auto work = [services = services_, end, dropped = reportDropped_] {
        Analysis a = Analyse(services, end);
        if (!dropped->load()) {
            std::unique_ptr<IServiceClient> client = services.newClient();
            client->Initialize(end.address, 5);
            client->SetSpeedInfo(a.report);  // a lost report changes nothing for the user
        }
        return a;
    };
    async_.Run(std::move(work), [this, generation](const Analysis& a) {
        if (generation != generation_ || state_ != State::Analysing) return;
        ShowAnalysis(a);
    });
}

CDlgDownload::Analysis CDlgDownload::Analyse(const PageServices& services, const TestEnd& end) {
    Analysis a;
    zeva::plug::ISystemProbes& probes = *services.probes;
    std::vector<LanDevice> devices;
    const int scanned = services.scanner->Scan(devices);
    const std::vector<AdapterFacts> adapters = probes.Adapters();
    a.pcCount =
        LanDeviceCount(scanned, DeviceAddresses(devices), services.scanner->LocalIp(), adapters);
    std::uint32_t receivedNow = 0, sentNow = 0;
    probes.GetNetworkFlux(receivedNow, sentNow);
    a.downRate = RateOver(receivedNow - end.recvBase, end.elapsedMs);
    a.upRate = RateOver(sentNow - end.sentBase, end.elapsedMs);
    a.otherDownRate = speedtest::OtherDownRate(a.downRate, end.engineRate);
    a.proxySet = probes.ProxySet();
    a.account = end.account;
    a.netType = end.netType;
    std::unique_ptr<IServiceClient> client = services.newClient();
    client->Initialize(end.address, 5);
    if (a.account.empty()) client->GetCurrentAccount(a.account, false);
    if (a.netType.Id.empty()) client->GetAccountNetType(a.account, a.netType, false);
    bool dialUpHere = false;
    std::string entry;
    services.dialUp->GetActiveDialUp(dialUpHere, entry);
    const std::string mac = MachineAddress(adapters);
    std::string processorId, diskSerial, serial;
    probes.HardwareInfo(processorId, diskSerial);
    const std::string identity = mac + processorId + diskSerial;
    CMD5::GetStringMD5(identity.c_str(), serial);
    a.report = {a.netType.Id.empty() ? "-" : a.netType.Id,
                Num(end.average),
                dialUpHere ? Acp("本机拨号") : Acp("设备拨号"),
                end.beginTime,
                LocalTimeText(),
                Num(static_cast<unsigned long long>(end.engineRate) * end.elapsedMs / 1000),
                Num(end.peakRate),
                a.account,
                Num(a.upRate),
                Num(a.otherDownRate),
                Num(a.pcCount),
                "CLIENT",
                end.version,
                mac,
                serial,
                processorId,
                diskSerial};
    return a;
}

void CDlgDownload::ShowAnalysis(const Analysis& a) {
    pcCount_ = a.pcCount;
    upRate_ = a.upRate;
    otherDownRate_ = a.otherDownRate;
    proxySet_ = a.proxySet;
    account_ = a.account;
    netType_ = a.netType;
    if (!netType_.BandRate.empty()) contracted_.SetWindowText(netType_.BandRate);
    const Rating rating = RateLine(average_, ContractedKbits(netType_.MaxValue));
    rating_.SetWindowText(RatingWord(rating));
    advice_.SetWindowText(RatingAdvice(rating));
    lastReport_ = a.report;
    status_.SetWindowText(Acp("下载测速完成!"));
    SetTimer(kTimerFinish, 100);
}

void CDlgDownload::EnterFinished() {
    running_ = false;
    state_ = State::Finished;
    liveGroup_.Show(false);
    resultGroup_.Show(true);
    stop_.SetWindowText(Acp("重新测速"));
    statusPicture_.SetImage(img::kStatusFinished);
    statusPicture_.ShowWindow(SW_SHOW);
    MoveRunningLayout(false);
    report_.ShowWindow(SW_SHOW);
    hintDuring_.ShowWindow(SW_HIDE);
    hintPicture_.ShowWindow(SW_HIDE);
}

void CDlgDownload::ToggleReport() {
    reportShown_ =
        ShowReportPanel(this, report_, !reportShown_,
                        {cpuAverage_, memAverage_, pcCount_ > 1, otherDownRate_, proxySet_});
}
