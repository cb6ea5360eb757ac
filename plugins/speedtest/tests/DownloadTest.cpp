// The download test page on the manual clock: address list, engine cases,
// live texts, watchdog, sampler, end-of-test analysis, the report sent to
// the service, the states and the report panel.

#include <regex>

#include "Fixture.h"
#include "MD5.h"
#include "platform/Event.h"

using namespace speedtest;
using namespace speedtest::test;
using namespace speedtest::download_ids;
using zeva::Acp;

namespace {

S_SpeedConfig Server(const std::string& title, const std::string& url) {
    S_SpeedConfig s;
    s.Title = Acp(title);
    s.Url = url;
    return s;
}

class DownloadFlow : public SpeedTestFixture {
protected:
    DownloadFlow() {
        WriteSetting("Config.dat", "Server", "ServiceURL", "http://127.0.0.1:9/kelv/BService.ws");
        WriteSetting("Config.dat", "Update", "Version", "1.0.0");
        fakes_.client->account = "0571a88001234";
        fakes_.client->netType = NetType("8", "100M", "102400");
        fakes_.client->city = "杭州";
        fakes_.client->list = {Server("杭州电信测速点", "http://127.0.0.1:18080/speed/hz/100M.bin"),
                               Server("省中心测速点", "http://127.0.0.1:18080/speed/zj/100M.bin")};
    }

    bool Start() { return driver_.Click(Download(), kStart); }

    // A whole test at `kbPerSecond` on the machine's counters while the
    // engine reports `engineRate`; ends with the engine's 100.
    void RunTest(unsigned kbPerSecond, unsigned engineRate, int ms = 15000,
                 unsigned sentKbPerSecond = 0) {
        const std::uint32_t base = fakes_.probes->received;
        const std::uint32_t sentBase = fakes_.probes->sent;
        Progress(engineRate, 0);
        for (int t = 0; t < ms;) {
            const int step = std::min(500, ms - t);
            t += step;
            fakes_.probes->received =
                base + static_cast<std::uint32_t>(std::uint64_t(kbPerSecond) * 1024 * t / 1000);
            fakes_.probes->sent = sentBase + static_cast<std::uint32_t>(
                                                 std::uint64_t(sentKbPerSecond) * 1024 * t / 1000);
            driver_.Advance(step);
            if (t < ms) Progress(engineRate, t * 100 / ms);
        }
        Progress(engineRate, 100);
        driver_.Pump();
        driver_.Advance(100);
    }

    void ExpectShown(std::initializer_list<UINT> shown, std::initializer_list<UINT> hidden) {
        for (UINT id : shown) EXPECT_TRUE(Visible(D(id))) << "shown: " << id;
        for (UINT id : hidden) EXPECT_FALSE(Visible(D(id))) << "hidden: " << id;
    }
};

const std::initializer_list<UINT> kLive = {kLiveRateCaption, kLiveRate, kLivePercentCaption,
                                           kLivePercent};
const std::initializer_list<UINT> kResults = {
    kContractedPicture, kAveragePicture, kRatingPicture, kContractedCaption,
    kAverageCaption,    kRatingCaption,  kContracted,    kAverage,
    kLineRate,          kRating,         kAdvicePicture, kAdvice};

}  // namespace

TEST_F(DownloadFlow, IdleRunningAndFinishedStatesShowTheirControls) {
    OpenDownload();
    EXPECT_EQ(Download().GetState(), CDlgDownload::State::Idle);
    EXPECT_EQ(Utf8(D(kStatus)), "准备开始下载测速...");
    ExpectShown({kStart, kStatusPictureId, kHintBefore, kHintPicture},
                {kStop, kHintDuring, kReport});
    ExpectShown({}, kLive);
    ExpectShown({}, kResults);
    const CRect idleBar = D(kProgress)->Rect();

    ASSERT_TRUE(Start());
    ASSERT_EQ(Download().GetState(), CDlgDownload::State::Running);
    EXPECT_EQ(Utf8(D(kStatus)), "正在测试网速，请稍后...");
    ExpectShown({kStop, kHintDuring, kHintPicture},
                {kStart, kStatusPictureId, kHintBefore, kReport});
    ExpectShown(kLive, {});
    EXPECT_EQ(Utf8(D(kStop)), "停止测速");
    EXPECT_EQ(D(kProgress)->Rect().left, idleBar.left - 100);
    EXPECT_EQ(fakes_.engine->duration, 15000u);
    EXPECT_EQ(fakes_.engine->message, 1627u);
    EXPECT_EQ(fakes_.engine->window, Download().GetSafeHwnd());
    EXPECT_EQ(fakes_.engine->proxyFlags, std::vector<bool>{true});

    RunTest(1024, 1000);
    ASSERT_EQ(Download().GetState(), CDlgDownload::State::Finished);
    EXPECT_EQ(Utf8(D(kStatus)), "下载测速完成!");
    ExpectShown(kResults, kLive);
    ExpectShown({kStop, kStatusPictureId, kReport}, {kStart, kHintDuring, kHintPicture});
    EXPECT_EQ(Utf8(D(kStop)), "重新测速");
    EXPECT_EQ(D(kProgress)->Rect().left, idleBar.left);
    EXPECT_EQ(Utf8(D(kContracted)), "100M");
    EXPECT_EQ(Utf8(D(kAverage)), "1.0MB/秒") << "exactly 1024 KB/s";
    EXPECT_EQ(Utf8(D(kLineRate)), "约为8.0M宽带");
    EXPECT_EQ(Utf8(D(kRating)), "偏慢") << "8 Mbit/s of 100";
    EXPECT_EQ(static_cast<CPNGPicture*>(D(kStatusPictureId))->Image().resourceId, 14032u);

    // Test again: back to idle with the questions beside the page.
    ASSERT_TRUE(driver_.Click(Download(), kStop));
    EXPECT_EQ(Download().GetState(), CDlgDownload::State::Idle);
    ExpectShown({kStart, kStatusPictureId, kHintBefore}, {kStop, kReport});
    ExpectShown({}, kResults);
    EXPECT_TRUE(Visible(Landing()->QuestionsPanel()));
    EXPECT_TRUE(fakes_.box->shown.empty()) << fakes_.box->shown.front();
}

TEST_F(DownloadFlow, TheSeventeenElementsOfAScriptedTest) {
    fakes_.probes->sent = 5000;
    OpenDownload();
    ASSERT_TRUE(Start());
    // 15 s in which the machine received 1,024 KB/s and sent 10 KB/s; the
    // engine counted 900 KB/s, so about 56 KB/s were someone else's.
    RunTest(1024, 900, 15000, 10);
    ASSERT_EQ(Download().GetState(), CDlgDownload::State::Finished);
    ASSERT_EQ(fakes_.client->reports.size(), 1u);
    const std::vector<std::string>& r = fakes_.client->reports[0];
    ASSERT_EQ(r.size(), 17u);
    const std::regex stamp(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)");
    EXPECT_EQ(r[0], "8");
    EXPECT_EQ(r[1], "1024");
    EXPECT_EQ(zeva::AcpToUtf8(r[2]), "设备拨号");
    EXPECT_TRUE(std::regex_match(r[3], stamp)) << r[3];
    EXPECT_TRUE(std::regex_match(r[4], stamp)) << r[4];
    EXPECT_EQ(r[5], "13500") << "900 KB/s over 15 s";
    EXPECT_EQ(r[6], "1024") << "the peak of the live display";
    EXPECT_EQ(r[7], "0571a88001234");
    EXPECT_EQ(r[8], "10");
    EXPECT_EQ(r[9], "56") << "1024 - 900 / 0.93";
    EXPECT_EQ(r[10], "1");
    EXPECT_EQ(r[11], "CLIENT");
    EXPECT_EQ(r[12], "1.0.0");
    EXPECT_EQ(r[13], "00-11-22-33-44-55");
    std::string serial;
    CMD5::GetStringMD5("00-11-22-33-44-55BFEBFBFF000906EAWD-123", serial);
    EXPECT_EQ(r[14], serial);
    EXPECT_EQ(r[15], "BFEBFBFF000906EA");
    EXPECT_EQ(r[16], "WD-123");
    EXPECT_EQ(Download().LastReport(), r);
    EXPECT_EQ(Download().OtherDownRate(), 56u);
    EXPECT_EQ(Download().UpRate(), 10u);
}

TEST_F(DownloadFlow, AverageUsesTheElapsedMillisecondsAndFallsBackToTheEngine) {
    OpenDownload();
    ASSERT_TRUE(Start());
    RunTest(1000, 800, 14600);  // 14.6 s: whole seconds would give 1,042
    EXPECT_EQ(fakes_.client->reports.at(0)[1], "1000");
    EXPECT_EQ(fakes_.client->reports.at(0)[5], "11680") << "800 KB/s over 14.6 s";

    ASSERT_TRUE(driver_.Click(Download(), kStop));
    ASSERT_TRUE(Start());
    Progress(700, 0);
    Progress(700, 100);  // in the same millisecond: no division by zero
    driver_.Advance(100);
    ASSERT_EQ(Download().GetState(), CDlgDownload::State::Finished);
    EXPECT_EQ(fakes_.client->reports.at(1)[1], "700");
    EXPECT_EQ(Utf8(D(kAverage)), "700KB/秒");
}

TEST_F(DownloadFlow, RatingAgainstMaxValue) {
    struct Case {
        const char* maxValue;
        unsigned average;
        const char* rating;
        const char* advice;
    };
    for (const Case& c :
         {Case{"0", 512, "很好", "您的上网速度非常理想，能够正常完成各种互联网应用。"},
          Case{"abc", 512, "很好", "您的上网速度非常理想，能够正常完成各种互联网应用。"},
          Case{"4096", 409, "一般", "您可以尝试在不同时段多次测试，以保证测试结果的准确。"},
          Case{"10240", 1024, "一般", "您可以尝试在不同时段多次测试，以保证测试结果的准确。"},
          Case{"10240", 768, "偏慢",
               "您可以尝试在不同时段多次测试，或打开网速分析报告来找查找原因。"},
          Case{"102400", 512, "偏慢",
               "您可以尝试在不同时段多次测试，或打开网速分析报告来找查找原因。"}}) {
        SCOPED_TRACE(std::string(c.maxValue) + " " + std::to_string(c.average));
        fakes_.client->netType = NetType("8", "4M", c.maxValue);
        OpenDownload();
        ASSERT_TRUE(Start());
        RunTest(c.average, c.average);
        EXPECT_EQ(Utf8(D(kRating)), c.rating);
        EXPECT_EQ(Utf8(D(kAdvice)), c.advice);
        main_.reset();
    }
}

TEST_F(DownloadFlow, LiveRateTexts) {
    OpenDownload();
    ASSERT_TRUE(Start());
    struct Case {
        unsigned engineRate;
        const char* text;
    };
    // The machine's counters stand still, so the display takes the engine's rate.
    for (const Case& c :
         {Case{1023, "1023KB/S"}, Case{1024, "1.0MB/S"}, Case{1048576, "1.0GB/S"}}) {
        Progress(c.engineRate, 40);
        driver_.Advance(500);
        EXPECT_EQ(Utf8(D(kLiveRate)), c.text);
        EXPECT_EQ(Utf8(D(kLivePercent)), "40%");
    }
    EXPECT_EQ(static_cast<CProgressBar*>(D(kProgress))->GetPos(), 40);
}

TEST_F(DownloadFlow, AddressListFromTheServiceIsCachedAndReused) {
    OpenDownload();
    ASSERT_TRUE(Start());
    EXPECT_EQ(fakes_.client->listRequests, std::vector<std::string>{"0571a88001234"});
    const std::vector<std::string> urls = {"http://127.0.0.1:18080/speed/hz/100M.bin",
                                           "http://127.0.0.1:18080/speed/zj/100M.bin"};
    EXPECT_EQ(Download().UrlList(), urls);
    EXPECT_EQ(fakes_.engine->starts.at(0), urls);
    EXPECT_EQ(SectionKeys("UserConfig.dat", "SpeedConfig"), urls);
    EXPECT_FALSE(Download().RadarShown()) << "the waiting animation closes with the list";
    RunTest(500, 500);
    ASSERT_TRUE(driver_.Click(Download(), kStop));
    ASSERT_TRUE(Start());
    EXPECT_EQ(fakes_.client->listRequests.size(), 1u) << "a second start reuses the list";
    EXPECT_EQ(fakes_.engine->starts.size(), 2u);
    EXPECT_EQ(fakes_.engine->starts.at(1), urls);
}

TEST_F(DownloadFlow, AddressListFallsBackToTheCacheOrFailsWithAMessage) {
    struct Case {
        int listResult;
        bool emptyList;
        bool cached;
        bool account;
    };
    for (const Case& c :
         {Case{-1, false, true, true}, Case{0, true, true, false}, Case{-1, false, false, false}}) {
        SCOPED_TRACE(std::to_string(c.listResult) + (c.cached ? " cached" : " not cached"));
        std::filesystem::remove(dir_ / "UserConfig.dat");
        if (c.cached)
            WriteSetting("UserConfig.dat", "SpeedConfig", "http://127.0.0.1:18080/cached.bin",
                         "缓存");
        fakes_.client->listResult = c.listResult;
        if (c.emptyList) fakes_.client->list.clear();
        fakes_.client->account = c.account ? "0571a88001234" : "";
        fakes_.client->listRequests.clear();
        fakes_.box->shown.clear();
        fakes_.log->entries.clear();
        fakes_.engine->starts.clear();
        OpenDownload();
        ASSERT_TRUE(Start());
        EXPECT_EQ(fakes_.client->listRequests,
                  std::vector<std::string>{c.account ? "0571a88001234" : "FTP"});
        if (c.cached) {
            EXPECT_EQ(fakes_.engine->starts.at(0),
                      std::vector<std::string>{"http://127.0.0.1:18080/cached.bin"});
            EXPECT_TRUE(fakes_.box->shown.empty());
            EXPECT_EQ(Download().GetState(), CDlgDownload::State::Running);
        } else {
            EXPECT_TRUE(fakes_.engine->starts.empty());
            EXPECT_EQ(fakes_.box->shown,
                      std::vector<std::string>{"获取测速地址列表失败，请稍后再试！"});
            ASSERT_EQ(fakes_.log->entries.size(), 1u);
            const LogEntry& e = fakes_.log->entries[0];
            EXPECT_EQ(e.module, "ZEVAClient.exe");
            EXPECT_EQ(e.file, "DlgDownload");
            EXPECT_EQ(e.function, "CDlgDownload::OnBnClickedButtonTest");
            EXPECT_EQ(e.line, 198);
            EXPECT_EQ(zeva::AcpToUtf8(e.message), "连接服务器失败，网络可能不畅通！");
            EXPECT_EQ(zeva::AcpToUtf8(e.category), "一般问题");
            EXPECT_FALSE(e.buildTime.empty());
            EXPECT_EQ(Download().GetState(), CDlgDownload::State::Idle);
            EXPECT_TRUE(Visible(D(kStart)));
            EXPECT_TRUE(D(kStart)->IsWindowEnabled());
        }
        main_.reset();
    }
}

TEST_F(DownloadFlow, EngineRefusalUnreachableServersAndTheWatchdog) {
    const char* unreachable = "对不起，测速点无法连接不能测速，请检测网络是否通畅或稍候重试！";
    OpenDownload();
    fakes_.engine->startResult = 1;
    ASSERT_TRUE(Start());
    EXPECT_EQ(fakes_.box->shown,
              std::vector<std::string>{"对不起，该测试点正在维护，请稍候重试！"});
    EXPECT_TRUE(Visible(D(kStart))) << "the start button stays available";
    ExpectShown(kLive, {});
    driver_.Advance(20000);
    EXPECT_EQ(fakes_.box->shown.size(), 1u) << "no watchdog for a test that never started";

    // The engine reports that no address answers.
    fakes_.engine->startResult = 0;
    fakes_.box->shown.clear();
    ASSERT_TRUE(Start());
    Progress(0, -1);
    EXPECT_EQ(fakes_.box->shown, std::vector<std::string>{unreachable});
    EXPECT_EQ(Download().GetState(), CDlgDownload::State::Idle);
    EXPECT_EQ(fakes_.engine->stops, 1);
    ExpectShown({kStart}, {kStop});
    ExpectShown({}, kLive);

    // 15 s without a message and no progress yet.
    fakes_.box->shown.clear();
    ASSERT_TRUE(Start());
    Progress(0, 0);
    driver_.Advance(14900);
    EXPECT_TRUE(fakes_.box->shown.empty());
    driver_.Advance(100);
    EXPECT_EQ(fakes_.box->shown, std::vector<std::string>{unreachable});
    EXPECT_EQ(Download().GetState(), CDlgDownload::State::Idle);
    EXPECT_FALSE(Download().SamplerRunning());

    // With progress of 1 % or more the page keeps waiting.
    fakes_.box->shown.clear();
    ASSERT_TRUE(Start());
    Progress(100, 1);
    driver_.Advance(30000);
    EXPECT_TRUE(fakes_.box->shown.empty());
    EXPECT_EQ(Download().GetState(), CDlgDownload::State::Running);
}

TEST_F(DownloadFlow, StopJoinsTheSamplerAndLeavesNoWatchdog) {
    OpenDownload();
    ASSERT_TRUE(Start());
    Progress(300, 0);
    EXPECT_TRUE(Download().SamplerRunning());
    ASSERT_TRUE(driver_.Click(Download(), kStop));
    EXPECT_FALSE(Download().SamplerRunning()) << "joined, not left running";
    EXPECT_TRUE(StopEvent().IsSet());
    EXPECT_EQ(Download().GetState(), CDlgDownload::State::Stopped);
    EXPECT_EQ(Utf8(D(kStatus)), "测速已停止");
    EXPECT_EQ(Utf8(D(kStop)), "重新测速");
    ExpectShown({kStop, kStatusPictureId}, {kStart});
    ExpectShown({}, kLive);
    EXPECT_EQ(fakes_.engine->stops, 1);
    driver_.Advance(30000);
    EXPECT_TRUE(fakes_.box->shown.empty()) << "a stopped test raises no watchdog message";
    Progress(300, 50);
    EXPECT_EQ(Download().GetState(), CDlgDownload::State::Stopped)
        << "late engine messages do not count";
    ASSERT_TRUE(driver_.Click(Download(), kStop));
    EXPECT_EQ(Download().GetState(), CDlgDownload::State::Idle);
    EXPECT_TRUE(fakes_.client->reports.empty());
}

TEST_F(DownloadFlow, SamplerAveragesTheLoadEveryFourSeconds) {
    fakes_.probes->cpu = 80;
    fakes_.probes->total = 1000;
    fakes_.probes->available = 150;
    OpenDownload();
    ASSERT_TRUE(Start());
    Progress(500, 0);
    for (unsigned n = 1; n <= 2; ++n) {
        clock_.AwaitWaiters(1);
        driver_.Advance(4000);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (Download().Samples() < n && std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
        ASSERT_EQ(Download().Samples(), n);
        Progress(500, static_cast<int>(n) * 30);
    }
    Progress(500, 100);
    driver_.Advance(100);
    ASSERT_EQ(Download().GetState(), CDlgDownload::State::Finished);
    EXPECT_FALSE(Download().SamplerRunning());
    // The sums start at 1: (1 + 80 + 80) / 2 and (1 + 85 + 85) / 2.
    EXPECT_EQ(Download().CpuAverage(), 80u);
    EXPECT_EQ(Download().MemAverage(), 85u);
    ASSERT_TRUE(driver_.Click(Download(), kReport));
    EXPECT_EQ(Utf8(Landing()->ReportPanel()->GetDlgItem(report_ids::kCpu)), "CPU占用：80% 正常");
    EXPECT_EQ(Utf8(Landing()->ReportPanel()->GetDlgItem(report_ids::kMemory)),
              "内存占用：85% 偏高");
}

TEST_F(DownloadFlow, ReportToggleAndTheAnalysisFacts) {
    fakes_.scanner->count = 3;
    fakes_.scanner->scans = {
        {{"192.168.1.10", "", "", ""}, {"192.168.1.1", "", "", ""}, {"192.168.1.20", "", "", ""}}};
    fakes_.probes->proxy = true;
    fakes_.probes->dialActive = true;
    fakes_.probes->adapters = {{{"10.9.9.9"}, {}, "00-00-00-00-00-00"},
                               {{"192.168.1.10"}, {"192.168.1.1"}, ""}};
    OpenDownload();
    ASSERT_TRUE(Start());
    RunTest(2000, 1800);
    ASSERT_EQ(Download().GetState(), CDlgDownload::State::Finished);
    EXPECT_EQ(Download().PcCount(), 2u) << "the gateway that answered is not a device";
    EXPECT_TRUE(Download().ProxySet());
    const std::vector<std::string>& r = fakes_.client->reports.at(0);
    EXPECT_EQ(zeva::AcpToUtf8(r[2]), "本机拨号");
    EXPECT_EQ(r[10], "2");
    EXPECT_EQ(r[13], "") << "no real hardware address";
    std::string serial;
    CMD5::GetStringMD5("BFEBFBFF000906EAWD-123", serial);
    EXPECT_EQ(r[14], serial);

    CDlgReport* report = Landing()->ReportPanel();
    CDlgQuestions* questions = Landing()->QuestionsPanel();
    ASSERT_TRUE(driver_.Click(Download(), kReport));
    EXPECT_TRUE(Visible(report));
    EXPECT_FALSE(Visible(questions));
    EXPECT_EQ(Utf8(report->GetDlgItem(report_ids::kLan)), "局域网内有多台设备共享网络");
    EXPECT_EQ(Utf8(report->GetDlgItem(report_ids::kProxy)), "代理设置 有代理服务器设置");
    EXPECT_TRUE(Visible(report->GetDlgItem(report_ids::kLink)));
    EXPECT_EQ(static_cast<CImageButtonX*>(D(kReport))->Image().resourceId, 14083u);
    ASSERT_TRUE(driver_.Click(Download(), kReport));
    EXPECT_FALSE(Visible(report));
    EXPECT_TRUE(Visible(questions));
    EXPECT_EQ(static_cast<CImageButtonX*>(D(kReport))->Image().resourceId, 14070u);

    // A new start puts the questions back beside the page.
    ASSERT_TRUE(driver_.Click(Download(), kReport));
    ASSERT_TRUE(driver_.Click(Download(), kStop));
    EXPECT_FALSE(Visible(report));
    EXPECT_TRUE(Visible(questions));
    ASSERT_TRUE(driver_.Click(Download(), kReport) == false)
        << "the report button is hidden in idle";
}

TEST_F(DownloadFlow, EndedBeforeTheFirstSampleKeepsTheSums) {
    fakes_.scanner->count = -1;  // the scan failed
    OpenDownload();
    ASSERT_TRUE(Start());
    RunTest(100, 100, 3000);
    ASSERT_EQ(Download().GetState(), CDlgDownload::State::Finished);
    EXPECT_EQ(Download().CpuAverage(), 1u);
    EXPECT_EQ(Download().MemAverage(), 1u);
    EXPECT_EQ(Download().PcCount(), 0u);
}

TEST_F(DownloadFlow, WaitingAnimationWhileTheListIsFetchedOffTheWindowThread) {
    OpenDownload();
    zeva::plug::AsyncCalls::SetInline(false);
    fakes_.client->listGate = std::make_shared<Gate>();
    ASSERT_TRUE(Start());
    EXPECT_EQ(Download().GetState(), CDlgDownload::State::Fetching);
    EXPECT_TRUE(Download().RadarShown());
    EXPECT_FALSE(D(kStart)->IsWindowEnabled()) << "no second start while the list is fetched";
    EXPECT_TRUE(fakes_.engine->starts.empty());
    fakes_.client->listGate->Open();
    zeva::plug::AsyncCalls::WaitForWorkers();
    driver_.Pump();
    EXPECT_FALSE(Download().RadarShown());
    EXPECT_EQ(Download().GetState(), CDlgDownload::State::Running);
    EXPECT_EQ(fakes_.engine->starts.size(), 1u);
}

// A test that has ended reports even when the window closes while its
// conditions are still being analysed; a test the user stops does not.
TEST_F(DownloadFlow, AFinishedTestsReportArrivesWhenTheWindowClosesAtOnce) {
    for (const bool stopFirst : {false, true}) {
        SCOPED_TRACE(stopFirst ? "stopped" : "closed");
        zeva::plug::AsyncCalls::SetInline(true);
        fakes_.client->reports.clear();
        OpenDownload();
        ASSERT_TRUE(Start());
        Gate scan;
        fakes_.scanner->scanGate = &scan;
        fakes_.client->uploadGate = std::make_shared<Gate>();
        zeva::plug::AsyncCalls::SetInline(false);
        RunTest(1024, 900);
        ASSERT_EQ(Download().GetState(), CDlgDownload::State::Analysing);
        if (stopFirst) {
            ASSERT_TRUE(driver_.Click(Download(), kStop));
        }
        CloseThenRelease(scan);
        fakes_.scanner->scanGate = nullptr;
        fakes_.client->uploadGate = nullptr;
        ASSERT_EQ(fakes_.client->Reports(), stopFirst ? 0u : 1u);
        if (!stopFirst) {
            EXPECT_EQ(fakes_.client->reports[0].size(), 17u);
            EXPECT_EQ(fakes_.client->reports[0][1], "1024");
        }
    }
}
