#include "DlgHttpTest.h"

#include <algorithm>
#include <cstdio>

#include "ConfigKeys.h"
#include "CryptConfigFile.h"
#include "DlgReport.h"
#include "DlgResultContainer.h"
#include "DlgTestSpeed.h"
#include "HttpRecord.h"
#include "Resources.h"
#include "SpeedCalc.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/Event.h"
#include "platform/MessageQueue.h"

using namespace speedtest;
using namespace speedtest::http_ids;
using zeva::Acp;
namespace keys = zeva::cfgkeys;

namespace {

constexpr COLORREF kLinkColour = RGB(110, 111, 109);
// Longer addresses would not fit the service's record.
constexpr std::size_t kMaxAddress = 256;

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// An address the settings file can hold as a key, and the record as a field.
bool StorableAddress(const std::string& text) {
    if (text.size() > kMaxAddress) return false;
    if (text.front() == '[' || text.front() == ';' || text.front() == '#') return false;
    return std::none_of(text.begin(), text.end(), [](char c) {
        return c == '=' || c == '<' || c == '>' || c == '&' || (c >= 0 && c < 0x20);
    });
}

}  // namespace

// What the end-of-test analysis gathers off the window thread.
struct CDlgHttpTest::Analysis {
    unsigned pcCount = 0;
    unsigned downRate = 0;
    unsigned upRate = 0;
    bool proxySet = false;
};

CDlgHttpTest::CDlgHttpTest(PageServices services)
    : CImageDialog(kTplHttpTest, nullptr), services_(std::move(services)) {
    RegisterResources();
    SetResourceModule(ZEVA_THIS_MODULE);
    Bind({{kStatus, &status_},
          {kProgress, &progress_},
          {kReport, &report_},
          {kAction, &action_},
          {kEntryPicture, &entryPicture_},
          {kEntry, &entry_},
          {kAdd, &add_},
          {kNote, &note_}});
    for (int i = 0; i < kSites; ++i) {
        Bind(static_cast<int>(kSiteLabels[i]), siteLabels_[i]);
        Bind(static_cast<int>(kSiteIcons[i]), siteIcons_[i]);
    }
    for (int i = 0; i < kCustomRows; ++i) {
        Bind(static_cast<int>(kChecks[i]), checks_[i]);
        Bind(static_cast<int>(kDeletes[i]), deletes_[i]);
        HandleClick(static_cast<int>(kDeletes[i]), [this, i] { OnDelete(i); });
    }
    for (int i = 0; i < 3; ++i) {
        Bind(static_cast<int>(kHeaders[i]), headers_[i]);
        Bind(static_cast<int>(kPictures[i]), pictures_[i]);
    }
    HandleClick(kAction, [this] { OnAction(); });
    HandleClick(kAdd, [this] { OnAdd(); });
    HandleClick(kReport, [this] { ToggleReport(); });
    HandleMessage(kMsgHttpProgress, [this](WPARAM w, LPARAM l) { return OnProgress(w, l); });
    HandleMessage(kMsgToolPicked, [](WPARAM, LPARAM) -> LRESULT { return 0; });
    SetStaticLook(RGB(53, 119, 187));
    AtDestroy([this] {
        if (state_ == State::Testing && engine_) engine_->StopTest();
        ++generation_;
        sampler_.Stop();
        if (results_) results_->Clear();
        state_ = State::Idle;
    });
}

CDlgHttpTest::~CDlgHttpTest() {
    if (m_hWnd) DestroyWindow();
    sampler_.Stop();
}

BOOL CDlgHttpTest::OnInitDialog() {
    CImageDialog::OnInitDialog();
    SetBackgroundImage(img::kHttpBackground);
    progress_.SetRange(0, 100);

    // The fixed sites; a file with fewer than six shows what it has.
    CCryptConfigFile store(AppFile(keys::kSpeedTestDat), "");
    std::vector<std::string> sites;
    store.ReadSection(keys::kSectionHttp, sites);
    for (const std::string& site : sites) {
        const std::string name = Trimmed(site);
        if (!name.empty() && fixed_.size() < kSites) fixed_.push_back(name);
    }
    for (int i = 0; i < kSites; ++i) {
        const bool used = i < static_cast<int>(fixed_.size());
        siteLabels_[i].SetWindowText(used ? fixed_[i] : "");
        siteLabels_[i].ShowWindow(used ? SW_SHOW : SW_HIDE);
        siteIcons_[i].SetImage(img::kResultAnswered);
        siteIcons_[i].ShowWindow(used ? SW_SHOW : SW_HIDE);
    }

    action_.SetNormalImage(img::kWideButton);
    action_.SetShowText(true);
    add_.SetNormalImage(img::kWideButton);
    add_.SetShowText(true);
    report_.SetNormalImage(img::kReportButton);
    report_.SetShowText(true);
    entryPicture_.SetImage(img::kEntryPicture);
    pictures_[0].SetImage(img::kSitesHeading);
    pictures_[1].SetImage(img::kCustomHeading);
    pictures_[2].SetImage(img::kResultsHeading);
    note_.SetTextColor(kLinkColour);
    for (CLinkLabel& link : deletes_) {
        link.SetUnderline(true);
        link.SetCursor(IDC_HAND);
        link.SetTextColor(kLinkColour);
    }
    entry_.SetLimitText(kMaxAddress);

    results_ = std::make_unique<CDlgResultContainer>();
    results_->Create(kTplResultList, this);
    results_->SetWindowPos(nullptr, kResultsX, kResultsY, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    results_->ShowWindow(SW_HIDE);
    LoadCustomRows();
    return 1;
}

// Neither Escape nor Return may close the page (Return in the entry field
// does nothing either).
BOOL CDlgHttpTest::PreTranslateMessage(zeva::MSG* msg) {
    if (msg->message == zeva::WM_KEYDOWN &&
        (msg->wParam == zeva::VK_ESCAPE || msg->wParam == zeva::VK_RETURN))
        return 1;
    return CImageDialog::PreTranslateMessage(msg);
}

void CDlgHttpTest::SetCopies(const std::string& account, const S_NetType& netType,
                             const std::string& version) {
    account_ = account;
    netType_ = netType;
    version_ = version;
}

void CDlgHttpTest::Message(const char* utf8Text) {
    services_.messageBox->Show(Acp(utf8Text), this);
}

void CDlgHttpTest::LoadCustomRows() {
    CCryptConfigFile store(AppFile(keys::kUserConfigDat), "");
    customList_.clear();
    store.ReadSection(keys::kSectionWebTest, customList_);
    customRows_.clear();
    for (const std::string& address : customList_) {
        if (static_cast<int>(customRows_.size()) == kCustomRows) break;
        FillRow(static_cast<int>(customRows_.size()), address);
    }
    HideCustomRows(static_cast<int>(customRows_.size()));
    Invalidate(1);
}

void CDlgHttpTest::HideCustomRows(int from) {
    for (int i = from; i < kCustomRows; ++i) {
        checks_[i].ShowWindow(SW_HIDE);
        deletes_[i].ShowWindow(SW_HIDE);
    }
}

void CDlgHttpTest::FillRow(int row, const std::string& address) {
    checks_[row].SetWindowText(address);
    checks_[row].SetCheck(1);
    checks_[row].ShowWindow(SW_SHOW);
    deletes_[row].ShowWindow(SW_SHOW);
    customRows_.emplace_back(address, true);
}

void CDlgHttpTest::OnAdd() {
    const std::string address = Trimmed(entry_.GetWindowText());
    if (address.empty()) {
        Message("请输入您要测试的网址！");
        return;
    }
    if (customList_.size() >= kCustomRows) {
        Message("自定义网址已经达到4个，如要测试此网址请先删除一个网址！");
        return;
    }
    const bool listed =
        std::find(fixed_.begin(), fixed_.end(), address) != fixed_.end() ||
        std::find(customList_.begin(), customList_.end(), address) != customList_.end();
    if (listed) {
        Message("此网址已在测试列表内，无需再次添加！");
        return;
    }
    if (!StorableAddress(address)) {
        Message("请输入正确的网址！");
        return;
    }
    customList_.push_back(address);
    FillRow(static_cast<int>(customRows_.size()), address);
    CCryptConfigFile store(AppFile(keys::kUserConfigDat), "");
    store.WriteString(keys::kSectionWebTest, address, "");
}

void CDlgHttpTest::OnDelete(int row) {
    if (row >= static_cast<int>(customRows_.size())) return;
    const std::string address = checks_[row].GetWindowText();
    CCryptConfigFile store(AppFile(keys::kUserConfigDat), "");
    store.DeleteKey(keys::kSectionWebTest, address);
    std::vector<std::string> unticked;
    for (int i = 0; i < static_cast<int>(customRows_.size()); ++i)
        if (i != row && !checks_[i].GetCheck()) unticked.push_back(checks_[i].GetWindowText());
    LoadCustomRows();
    for (int i = 0; i < static_cast<int>(customRows_.size()); ++i) {
        if (std::find(unticked.begin(), unticked.end(), customRows_[i].first) == unticked.end())
            continue;
        checks_[i].SetCheck(0);
        customRows_[i].second = false;
    }
}

void CDlgHttpTest::OnAction() {
    if (CDlgTestSpeed* landing = LandingOf(this)) landing->ResetSidePanels();
    const std::string caption = action_.GetWindowText();
    if (caption == Acp("开始测速")) {
        OnStart();
    } else if (caption == Acp("停止测速")) {
        OnStop();
    } else if (caption == Acp("重新测速")) {
        OnReset();
    }
}

void CDlgHttpTest::ShowTesting(bool testing) {
    results_->ShowWindow(testing ? SW_SHOW : SW_HIDE);
    pictures_[2].ShowWindow(testing ? SW_SHOW : SW_HIDE);
    for (CStaticText& h : headers_) h.ShowWindow(testing ? SW_SHOW : SW_HIDE);
}

void CDlgHttpTest::OnStart() {
    testList_ = fixed_;
    for (int i = 0; i < static_cast<int>(customRows_.size()); ++i)
        if (checks_[i].GetCheck()) testList_.push_back(customRows_[i].first);
    if (testList_.empty()) {
        Message("请输入您要测试的网址！");
        return;
    }
    sampler_.Stop();
    StopEvent().Reset();
    steps_ = 0;
    progress_.SetPos(0);
    measuring_ = false;
    startTick_ = 0;
    report_.ShowWindow(SW_HIDE);
    records_.clear();
    results_->Clear();
    ++generation_;
    building_ = false;
    currentIndex_ = 0;
    if (!engine_) engine_ = services_.newHttpEngine();
    const int started =
        engine_->StartTest(testList_[0], kSiteSeconds, GetSafeHwnd(), kMsgHttpProgress, false);
    HideCustomRows(0);
    ShowTesting(true);
    action_.SetWindowText(Acp("停止测速"));
    status_.SetWindowText(Acp("正在测试网速，请稍等..."));
    state_ = State::Testing;
    // A refused start leaves the test halted until the user stops it.
    if (started != 0) Message("测速失败，请稍后再试！");
}

LRESULT CDlgHttpTest::OnProgress(WPARAM ms, LPARAM percent) {
    // Messages of a stopped test, or of a site already being recorded, do not count.
    if (state_ != State::Testing || building_ || testList_.empty()) return 0;
    bool failed = false;
    if (percent == -1) {
        steps_ = static_cast<unsigned>(currentIndex_ + 1) * kStepsPerSite;
        failed = true;
        percent = 100;
    } else {
        ++steps_;
        if (!measuring_) {
            measuring_ = true;
            startTick_ = zeva::GetTickCount();
            services_.probes->GetNetworkFlux(recvBase_, sentBase_);
            sampler_.Start(services_.probes);
        }
    }
    const unsigned total = static_cast<unsigned>(testList_.size()) * kStepsPerSite;
    progress_.SetPos(static_cast<int>(std::min(steps_ * 100 / total, 100u)));
    if (percent != 100) return 0;

    const std::string url = testList_[currentIndex_];
    const bool answered = !(failed && ms == 0);
    const float seconds = static_cast<float>(ms) / 1000.0f;
    const RecordCopies copies{account_, netType_.Id, version_};
    if (!answered) {
        SiteDone(FailedRecord(url, copies), false, seconds);
        return 0;
    }
    // Look-up, page fetch and connection take seconds: gathered off the
    // window thread, each within its own time limit.
    building_ = true;
    const unsigned generation = generation_;
    auto work = [services = services_, url, ms = static_cast<unsigned>(ms), copies] {
        const UserProxy proxy = ParseUserProxy(services.proxyValues());
        if (!proxy.problem.empty())
            std::fprintf(stderr, "web-page test: %s\n", proxy.problem.c_str());
        return AnsweredRecord(url, ms, proxy, *services.resolver, *services.connector, copies);
    };
    async_.Run(std::move(work), [this, generation, seconds](const S_HttpInfo& record) {
        if (generation != generation_ || state_ != State::Testing) return;
        building_ = false;
        SiteDone(record, true, seconds);
    });
    return 0;
}

void CDlgHttpTest::SiteDone(const S_HttpInfo& record, bool answered, float seconds) {
    records_.push_back(record);
    results_->AddRow(answered, record.Url, seconds);
    NextSiteOrFinish();
}

void CDlgHttpTest::NextSiteOrFinish() {
    if (currentIndex_ + 1 >= testList_.size()) {
        Finish();
        return;
    }
    ++currentIndex_;
    engine_->StopTest();
    if (engine_->StartTest(testList_[currentIndex_], kSiteSeconds, GetSafeHwnd(), kMsgHttpProgress,
                           true) != 0)
        Message("测速失败，请稍后再试！");
}

void CDlgHttpTest::Finish() {
    StopEvent().Set();
    status_.SetWindowText(Acp("网页测速完成"));
    action_.SetWindowText(Acp("重新测速"));
    state_ = State::Finished;
    const std::uint32_t elapsedMs = measuring_ ? zeva::GetTickCount() - startTick_ : 0;
    cpuAverage_ = sampler_.CpuAverage();
    memAverage_ = sampler_.MemAverage();
    sampler_.Stop();
    entryGroup_.Show(false);

    // The records go to the service now, beside the analysis: once the test
    // has ended they reach it even when the page closes meanwhile (the
    // plug-in's unload waits for the upload, bounded by its time-out).
    const std::string address =
        ReadSetting(keys::kConfigDat, keys::kSectionServer, keys::kKeyServiceURL, "");
    auto upload = [factory = services_.newClient, address, records = records_]() mutable {
        std::unique_ptr<IServiceClient> client = factory();
        client->Initialize(address, 5);
        return client->SetHttpInfo(records);
    };
    // A lost upload changes nothing for the user.
    async_.Run(std::move(upload), [](int) {});

    const unsigned generation = generation_;
    auto work = [probes = services_.probes, scanner = services_.scanner, recvBase = recvBase_,
                 sentBase = sentBase_, elapsedMs] {
        Analysis a;
        std::vector<LanDevice> devices;
        const int scanned = scanner->Scan(devices);
        a.pcCount = LanDeviceCount(scanned, DeviceAddresses(devices), scanner->LocalIp(),
                                   probes->Adapters());
        std::uint32_t received = 0, sent = 0;
        probes->GetNetworkFlux(received, sent);
        a.downRate = RateOver(received - recvBase, elapsedMs);
        a.upRate = RateOver(sent - sentBase, elapsedMs);
        a.proxySet = probes->ProxySet();
        return a;
    };
    async_.Run(std::move(work), [this, generation](const Analysis& a) {
        if (generation != generation_ || state_ != State::Finished) return;
        ShowAnalysis(a);
    });
}

void CDlgHttpTest::ShowAnalysis(const Analysis& a) {
    pcCount_ = a.pcCount;
    downRate_ = a.downRate;
    upRate_ = a.upRate;
    proxySet_ = a.proxySet;
    report_.ShowWindow(SW_SHOW);
}

void CDlgHttpTest::OnStop() {
    action_.SetWindowText(Acp("重新测速"));
    StopEvent().Set();
    sampler_.Stop();
    if (engine_) engine_->StopTest();
    ++generation_;
    building_ = false;
    state_ = State::Stopped;
    status_.SetWindowText(Acp("测速已停止..."));
}

void CDlgHttpTest::OnReset() {
    action_.SetWindowText(Acp("开始测速"));
    ++generation_;
    state_ = State::Idle;
    LoadCustomRows();
    ShowTesting(false);
    progress_.SetPos(0);
    report_.ShowWindow(SW_HIDE);
    entryGroup_.Show(true);
    status_.SetWindowText(Acp("准备开始网页测速..."));
}

void CDlgHttpTest::ResetSidePanel() {
    report_.ShowWindow(SW_HIDE);
    reportShown_ = ShowReportPanel(this, report_, false, {});
}

void CDlgHttpTest::ToggleReport() {
    reportShown_ = ShowReportPanel(this, report_, !reportShown_,
                                   {cpuAverage_, memAverage_, pcCount_ > 1, downRate_, proxySet_});
}
