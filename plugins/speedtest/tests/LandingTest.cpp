// The main window, the landing page's look-up and the navigation between
// the pages.

#include <condition_variable>
#include <mutex>

#include "Fixture.h"
#include "Gate.h"
#include "PluginHarness.h"

using namespace speedtest;
using namespace speedtest::test;
using zeva::Acp;

namespace {

class LandingFlow : public SpeedTestFixture {
protected:
    void Cache(const std::string& rate, const std::string& city) {
        fakes_.client->account = "0571a88001234";
        fakes_.client->netType = NetType("8", rate, "102400");
        fakes_.client->city = city;
    }
    CWnd* L(UINT id) const { return Landing()->GetDlgItem(static_cast<int>(id)); }
    CWnd* B(UINT id) const { return Landing()->BandPanel()->GetDlgItem(static_cast<int>(id)); }
};

}  // namespace

TEST_F(LandingFlow, PagesArePlacedAroundTheLandingPage) {
    WriteSetting("Config.dat", "Server", "ServiceURL", "http://127.0.0.1:9/kelv/BService.ws");
    Open();
    CDlgTestSpeed* landing = Landing();
    EXPECT_EQ(Utf8(main_.get()), "Telvo宽带测速");
    EXPECT_TRUE(Visible(landing));
    struct Place {
        CWnd* page;
        int x, y;
    };
    for (const Place& p :
         {Place{landing, 1, 66}, Place{landing->TabBar(), 1, 66},
          Place{landing->DownloadPage(), 1, 135}, Place{landing->HttpPage(), 1, 135},
          Place{landing->BandPanel(), 503, 66}, Place{landing->QuestionsPanel(), 503, 224},
          Place{landing->ReportPanel(), 503, 224}}) {
        ASSERT_NE(p.page, nullptr);
        EXPECT_EQ(p.page->GetParent(), main_.get()) << "every page is a child of the main window";
        EXPECT_EQ(p.page->Rect().left, p.x);
        EXPECT_EQ(p.page->Rect().top, p.y);
        if (p.page != landing) {
            EXPECT_FALSE(Visible(p.page));
        }
    }
    ASSERT_EQ(fakes_.client->initialized.size(), 1u);
    EXPECT_EQ(fakes_.client->initialized[0].first, "http://127.0.0.1:9/kelv/BService.ws");
    EXPECT_EQ(fakes_.client->initialized[0].second, 6u);
}

TEST_F(LandingFlow, LookUpOutcomes) {
    struct Case {
        const char* rate;
        const char* city;
        const char* shownRate;
        const char* shownArea;
        const char* status;
        bool obtained;
    };
    for (const Case& c : {Case{"100M", "杭州", "100M", "杭州地区", "您的宽带信息获取成功", true},
                          Case{"100M", "温州", "100M", "未知", "您的宽带信息获取成功", true},
                          Case{"", "杭州", "未知", "未知", "您的宽带信息获取失败", false},
                          Case{"20M", "", "未知", "未知", "您的宽带信息获取失败", false}}) {
        SCOPED_TRACE(std::string(c.rate) + "/" + c.city);
        WriteSetting("SpeedTest.dat", "Area", "杭州", "杭州地区");
        WriteSetting("Config.dat", "Update", "Version", "1.0.0");
        Cache(c.rate, c.city);
        Open();
        EXPECT_EQ(Utf8(L(landing_ids::kRate)), c.shownRate);
        EXPECT_EQ(Utf8(L(landing_ids::kArea)), c.shownArea);
        EXPECT_EQ(Utf8(L(landing_ids::kStatus)), c.status);
        EXPECT_EQ(static_cast<CPNGPicture*>(L(landing_ids::kStatusPicture))->Image().resourceId,
                  c.obtained ? 14097u : 14100u);
        EXPECT_EQ(Landing()->InfoObtained(), c.obtained);
        EXPECT_EQ(Landing()->Version(), "1.0.0");
        EXPECT_EQ(fakes_.client->serverLookups, 0) << "the look-up reads the local cache";
        EXPECT_EQ(Landing()->BandPanel()->Obtained(), c.obtained);
        EXPECT_EQ(Visible(B(band_ids::kFailure)), false) << "the panel is not shown yet";
        ASSERT_TRUE(driver_.Click(*Landing(), landing_ids::kDownload));
        EXPECT_EQ(Visible(B(band_ids::kRate)), c.obtained);
        EXPECT_EQ(Visible(B(band_ids::kFailure)), !c.obtained);
        if (c.obtained) {
            EXPECT_EQ(Utf8(B(band_ids::kArea)), c.shownArea);
        }
        main_.reset();
    }
}

TEST_F(LandingFlow, ChoosingATestShowsItsPagesAndTabsSwitchThem) {
    Cache("100M", "杭州");
    Open();
    CDlgTestSpeed* landing = Landing();
    ASSERT_TRUE(driver_.Click(*landing, landing_ids::kHttp));
    EXPECT_FALSE(Visible(landing));
    EXPECT_TRUE(Visible(landing->TabBar()));
    EXPECT_TRUE(landing->TabBar()->HttpChecked());
    EXPECT_FALSE(landing->TabBar()->DownloadChecked());
    EXPECT_TRUE(Visible(landing->HttpPage()));
    EXPECT_FALSE(Visible(landing->DownloadPage()));
    EXPECT_EQ(landing->HttpPage()->Account(), "0571a88001234")
        << "the page got the look-up's copies";
    EXPECT_TRUE(Visible(landing->BandPanel()));
    EXPECT_TRUE(Visible(landing->QuestionsPanel()));
    EXPECT_FALSE(landing->QuestionsPanel()->ShowsDownloadSet());
    EXPECT_FALSE(Visible(landing->ReportPanel()));

    for (bool download : {true, false, true}) {
        ASSERT_TRUE(driver_.Click(*landing->TabBar(),
                                  download ? select_ids::kDownload : select_ids::kHttp));
        EXPECT_EQ(Visible(landing->DownloadPage()), download);
        EXPECT_EQ(Visible(landing->HttpPage()), !download);
        EXPECT_EQ(landing->TabBar()->DownloadChecked(), download);
        EXPECT_EQ(landing->TabBar()->HttpChecked(), !download);
        EXPECT_EQ(landing->QuestionsPanel()->ShowsDownloadSet(), download);
        EXPECT_TRUE(Visible(landing->QuestionsPanel()->GetDlgItem(download ? 14057 : 14064)));
        EXPECT_FALSE(Visible(landing->ReportPanel())) << "tabs leave the report panel alone";
    }
}

TEST_F(LandingFlow, CloseTellsTheHostAndAnyFreePointDragsTheWindow) {
    Open();
    driver_.PressMouse(*main_, CPoint(400, 30));
    EXPECT_EQ(main_->DragRequests(), 1);
    ASSERT_TRUE(driver_.Click(*main_, main_ids::kMinimise));
    EXPECT_TRUE(main_->IsMinimized());
    main_->ShowWindow(SW_RESTORE);
    ASSERT_TRUE(driver_.Click(*main_, main_ids::kClose));
    EXPECT_EQ(main_->LastCloseResult(), 2);
    EXPECT_EQ(main_->GetSafeHwnd(), nullptr);
    EXPECT_EQ(main_->Landing(), nullptr) << "the landing page is deleted";
    // Shown again, the window builds a new landing page.
    ASSERT_TRUE(main_->CreateSubWindow(kTplTestMain, nullptr));
    driver_.Pump();
    ASSERT_NE(main_->Landing(), nullptr);
    EXPECT_TRUE(Visible(main_->Landing()));
}

namespace {

// Holds the fake service's first look-up until the test lets it go.
using SlowProbe = zeva::test::Gate;

}  // namespace

TEST_F(LandingFlow, ClosingDuringTheLookUpClosesAtOnceAndDropsTheResult) {
    zeva::plug::AsyncCalls::SetInline(false);
    Cache("100M", "杭州");
    auto slow = std::make_shared<SlowProbe>();
    // The look-up's client blocks in its first call.
    fakes_.client->accountGate = slow;
    main_ = std::make_unique<CDlgTestMain>(fakes_.Make());
    ASSERT_TRUE(main_->CreateSubWindow(kTplTestMain, nullptr));
    driver_.Pump();
    EXPECT_TRUE(main_->Landing()->LookupPending());
    EXPECT_EQ(Utf8(main_->Landing()->GetDlgItem(landing_ids::kRate)), "获取中...");
    ASSERT_TRUE(driver_.Click(*main_, main_ids::kClose));
    EXPECT_EQ(main_->GetSafeHwnd(), nullptr) << "closed without waiting for the look-up";
    slow->Open();
    zeva::plug::AsyncCalls::WaitForWorkers();
    driver_.Pump();
    EXPECT_EQ(main_->Landing(), nullptr);
    EXPECT_EQ(fakes_.client->accountLookups, 1) << "the look-up ran to its end on its worker";
}

TEST(SpeedTestPlugin, PlugCreateTwiceShowsTheSameWindow) {
    zeva::test::TempDir app;
    zeva::test::ScopedEnv env("ZEVA_APP_DIR", app.path().string() + "/");
    zeva::test::PluginHarness plugin(ZEVA_SPEEDTEST_PLUGIN);
    ASSERT_TRUE(plugin.Loaded()) << plugin.Error();
    CDlgSubPage* first = plugin.Open();
    ASSERT_NE(first, nullptr);
    const HWND window = first->GetSafeHwnd();
    ASSERT_NE(window, nullptr);
    // The look-up reads the (empty) local cache of this scratch directory.
    CWnd* status = nullptr;
    // The landing page's; the web-page test page has a control 14078 too.
    for (CWnd* child : first->Children()) {
        auto* page = dynamic_cast<CImageDialog*>(child);
        if (page && page->TemplateId() == kTplTestSpeed)
            status = page->GetDlgItem(landing_ids::kStatus);
    }
    ASSERT_NE(status, nullptr);
    ASSERT_TRUE(plugin.PumpUntil([&] { return Utf8(status) == "您的宽带信息获取失败"; }))
        << Utf8(status);
    CDlgSubPage* second = plugin.Open();
    EXPECT_EQ(second, first);
    EXPECT_EQ(second->GetSafeHwnd(), window) << "no second window";
    EXPECT_TRUE(second->IsWindowVisible());
    EXPECT_EQ(second->TemplateId(), 14017u);
    ASSERT_TRUE(plugin.Driver().Click(*second, main_ids::kClose));
    plugin.Driver().Pump();
    EXPECT_EQ(plugin.PagesClosed(), std::vector<int>{2});
}
