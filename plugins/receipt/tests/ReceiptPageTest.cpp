// The receipt page against fakes of every outside service, headless on the
// manual clock: opening, the speed test and its verdict, the report.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ConfigKeys.h"
#include "CryptConfigFile.h"
#include "DlgReceipt.h"
#include "FakeServices.h"
#include "HeadlessRenderer.h"
#include "ReceiptResources.h"
#include "TestSupport.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"

using namespace receipt;
using zeva::Acp;

namespace {

S_SpeedConfig Server(const std::string& id, const std::string& url) {
    S_SpeedConfig c;
    c.Id = id;
    c.Title = "server " + id;
    c.Url = url;
    return c;
}

class ReceiptPage : public ::testing::Test {
protected:
    void SetUp() override {
        CCryptConfigFile config((dir_ / zeva::cfgkeys::kConfigDat).string(), "");
        config.WriteString("Server", "ServiceURL", "http://127.0.0.1:9/kelv/BService.ws");
        config.WriteString("Update", "Version", "3.1.0.7");
        fakes_.client->account = "cz0511234567";
        fakes_.client->netType.BandRate = "8M";
        fakes_.client->netType.MaxValue = "800";
        fakes_.client->list = {Server("1", "http://10.0.0.1/a.bin"),
                               Server("2", "http://10.0.0.2/b.bin")};
        fakes_.client->workOrders = {"GD2026120701", "GD2026120702"};
        fakes_.client->upFinishAnswer = {true, Acp("回单成功")};
        fakes_.scanner->count = 3;
        fakes_.probes->diskSerial = "DISK-42";
        fakes_.probes->nics = {{"eth0", true, "52-54-00-12-34-56", false, 0, 0}};
        fakes_.client->onList = [this] { radarShownAtQuery_ = fakes_.radar->shown; };
    }
    void TearDown() override {
        page_.reset();
        driver_.Pump();
    }

    CDlgReceipt& Page() {
        if (!page_) {
            page_ = std::make_unique<CDlgReceipt>(fakes_.Make());
        }
        return *page_;
    }
    bool Open() {
        const BOOL shown = Page().CreateSubWindow(kTemplateId, nullptr);
        driver_.Pump();
        return shown != 0 && Page().GetSafeHwnd() != nullptr;
    }
    std::string Text(UINT id) { return Page().GetDlgItemText(static_cast<int>(id)); }
    bool Enabled(UINT id) {
        return Page().GetDlgItem(static_cast<int>(id))->IsWindowEnabled() != 0;
    }
    void Progress(int speed, int progress) {
        zeva::PostMessage(Page().GetSafeHwnd(), kMsgSpeedProgress, static_cast<WPARAM>(speed),
                          static_cast<LPARAM>(progress));
        driver_.Pump();
    }
    // A whole test: start at flux 0, `bytes` arrive in `elapsedMs`, then the end.
    void RunTest(unsigned long bytes, int elapsedMs, int engineAverage = 7) {
        fakes_.probes->received = 1000;
        ASSERT_TRUE(driver_.Click(Page(), kIdTest));
        fakes_.probes->received = static_cast<std::uint32_t>(1000 + bytes);
        driver_.Advance(elapsedMs);
        Progress(engineAverage, 100);
    }
    void FillForm() {
        ASSERT_TRUE(driver_.Type(Page(), kIdEngineerName, Acp("张工")));
        ASSERT_TRUE(driver_.Type(Page(), kIdEngineerPhone, "13900001111"));
        ASSERT_TRUE(driver_.Type(Page(), kIdSuggestion, Acp("线路正常\r\n已更换水晶头")));
    }

    zeva::test::TempDir dir_;
    zeva::test::ScopedEnv appDir_{"ZEVA_APP_DIR", dir_.path().string() + "/"};
    zeva::ManualClock clock_;
    zeva::ScopedClock scopedClock_{clock_};
    zeva::ui::HeadlessDriver driver_;
    zeva::test::FakeServices fakes_;
    bool radarShownAtQuery_ = false;
    std::unique_ptr<CDlgReceipt> page_;
};

TEST_F(ReceiptPage, OpensWithTheAccountItsBandwidthServersAndWorkOrders) {
    ASSERT_TRUE(Open());
    EXPECT_TRUE(Page().IsShown());
    EXPECT_EQ(fakes_.client->initialized.back().first, "http://127.0.0.1:9/kelv/BService.ws");
    EXPECT_EQ(fakes_.client->clientsMade, 2);  // the report's client and the look-ups' one
    EXPECT_EQ(fakes_.engine->proxyFlags, std::vector<bool>{true});
    EXPECT_EQ(Text(kIdAccount), "cz0511234567");
    EXPECT_EQ(fakes_.client->netTypeAccounts, std::vector<std::string>{"cz0511234567"});
    EXPECT_EQ(fakes_.client->serverLookups, 0) << "account and bandwidth come from the local cache";
    EXPECT_EQ(Page().RequiredSpeed(), 100);
    EXPECT_EQ(Page().Record().BandRate, "8M");
    EXPECT_EQ(Page().Record().Account, "cz0511234567");
    EXPECT_EQ(Page().Record().Version, "3.1.0.7");
    EXPECT_EQ(fakes_.client->listRequests, std::vector<std::string>{"cz0511234567"});
    EXPECT_EQ(Page().TestUrls(),
              (std::vector<std::string>{"http://10.0.0.1/a.bin", "http://10.0.0.2/b.bin"}));
    EXPECT_TRUE(radarShownAtQuery_);
    EXPECT_EQ(fakes_.radar->shows, 1);
    EXPECT_EQ(fakes_.radar->closes, 1);
    EXPECT_FALSE(fakes_.radar->shown);

    ASSERT_EQ(fakes_.client->workOrderQueries.size(), 1u);
    const std::string& queryId = fakes_.client->workOrderQueries[0].first;
    EXPECT_TRUE(queryId.size() == 15 || queryId.size() == 16) << queryId;
    EXPECT_EQ(queryId.find_first_not_of("0123456789"), std::string::npos) << queryId;
    EXPECT_EQ(fakes_.client->workOrderQueries[0].second, "cz0511234567");
    auto* combo = static_cast<CComboBox*>(Page().GetDlgItem(kIdWorkOrder));
    EXPECT_EQ(combo->Items(), fakes_.client->workOrders);
    EXPECT_EQ(combo->GetCurSel(), 0);
    EXPECT_EQ(Text(kIdWorkOrder), "GD2026120701");
    EXPECT_TRUE(fakes_.box->shown.empty());
}

TEST_F(ReceiptPage, TemplateTextsAndFields) {
    ASSERT_TRUE(Open());
    const auto* t = Page().Template();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->cx, 313);
    EXPECT_EQ(t->cy, 264);
    EXPECT_EQ(Page().GetWindowText(), Acp("竣工测试"));
    EXPECT_EQ(Text(kIdTitle), Acp("竣工回单"));
    EXPECT_EQ(Text(kIdSubmit), Acp("提 交"));
    EXPECT_EQ(Text(kIdTest), Acp("竣工测试"));
    EXPECT_FALSE(Page().GetDlgItem(kIdVerdictLabel)->IsVisibleFlag());
    EXPECT_TRUE(static_cast<CComboBox*>(Page().GetDlgItem(kIdWorkOrder))->IsEditable());
    EXPECT_TRUE(Page().GetDlgItem(kIdSuggestion)->GetStyle() & ES_WANTRETURN);
    EXPECT_EQ(Page().CaptionDragLimit(), 30);
}

struct AccountCase {
    const char* name;
    int dialResult;
    bool dialActive;
    int storedResult;
    const char* storedUser;
    const char* cached;
    const char* account;
    int cacheCalls;
    const char* serverKey;
};

class ReceiptAccount : public ReceiptPage, public ::testing::WithParamInterface<AccountCase> {};

TEST_P(ReceiptAccount, ComesFromTheDialUpLinkElseTheCache) {
    const AccountCase& c = GetParam();
    fakes_.probes->dialResult = c.dialResult;
    fakes_.probes->dialActive = c.dialActive;
    fakes_.probes->storedUserResult = c.storedResult;
    fakes_.probes->storedUser = c.storedUser;
    fakes_.client->account = c.cached;
    ASSERT_TRUE(Open());
    EXPECT_EQ(Text(kIdAccount), c.account);
    EXPECT_EQ(fakes_.client->accountLookups, c.cacheCalls);
    EXPECT_EQ(fakes_.client->listRequests, std::vector<std::string>{c.serverKey});
    if (std::string(c.account).empty()) {
        EXPECT_TRUE(fakes_.client->netTypeAccounts.empty());
        EXPECT_EQ(Page().RequiredSpeed(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sources, ReceiptAccount,
    ::testing::Values(
        AccountCase{"DialUp", 0, true, 0, "pppoe-user", "cached", "pppoe-user", 0, "pppoe-user"},
        AccountCase{"NoLink", 0, false, 0, "pppoe-user", "cached", "cached", 1, "cached"},
        AccountCase{"NoStoredUser", 0, true, -1, "", "cached", "cached", 1, "cached"},
        AccountCase{"EmptyStoredUser", 0, true, 0, "", "cached", "cached", 1, "cached"},
        AccountCase{"ProbeFails", -1, true, 0, "pppoe-user", "cached", "cached", 1, "cached"},
        AccountCase{"NoneAtAll", 0, false, 0, "", "", "", 1, "FTP"}),
    [](const auto& p) { return std::string(p.param.name); });

struct BandwidthCase {
    const char* name;
    const char* bandRate;
    const char* maxValue;
    int required;
};

class ReceiptBandwidth : public ReceiptPage, public ::testing::WithParamInterface<BandwidthCase> {};

TEST_P(ReceiptBandwidth, RequiredSpeedIsMaxValueOverEight) {
    fakes_.client->netType.BandRate = GetParam().bandRate;
    fakes_.client->netType.MaxValue = GetParam().maxValue;
    ASSERT_TRUE(Open());
    EXPECT_EQ(Page().RequiredSpeed(), GetParam().required);
}

INSTANTIATE_TEST_SUITE_P(Values, ReceiptBandwidth,
                         ::testing::Values(BandwidthCase{"Max1000", "8M", "1000", 125},
                                           BandwidthCase{"Max15", "8M", "15", 1},
                                           BandwidthCase{"Max7", "8M", "7", 0},
                                           BandwidthCase{"Letters", "8M", "abc", 0},
                                           BandwidthCase{"NoBandRate", "", "1000", 0}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(ReceiptPage, FailedOpeningShowsLogsAndMakesNoPageThenAsksAgain) {
    fakes_.client->listResult = -1;
    fakes_.client->error = "连接服务器失败，网络可能不畅通！";
    EXPECT_FALSE(Open());
    EXPECT_FALSE(Page().IsShown());
    EXPECT_EQ(fakes_.box->shown, std::vector<std::string>{fakes_.client->error});
    ASSERT_EQ(fakes_.log->entries.size(), 1u);
    EXPECT_EQ(fakes_.log->entries[0].module, "ZEVAClient.exe");
    EXPECT_EQ(fakes_.log->entries[0].buildTime, "Tue May 12 17:05:02 2015");
    EXPECT_EQ(fakes_.log->entries[0].file, "DlgReceipt");
    EXPECT_EQ(fakes_.log->entries[0].function, "CDlgReceipt::CreateSubWindow");
    EXPECT_EQ(fakes_.log->entries[0].line, 394);
    EXPECT_EQ(fakes_.log->entries[0].message, Acp(fakes_.client->error));
    EXPECT_EQ(fakes_.log->entries[0].category, Acp("一般问题"));
    EXPECT_TRUE(fakes_.client->workOrderQueries.empty());
    EXPECT_FALSE(fakes_.radar->shown);
    EXPECT_TRUE(Page().TestUrls().empty());

    // The next opening asks for the servers again and then opens.
    fakes_.client->listResult = 0;
    ASSERT_TRUE(Open());
    EXPECT_EQ(fakes_.client->listRequests.size(), 2u);
    EXPECT_EQ(Page().TestUrls().size(), 2u);
    EXPECT_EQ(fakes_.log->entries.size(), 1u);
}

TEST_F(ReceiptPage, ReopeningAfterASuccessfulOpeningKeepsTheServersAndRepeatsTheLookups) {
    ASSERT_TRUE(Open());
    Page().CloseDialog(1);
    EXPECT_EQ(Page().GetSafeHwnd(), nullptr);
    fakes_.client->workOrders = {"GD9"};
    fakes_.client->account = "other";
    ASSERT_TRUE(Open());
    EXPECT_EQ(fakes_.client->listRequests.size(), 1u);
    EXPECT_EQ(Page().TestUrls().size(), 2u);
    EXPECT_EQ(fakes_.client->workOrderQueries.size(), 2u);
    EXPECT_EQ(Text(kIdAccount), "other");
    EXPECT_EQ(static_cast<CComboBox*>(Page().GetDlgItem(kIdWorkOrder))->Items(),
              std::vector<std::string>{"GD9"});
    // Opened again while it is shown: the orders are listed once.
    ASSERT_TRUE(Open());
    EXPECT_EQ(static_cast<CComboBox*>(Page().GetDlgItem(kIdWorkOrder))->Items(),
              std::vector<std::string>{"GD9"});
}

TEST_F(ReceiptPage, TestRunsFifteenSecondsWithButtonsDisabledAndRefreshesTheDisplay) {
    ASSERT_TRUE(Open());
    fakes_.probes->received = 5000;
    ASSERT_TRUE(driver_.Click(Page(), kIdTest));
    ASSERT_EQ(fakes_.engine->starts.size(), 1u);
    EXPECT_EQ(fakes_.engine->starts[0], Page().TestUrls());
    EXPECT_EQ(fakes_.engine->duration, 15000ul);
    EXPECT_EQ(fakes_.engine->window, Page().GetSafeHwnd());
    EXPECT_EQ(fakes_.engine->message, 1627u);
    EXPECT_FALSE(Enabled(kIdTest));
    EXPECT_FALSE(Enabled(kIdSubmit));

    // 2 s in, 2,048,000 bytes: 1000 KB/s shown at the next refresh, not before.
    fakes_.probes->received = 5000 + 2048000;
    driver_.Advance(2000);
    Progress(900, 13);
    EXPECT_EQ(Page().CurrentSpeed(), 1000u);
    driver_.Advance(499);
    EXPECT_NE(Text(kIdSpeed), "1000");
    driver_.Advance(1);
    EXPECT_EQ(Text(kIdSpeed), "1000");
    EXPECT_FALSE(Enabled(kIdTest));
}

TEST_F(ReceiptPage, SpeedIsTakenOverTheElapsedMilliseconds) {
    ASSERT_TRUE(Open());
    // 1.5 s and 1,536,000 bytes is 1000 KB/s; whole seconds would make it 1500.
    RunTest(1536000, 1500);
    EXPECT_EQ(Text(kIdSpeed), "1000");
}

TEST_F(ReceiptPage, AProgressMessageInTheFirstSecondUsesTheEnginesValue) {
    ASSERT_TRUE(Open());
    fakes_.probes->received = 0;
    ASSERT_TRUE(driver_.Click(Page(), kIdTest));
    fakes_.probes->received = 10 * 1024 * 1024;
    driver_.Advance(400);
    Progress(42, 2);
    EXPECT_EQ(Page().CurrentSpeed(), 42u);
    driver_.Advance(100);
    EXPECT_EQ(Text(kIdSpeed), "42");
    // No traffic counted after a second: the engine's figure again.
    fakes_.probes->received = 0;
    driver_.Advance(800);
    Progress(37, 8);
    EXPECT_EQ(Page().CurrentSpeed(), 37u);
}

struct VerdictCase {
    const char* name;
    const char* maxValue;
    unsigned long bytes;
    const char* shown;
    const char* verdict;
};

class ReceiptVerdict : public ReceiptPage, public ::testing::WithParamInterface<VerdictCase> {};

TEST_P(ReceiptVerdict, JudgesStrictlyAboveFourFifthsOfTheRequiredSpeed) {
    fakes_.client->netType.MaxValue = GetParam().maxValue;
    ASSERT_TRUE(Open());
    RunTest(GetParam().bytes, 15000);
    EXPECT_EQ(Text(kIdSpeed), GetParam().shown);
    EXPECT_EQ(Text(kIdVerdict), Acp(GetParam().verdict));
    EXPECT_TRUE(Enabled(kIdTest));
    EXPECT_TRUE(Enabled(kIdSubmit));
    EXPECT_EQ(fakes_.engine->stops, 1);
    // The refresh timer ends at its next tick and keeps the final figure.
    driver_.Advance(500);
    EXPECT_EQ(Text(kIdSpeed), GetParam().shown);
    fakes_.probes->received += 99999999;
    driver_.Advance(2000);
    EXPECT_EQ(Text(kIdSpeed), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReceiptVerdict,
    ::testing::Values(VerdictCase{"Above", "800", 81ul * 1024 * 15, "81", "测速结果已达标"},
                      VerdictCase{"Exactly", "800", 80ul * 1024 * 15, "80", "测速结果未达标"},
                      VerdictCase{"NoRequirement", "0", 80ul * 1024 * 15, "80",
                                  "测速完成，请提交"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(ReceiptPage, NoBandwidthAnsweredFinishesWithPleaseSubmit) {
    fakes_.client->netType.BandRate.clear();
    ASSERT_TRUE(Open());
    RunTest(200ul * 1024 * 15, 15000);
    EXPECT_EQ(Text(kIdVerdict), Acp("测速完成，请提交"));
}

TEST_F(ReceiptPage, RefusedStartAndUnreachableServersSayWhy) {
    ASSERT_TRUE(Open());
    fakes_.engine->startResult = 1;
    ASSERT_TRUE(driver_.Click(Page(), kIdTest));
    EXPECT_EQ(fakes_.box->shown,
              std::vector<std::string>{"对不起，该测试点正在维护，请稍候重试！"});
    EXPECT_TRUE(Enabled(kIdTest));
    EXPECT_TRUE(Enabled(kIdSubmit));
    driver_.Advance(2000);
    EXPECT_EQ(Text(kIdSpeed), "");

    fakes_.engine->startResult = 0;
    ASSERT_TRUE(driver_.Click(Page(), kIdTest));
    driver_.Advance(1200);
    Progress(0, -1);
    EXPECT_EQ(fakes_.box->shown.back(),
              "对不起，测速点无法连接不能测速，请检测网络是否通畅或稍候重试！");
    EXPECT_TRUE(Enabled(kIdTest));
    EXPECT_TRUE(Enabled(kIdSubmit));
    driver_.Advance(2000);
    EXPECT_EQ(Text(kIdSpeed), "");
}

TEST_F(ReceiptPage, ClosingStopsTheEngineAndLateProgressIsIgnored) {
    ASSERT_TRUE(Open());
    ASSERT_TRUE(driver_.Click(Page(), kIdTest));
    const HWND old = Page().GetSafeHwnd();
    ASSERT_TRUE(driver_.Click(Page(), kIdClose));
    EXPECT_EQ(Page().GetSafeHwnd(), nullptr);
    EXPECT_GE(fakes_.engine->stops, 1);
    EXPECT_EQ(Page().LastCloseResult(), 1);
    const int progressBefore = Page().Progress();
    zeva::PostMessage(old, kMsgSpeedProgress, 500, 100);
    driver_.Pump();
    driver_.Advance(1000);
    EXPECT_EQ(Page().Progress(), progressBefore);
    EXPECT_TRUE(fakes_.box->shown.empty());

    // Unloading the library with a test running stops the engine too.
    ASSERT_TRUE(Open());
    ASSERT_TRUE(driver_.Click(Page(), kIdTest));
    const int stops = fakes_.engine->stops;
    page_.reset();
    EXPECT_GT(fakes_.engine->stops, stops);
}

struct SubmitCheck {
    const char* name;
    bool tested;
    const char* account;
    const char* workOrder;
    const char* engineer;
    const char* phone;
    const char* message;
    UINT focus;  // 0: none
};

class ReceiptSubmitCheck : public ReceiptPage, public ::testing::WithParamInterface<SubmitCheck> {};

TEST_P(ReceiptSubmitCheck, StopsAtTheFirstEmptyFieldWithItsMessageAndFocus) {
    const SubmitCheck& c = GetParam();
    ASSERT_TRUE(Open());
    if (c.tested) RunTest(100ul * 1024 * 15, 15000);
    ASSERT_TRUE(driver_.Type(Page(), kIdAccount, c.account));
    ASSERT_TRUE(driver_.Type(Page(), kIdWorkOrder, c.workOrder));
    ASSERT_TRUE(driver_.Type(Page(), kIdEngineerName, c.engineer));
    ASSERT_TRUE(driver_.Type(Page(), kIdEngineerPhone, c.phone));
    CWnd* before = CWnd::GetFocus();
    ASSERT_TRUE(driver_.Click(Page(), kIdSubmit));
    EXPECT_EQ(fakes_.box->shown, std::vector<std::string>{c.message});
    if (c.focus) {
        ASSERT_NE(CWnd::GetFocus(), nullptr);
        EXPECT_EQ(CWnd::GetFocus()->GetDlgCtrlID(), c.focus);
    } else {
        EXPECT_EQ(CWnd::GetFocus(), before);
    }
    EXPECT_TRUE(fakes_.client->workOrderReports.empty());
    EXPECT_NE(Page().GetSafeHwnd(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, ReceiptSubmitCheck,
    ::testing::Values(
        SubmitCheck{"NotTested", false, "a", "w", "n", "p", "请先进行测试！", 0},
        SubmitCheck{"NoAccount", true, "", "w", "n", "p", "请填写用户宽带账号！", kIdAccount},
        SubmitCheck{"NoWorkOrder", true, "a", "", "n", "p", "请填写订单编码！", kIdWorkOrder},
        SubmitCheck{"NoEngineer", true, "a", "w", "", "p", "请填写装维服务工程师姓名！",
                    kIdEngineerName},
        SubmitCheck{"NoPhone", true, "a", "w", "n", "", "请填装维服务工程师电话！",
                    kIdEngineerPhone},
        SubmitCheck{"AllEmpty", false, "", "", "", "", "请先进行测试！", 0}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(ReceiptPage, NoWorkOrdersLeavesTheBoxEmptyUntilOneIsTyped) {
    fakes_.client->workOrders.clear();
    ASSERT_TRUE(Open());
    auto* combo = static_cast<CComboBox*>(Page().GetDlgItem(kIdWorkOrder));
    EXPECT_EQ(combo->GetCount(), 0);
    EXPECT_EQ(Text(kIdWorkOrder), "");
    RunTest(100ul * 1024 * 15, 15000);
    FillForm();
    ASSERT_TRUE(driver_.Click(Page(), kIdSubmit));
    EXPECT_EQ(fakes_.box->shown, std::vector<std::string>{"请填写订单编码！"});
    ASSERT_TRUE(driver_.Type(Page(), kIdWorkOrder, "GD-TYPED-1"));
    ASSERT_TRUE(driver_.Click(Page(), kIdSubmit));
    ASSERT_EQ(fakes_.client->workOrderReports.size(), 1u);
    EXPECT_EQ(fakes_.client->workOrderReports[0][0], "GD-TYPED-1");
}

TEST_F(ReceiptPage, ReportCarriesTheTwentyOneValuesInOrder) {
    fakes_.probes->dialActive = true;
    fakes_.probes->storedUserResult = 0;
    fakes_.probes->storedUser = "cz0511234567";
    ASSERT_TRUE(Open());
    RunTest(123ul * 1024 * 15, 15000);
    ASSERT_TRUE(driver_.Pick(Page(), kIdWorkOrder, 1));
    FillForm();
    ASSERT_TRUE(driver_.Click(Page(), kIdSubmit));
    ASSERT_EQ(fakes_.client->workOrderReports.size(), 1u);
    const std::vector<std::string> expected = {
        "GD2026120702",
        "123" + Acp(" K字节/秒"),
        Acp("电脑拨号"),
        Acp("有线"),
        "Test CPU x 4",
        "7.7GB",
        Acp("无"),
        "-",
        Acp("线路正常\r\n已更换水晶头"),
        "",
        "",
        "123",
        "321",
        Acp("线路正常\r\n已更换水晶头"),
        Acp("张工"),
        "13900001111",
        "cz0511234567",
        "BFEBFBFF000906EA",
        "52-54-00-12-34-56",
        "3",
        "3.1.0.7",
    };
    EXPECT_EQ(fakes_.client->workOrderReports[0], expected);
    EXPECT_EQ(Page().Record().HardwareInfo2, "DISK-42");
    EXPECT_EQ(fakes_.box->shown, std::vector<std::string>{"回单成功"});
    EXPECT_EQ(Page().GetSafeHwnd(), nullptr);
    EXPECT_EQ(Page().LastCloseResult(), 1);
}

struct AdapterCase {
    const char* name;
    std::vector<zeva::test::FakeMachine::Nic> adapters;
    const char* connect;
    const char* intensity;
    const char* mac;
};

class ReceiptAdapters : public ReceiptPage, public ::testing::WithParamInterface<AdapterCase> {};

TEST_P(ReceiptAdapters, LinkKindSignalAndMacFollowTheEnabledAdapters) {
    fakes_.probes->nics = GetParam().adapters;
    ASSERT_TRUE(Open());
    RunTest(100ul * 1024 * 15, 15000);
    FillForm();
    ASSERT_TRUE(driver_.Click(Page(), kIdSubmit));
    ASSERT_EQ(fakes_.client->workOrderReports.size(), 1u);
    EXPECT_EQ(fakes_.client->workOrderReports[0][2], Acp("设备拨号"));
    EXPECT_EQ(fakes_.client->workOrderReports[0][3], Acp(GetParam().connect));
    EXPECT_EQ(fakes_.client->workOrderReports[0][6], Acp(GetParam().intensity));
    EXPECT_EQ(fakes_.client->workOrderReports[0][18], GetParam().mac);
}

using A = zeva::test::FakeMachine::Nic;
INSTANTIATE_TEST_SUITE_P(
    Cases, ReceiptAdapters,
    ::testing::Values(AdapterCase{"SecondWirelessLevel4",
                                  {A{"eth0", true, "52-54-00-00-00-01", false, 0, 0},
                                   A{"wlan0", true, "52-54-00-00-00-02", true, 0, 4}},
                                  "无线",
                                  "较强",
                                  "52-54-00-00-00-02"},
                      AdapterCase{"ZeroMacNeverReplaces",
                                  {A{"eth0", true, "52-54-00-00-00-01", false, 0, 0},
                                   A{"ppp0", true, "00-00-00-00-00-00", false, 0, 0},
                                   A{"tun0", true, "", false, 0, 0}},
                                  "有线",
                                  "无",
                                  "52-54-00-00-00-01"},
                      AdapterCase{"DisabledSkipped",
                                  {A{"eth0", true, "52-54-00-00-00-01", false, 0, 0},
                                   A{"wlan0", false, "52-54-00-00-00-02", true, 0, 5}},
                                  "有线",
                                  "无",
                                  "52-54-00-00-00-01"},
                      AdapterCase{"NoSignalStaysWired",
                                  {A{"wlan0", true, "52-54-00-00-00-02", true, -1, 3}},
                                  "有线",
                                  "无",
                                  "52-54-00-00-00-02"},
                      AdapterCase{"OddLevelKeepsTheWord",
                                  {A{"wlan0", true, "52-54-00-00-00-02", true, 0, 1},
                                   A{"wlan1", true, "52-54-00-00-00-03", true, 0, 9}},
                                  "无线",
                                  "差",
                                  "52-54-00-00-00-03"},
                      AdapterCase{"None", {}, "有线", "无", ""}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(ReceiptPage, ARefusedOrFailedReportKeepsThePageAndEveryEntry) {
    ASSERT_TRUE(Open());
    RunTest(100ul * 1024 * 15, 15000);
    ASSERT_TRUE(driver_.Type(Page(), kIdWorkOrder, "GD-7"));
    FillForm();

    fakes_.client->upFinishAnswer = {false, Acp("订单不存在")};
    ASSERT_TRUE(driver_.Click(Page(), kIdSubmit));
    EXPECT_EQ(fakes_.box->shown, std::vector<std::string>{"订单不存在"});
    ASSERT_NE(Page().GetSafeHwnd(), nullptr);
    EXPECT_EQ(Page().LastCloseResult(), -1);

    fakes_.client->upFinishResult = -1;
    fakes_.client->upFinishAnswer = {};
    ASSERT_TRUE(driver_.Click(Page(), kIdSubmit));
    EXPECT_EQ(fakes_.box->shown.back(), "");
    ASSERT_NE(Page().GetSafeHwnd(), nullptr);
    for (auto [id, text] : std::vector<std::pair<UINT, std::string>>{
             {kIdSpeed, "100"},
             {kIdWorkOrder, "GD-7"},
             {kIdAccount, "cz0511234567"},
             {kIdEngineerName, Acp("张工")},
             {kIdEngineerPhone, "13900001111"},
             {kIdSuggestion, Acp("线路正常\r\n已更换水晶头")}})
        EXPECT_EQ(Text(id), text) << id;

    // Accepted at the third try: the same report, then the page closes.
    fakes_.client->upFinishResult = 0;
    fakes_.client->upFinishAnswer = {true, Acp("回单成功")};
    ASSERT_TRUE(driver_.Click(Page(), kIdSubmit));
    ASSERT_EQ(fakes_.client->workOrderReports.size(), 3u);
    EXPECT_EQ(fakes_.client->workOrderReports[0], fakes_.client->workOrderReports[2]);
    EXPECT_EQ(Page().GetSafeHwnd(), nullptr);
}

}  // namespace
