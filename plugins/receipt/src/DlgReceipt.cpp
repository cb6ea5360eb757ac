#include "DlgReceipt.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "ConfigKeys.h"
#include "CryptConfigFile.h"
#include "DirectoryEx.h"
#include "PageSkin.h"
#include "ReceiptResources.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"

using namespace zeva;
using namespace receipt;

namespace {

constexpr COLORREF kTitleColour = 0xFDF6E7;
constexpr COLORREF kButtonText = 0x333333;
constexpr COLORREF kButtonTextActive = 0xFFFFFF;
constexpr COLORREF kSpeedColour = 0x0066FF;
constexpr COLORREF kLabelColour = 0x393939;
constexpr COLORREF kVerdictColour = 0x9C5E18;
constexpr COLORREF kSuggestionColour = 0x7F4C13;
constexpr int kDragHeight = 30;
constexpr unsigned kServiceTimeoutS = 7;
constexpr char kNoMac[] = "00-00-00-00-00-00";

// What the opening failure's log record says about where it came from.
constexpr char kLogModule[] = "ZEVAClient.exe";
constexpr char kLogBuildTime[] = "Tue May 12 17:05:02 2015";
constexpr char kLogSourceFile[] = "DlgReceipt";
constexpr char kLogFunction[] = "CDlgReceipt::CreateSubWindow";
constexpr int kLogLine = 394;

std::string ReadConfigString(const char* file, const char* section, const char* key) {
    std::string dir, value;
    CDirectoryEx::GetApplicationPath(dir);
    CCryptConfigFile(dir + file, "").ReadString(section, key, "", value);
    return value;
}

int ReadConfigInteger(const char* file, const char* section, const char* key, int def) {
    std::string dir;
    CDirectoryEx::GetApplicationPath(dir);
    return CCryptConfigFile(dir + file, "").ReadInteger(section, key, def);
}

// Local time to the second and two random digits at most, so two queries
// of one technician in the same second still differ.
std::string MakeQueryId() {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char stamp[32] = {};
    std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", &local);
    return std::string(stamp) + std::to_string(std::rand() % 100);
}

std::string SignalWord(int level, const std::string& previous) {
    switch (level) {
        case 1:
            return Acp("差");
        case 2:
            return Acp("较差");
        case 3:
            return Acp("中等");
        case 4:
            return Acp("较强");
        case 5:
            return Acp("非常强");
        default:
            return previous;
    }
}

}  // namespace

CDlgReceipt::CDlgReceipt() : CDlgReceipt(plug::PageServices::Real()) {}

CDlgReceipt::CDlgReceipt(plug::PageServices services)
    : CDlgSubPage(kTemplateId, nullptr), services_(std::move(services)) {
    RegisterResources();
    speedTester_ = services_.newDownloadEngine();
    radar_ = services_.newRadar();
    serviceUrl_ =
        ReadConfigString(cfgkeys::kConfigDat, cfgkeys::kSectionServer, cfgkeys::kKeyServiceURL);
    record_.Version =
        ReadConfigString(cfgkeys::kConfigDat, cfgkeys::kSectionUpdate, cfgkeys::kKeyVersion);
    useProxy_ = ReadConfigInteger(cfgkeys::kUserConfigDat, cfgkeys::kSectionServer,
                                  cfgkeys::kKeyUseProxy, cfgkeys::kDefaultUseProxy);
    client_ = NewClient();
    speedTester_->EnableProxy(useProxy_ != 0);

    Bind({{kIdTest, &testButton_},
          {kIdSubmit, &submitButton_},
          {kIdClose, &closeButton_},
          {kIdTitle, &title_},
          {kIdPicture, &picture_},
          {kIdSpeed, &speedDisplay_},
          {kIdSuggestionLabel, &suggestionLabel_},
          {kIdSpeedLabel, &speedLabel_},
          {kIdUnitLabel, &unitLabel_},
          {kIdEngineerNameLabel, &engineerNameLabel_},
          {kIdEngineerPhoneLabel, &engineerPhoneLabel_},
          {kIdVerdict, &resultLabel_},
          {kIdAccount, &account_},
          {kIdWorkOrder, &workOrders_},
          {kIdEngineerName, &engineerName_},
          {kIdEngineerPhone, &engineerPhone_},
          {kIdSuggestion, &suggestion_}});
    HandleClick(kIdTest, [this] { StartSpeedTest(); });
    HandleClick(kIdSubmit, [this] { Submit(); });
    HandleClick(kIdClose, [this] { CloseDialog(1); });
    HandleMessage(kMsgSpeedProgress, [this](WPARAM w, LPARAM l) { return OnSpeedProgress(w, l); });
    SetCaptionDrag(kDragHeight);
    SetStaticLook(plug::skin::kTextDark);
}

CDlgReceipt::~CDlgReceipt() {
    // The library is going: no engine thread may outlive it, and the window
    // goes while the members it refers to still exist.
    speedTester_->StopTest();
    if (m_hWnd) DestroyWindow();
}

std::unique_ptr<plug::IServiceClient> CDlgReceipt::NewClient() const {
    std::unique_ptr<plug::IServiceClient> made = services_.newClient();
    made->Initialize(serviceUrl_, kServiceTimeoutS);
    return made;
}

BOOL CDlgReceipt::CreateSubWindow(UINT templateId, CWnd* parent) {
    std::unique_ptr<plug::IServiceClient> lookup = NewClient();
    radar_->Show();

    std::string account;
    bool active = false;
    std::string entry;
    int last = services_.dialUp->GetActiveDialUp(active, entry);
    if (last == 0 && active) last = services_.dialUp->GetStoredUserName(account);
    if (account.empty() || last != 0) lookup->GetCurrentAccount(account, false);

    if (!account.empty()) {
        record_.Account = account;
        S_NetType netType;
        lookup->GetAccountNetType(account, netType, false);
        if (!netType.BandRate.empty()) {
            record_.BandRate = netType.BandRate;
            requiredSpeed_ = std::atoi(netType.MaxValue.c_str()) / 8;
        }
    }

    int result = 0;
    if (testUrls_.empty()) {
        const std::string key = account.empty() ? std::string("FTP") : account;
        speedConfigs_.clear();
        result = lookup->GetSpeedConfigList(key, speedConfigs_);
        // Only a list that arrived is kept, so a failed opening asks again.
        if (result == 0)
            for (const S_SpeedConfig& config : speedConfigs_) testUrls_.push_back(config.Url);
    }
    radar_->Close();

    if (result != 0) {
        const std::string text = lookup->GetLastErrorInfo();
        ShowMessage(text);
        services_.eventLog->Write(kLogModule, kLogBuildTime, kLogSourceFile, kLogFunction, kLogLine,
                                  text, Acp("一般问题"));
        return 0;
    }

    if (!m_hWnd && !Create(templateId, parent)) return 0;
    ShowWindow(SW_SHOW);
    m_bShown = true;

    const std::string queryId = MakeQueryId();
    account_.SetWindowText(account);
    std::vector<std::string> workOrders;
    lookup->GetUserNameAndWorkListNum(queryId, account, workOrders);
    // A page opened again while it is shown lists the orders once, not twice.
    workOrders_.ResetContent();
    for (const std::string& order : workOrders)
        workOrders_.SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(order.c_str()));
    workOrders_.SendMessage(CB_SETCURSEL, 0, 0);
    return 1;
}

BOOL CDlgReceipt::OnInitDialog() {
    CDlgSubPage::OnInitDialog();
    SetWindowText(Acp("竣工测试"));
    SetBackgroundImage(kImageBackground, 2);
    CenterWindow();

    title_.SetTextColor(kTitleColour);
    title_.SetFontBold(true);
    picture_.SetImage(kImagePicture);
    for (CImageButtonX* button : {&testButton_, &submitButton_}) {
        plug::skin::StyleTextButton(*button);
        button->SetTextColor(ui::kStateNormal, kButtonText);
        button->SetTextColor(ui::kStateHover, kButtonTextActive);
        button->SetTextColor(ui::kStatePressed, kButtonTextActive);
        button->SetShowText(true);
    }
    plug::skin::StyleCloseButton(closeButton_);

    speedDisplay_.SetTextColor(kSpeedColour);
    speedDisplay_.SetFontName(Acp("楷体"));
    speedDisplay_.SetFontSize(25);
    speedDisplay_.SetTextAligns(DT_CENTER | DT_VCENTER);
    speedDisplay_.SetFontBold(true);
    speedLabel_.SetFontSize(14);
    speedLabel_.SetTextColor(kLabelColour);
    unitLabel_.SetFontSize(12);
    unitLabel_.SetTextColor(kLabelColour);
    resultLabel_.SetTextColor(kVerdictColour);
    resultLabel_.SetFontName(Acp("楷体"));
    resultLabel_.SetFontSize(15);
    resultLabel_.SetFontBold(true);
    suggestionLabel_.SetTextColor(kSuggestionColour);
    suggestionLabel_.SetFontSize(12);
    closing_ = false;
    return 1;
}

BOOL CDlgReceipt::DestroyWindow() {
    closing_ = true;
    // A test still running would keep posting to a window that is gone.
    speedTester_->StopTest();
    speedConfigs_.clear();
    return CDlgSubPage::DestroyWindow();
}

void CDlgReceipt::CloseDialog(int result) {
    speedTester_->StopTest();
    CDlgSubPage::CloseDialog(result);
}

void CDlgReceipt::ShowMessage(const std::string& text) {
    services_.messageBox->Show(text, this);
}

void CDlgReceipt::EnableButtons(bool enable) {
    testButton_.EnableWindow(enable ? 1 : 0);
    submitButton_.EnableWindow(enable ? 1 : 0);
}

void CDlgReceipt::StartSpeedTest() {
    speedDisplay_.SetWindowText("");
    resultLabel_.SetWindowText("");
    progress_ = -1;
    reportedSpeed_ = 0;
    if (speedTester_->StartTest(testUrls_, kTestDurationMs, m_hWnd, kMsgSpeedProgress) != 0) {
        ShowMessage(Acp("对不起，该测试点正在维护，请稍候重试！"));
        return;
    }
    EnableButtons(false);
    services_.probes->GetNetworkFlux(fluxAtStart_[0], fluxAtStart_[1]);
    tickAtStart_ = GetTickCount();
    SetTimer(kRefreshTimer, kRefreshMs);
}

LRESULT CDlgReceipt::OnSpeedProgress(WPARAM wParam, LPARAM lParam) {
    if (closing_) return 0;
    reportedSpeed_ = static_cast<int>(wParam);
    progress_ = static_cast<int>(lParam);

    std::uint32_t received = 0, discarded = 0;
    services_.probes->GetNetworkFlux(received, discarded);
    const std::uint32_t elapsedMs = GetTickCount() - tickAtStart_;
    const std::uint32_t bytes = static_cast<std::uint32_t>(received) - fluxAtStart_[0];
    // The rate over the milliseconds that passed; in the first second the
    // counters say too little, so the engine's own figure stands.
    std::uint32_t rate = 0;
    if (elapsedMs >= 1000)
        rate = static_cast<std::uint32_t>(static_cast<double>(bytes) * 1000.0 /
                                          (static_cast<double>(elapsedMs) * 1024.0));
    currentSpeed_ =
        rate != 0 ? rate : static_cast<std::uint32_t>(reportedSpeed_ > 0 ? reportedSpeed_ : 0);

    if (progress_ == -1) {
        EnableButtons(true);
        KillTimer(kRefreshTimer);
        ShowMessage(Acp("对不起，测速点无法连接不能测速，请检测网络是否通畅或稍候重试！"));
        return 0;
    }
    if (progress_ == 100) {
        speedDisplay_.SetWindowText(std::to_string(currentSpeed_));
        std::string verdict;
        if (requiredSpeed_ <= 0) {
            verdict = Acp("测速完成，请提交");
        } else if (static_cast<double>(currentSpeed_) > 0.8 * requiredSpeed_) {
            verdict = Acp("测速结果已达标");
        } else {
            verdict = Acp("测速结果未达标");
        }
        resultLabel_.SetWindowText(verdict);
        EnableButtons(true);
        speedTester_->StopTest();
    }
    return 0;
}

void CDlgReceipt::OnTimer(UINT_PTR) {
    if (progress_ != -1) speedDisplay_.SetWindowText(std::to_string(currentSpeed_));
    if (progress_ == 100) KillTimer(kRefreshTimer);
}

void CDlgReceipt::Submit() {
    const std::string speed = speedDisplay_.GetWindowText();
    const std::string workOrder = workOrders_.GetWindowText();
    const std::string suggestion = suggestion_.GetWindowText();
    const std::string engineerName = engineerName_.GetWindowText();
    const std::string engineerPhone = engineerPhone_.GetWindowText();
    const std::string account = account_.GetWindowText();

    struct Check {
        const std::string& value;
        const char* message;
        CWnd* focus;
    };
    const Check checks[] = {
        {speed, "请先进行测试！", nullptr},
        {account, "请填写用户宽带账号！", &account_},
        {workOrder, "请填写订单编码！", &workOrders_},
        {engineerName, "请填写装维服务工程师姓名！", &engineerName_},
        {engineerPhone, "请填装维服务工程师电话！", &engineerPhone_},
    };
    for (const Check& check : checks) {
        if (!check.value.empty()) continue;
        ShowMessage(Acp(check.message));
        if (check.focus && check.focus->GetSafeHwnd()) check.focus->SetFocus();
        return;
    }

    record_.WorkListNum = workOrder;
    record_.Remarks = suggestion;
    record_.Speed = speed + Acp(" K字节/秒");
    CollectMachineFacts();
    CollectAdapterFacts();
    std::vector<plug::LanDevice> devices;
    const std::string deviceCount = std::to_string(services_.scanner->Scan(devices));

    S_UPFINISHOUT answer;
    const int rc = client_->UpFinish({record_.WorkListNum,
                                      record_.Speed,
                                      record_.DialType,
                                      record_.ConnectType,
                                      record_.CpuType,
                                      record_.MemoryTotalSize,
                                      record_.WirelessIntensity,
                                      "-",
                                      record_.Remarks,
                                      "",
                                      "",
                                      "123",
                                      "321",
                                      record_.Remarks,
                                      engineerName,
                                      engineerPhone,
                                      account,
                                      record_.ClientId,
                                      record_.Mac,
                                      deviceCount,
                                      record_.Version},
                                     answer);
    ShowMessage(answer.ResultDesc);
    // Only a report the back office took closes the page; otherwise every
    // entry stays for another try.
    if (rc == 0 && answer.Result && m_hWnd) CloseDialog(1);
}

void CDlgReceipt::CollectMachineFacts() {
    record_.CpuType = services_.probes->ProcessorText();
    record_.MemoryTotalSize = services_.probes->MemoryText();
    services_.probes->HardwareInfo(record_.ClientId, record_.HardwareInfo2);
    bool active = false;
    std::string entry;
    const int found = services_.dialUp->GetActiveDialUp(active, entry);
    record_.DialType = (found == 0 && active) ? Acp("电脑拨号") : Acp("设备拨号");
}

void CDlgReceipt::CollectAdapterFacts() {
    record_.ConnectType = Acp("有线");
    record_.WirelessIntensity = Acp("无");
    std::vector<tag_ADAPTER> adapters;
    std::string error;
    services_.nics->RetrieveAdapterIdList(adapters, error);
    for (const tag_ADAPTER& adapter : adapters) {
        COMMON_eNicState state = NIC_STATE_UNKNOWN;
        if (services_.nics->IsEnabled(adapter.Id, state) != 0 || state != NIC_STATE_ENABLED)
            continue;
        _ADAPTER_INFO info;
        services_.nics->RetrieveIPv4Data(adapter.Id, info);
        if (!info.MacAddress.empty() && info.MacAddress != kNoMac) record_.Mac = info.MacAddress;
        bool wireless = false;
        int level = 0;
        if (services_.nics->IsWirelessAdapter(adapter.Id, wireless) == 0 && wireless &&
            services_.nics->GetSignalStrenghLevel(adapter.Id, level) == 0) {
            record_.ConnectType = Acp("无线");
            record_.WirelessIntensity = SignalWord(level, record_.WirelessIntensity);
        }
    }
}
