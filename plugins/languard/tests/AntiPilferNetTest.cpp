// The LAN check page with a fake scan and name search, headless on the
// manual clock: the searching, list-built and finished states, the merge
// of the two scans, where names go, rescans and closing during a search,
// the rows and their scrolling, and the animation.

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>

#include "AsyncCalls.h"
#include "DlgAntiPilferNet.h"
#include "FakeServices.h"
#include "Gate.h"
#include "HeadlessRenderer.h"
#include "LanguardResources.h"
#include "PluginHarness.h"
#include "TestSupport.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"

using namespace zeva;
using namespace zeva::ui;
using namespace languard;
using State = CDlgAntiPilferNet::State;

namespace {

using zeva::plug::LanDevice;
using zeva::plug::NeighbourEntry;
using zeva::test::Gate;

const LanDevice kOwn{"10.0.0.1", "00-1B-21-AA-00-01", "Intel", ""};
const LanDevice kA{"10.0.0.2", "00-1A-11-00-00-02", "Google", ""};
const LanDevice kB{"10.0.0.3", "3C-D9-2B-00-00-03", "HP", ""};
const LanDevice kATwin{"10.0.0.2", "F0-18-98-00-00-04", "Apple", ""};

std::string Text(CWnd& root, UINT id) {
    CWnd* w = root.GetDlgItem(static_cast<int>(id));
    return w ? w->GetWindowText() : "<no control>";
}
bool Shown(CWnd& root, UINT id) {
    CWnd* w = root.GetDlgItem(static_cast<int>(id));
    return w && w->IsVisibleFlag();
}

class LanPage : public ::testing::Test {
protected:
    void SetUp() override {
        plug::AsyncCalls::SetInline(true);
        fake->own = Acp("我的电脑");
    }
    void TearDown() override {
        if (page.GetSafeHwnd()) page.DestroyWindow();
        plug::AsyncCalls::WaitForWorkers();
        plug::AsyncCalls::SetInline(false);
    }

    void Open() {
        ASSERT_TRUE(page.CreateSubWindow(kPageTemplate, nullptr));
        driver.Pump();
    }
    // Moves time on in 100 ms steps (workers, if any, finish in between).
    bool RunUntil(const std::function<bool()>& done, int ms = 10000) {
        for (int t = 0; t <= ms; t += 100) {
            if (done()) return true;
            plug::AsyncCalls::WaitForWorkers();
            driver.Advance(100);
        }
        return done();
    }
    bool Finish() {
        return RunUntil([&] { return page.CurrentState() == State::Finished; });
    }
    std::string RowName(std::size_t i) {
        CDlgAPNItem* row = page.List().Row(i);
        return row ? row->m_name.GetWindowText() : "<no row>";
    }

    ManualClock clock;
    ScopedClock scoped{clock};
    HeadlessDriver driver;
    test::FakeServices fakes;
    std::shared_ptr<test::FakeScanner> fake = fakes.scanner;
    CDlgAntiPilferNet page{fakes.Make()};
};

}  // namespace

TEST_F(LanPage, OnlyThisComputerCountsZeroWithOneRowMarkedAsThisComputer) {
    fake->scans = {{kOwn}};
    Open();
    EXPECT_EQ(page.CurrentState(), State::Searching);
    EXPECT_TRUE(Shown(page, kIdSearching));
    EXPECT_TRUE(page.Animation().Playing());
    for (UINT hidden : {kIdFound, kIdCount, kIdRescan, kIdFoundPicture, kIdDonePicture, kIdAdvice})
        EXPECT_FALSE(Shown(page, hidden)) << hidden;

    ASSERT_TRUE(Finish());
    EXPECT_EQ(fake->ScanCalls(), 2) << "scanned twice";
    EXPECT_TRUE(fake->asked.empty()) << "this computer's name comes from the system";
    ASSERT_EQ(page.List().RowCount(), 1u);
    EXPECT_EQ(Text(page, kIdCount), "0");
    EXPECT_EQ(page.List().Row(0)->m_marker.GetWindowText(), Acp("本机"));
    EXPECT_EQ(page.List().Row(0)->m_ip.GetWindowText(), kOwn.Ip);
    EXPECT_EQ(page.List().Row(0)->m_mac.GetWindowText(), kOwn.Mac);
    EXPECT_EQ(page.List().Row(0)->m_vendor.GetWindowText(), kOwn.Vendor);
    EXPECT_EQ(RowName(0), Acp("我的电脑"));
    EXPECT_FALSE(page.Animation().Playing());
    EXPECT_FALSE(page.Animation().IsVisibleFlag());
    EXPECT_FALSE(Shown(page, kIdSearching));
    for (UINT shown : {kIdFound, kIdCount, kIdRescan, kIdFoundPicture})
        EXPECT_TRUE(Shown(page, shown)) << shown;
}

TEST_F(LanPage, SecondScanAddsOnlyNewAddressAndHardwarePairsAndNamesGoToTheFirstOfAnAddress) {
    fake->scans = {{kOwn, kA}, {kOwn, kB, kA, kATwin}};
    fake->names = {{"10.0.0.2", "PC-A"}, {"10.0.0.3", "PRINTER"}};
    Open();
    ASSERT_TRUE(Finish());
    const auto& d = page.Devices();
    ASSERT_EQ(d.size(), 4u);
    EXPECT_EQ(d[0].Ip, kOwn.Ip);
    EXPECT_EQ(d[1].Mac, kA.Mac) << "seen in both scans, listed once";
    EXPECT_EQ(d[2].Ip, kB.Ip) << "seen only in the second scan";
    EXPECT_EQ(d[3].Mac, kATwin.Mac) << "same address, other hardware: a device of its own";
    EXPECT_EQ(Text(page, kIdCount), "3");
    ASSERT_EQ(page.List().RowCount(), 4u);
    EXPECT_EQ(RowName(1), "PC-A");
    EXPECT_EQ(RowName(2), "PRINTER");
    EXPECT_EQ(RowName(3), Acp("未知")) << "the name goes to the first device of that address";
    EXPECT_EQ(page.List().Row(1)->m_marker.GetWindowText(), "");
    // Each address is asked once: the first scan's, then the second's new one.
    ASSERT_EQ(fake->asked.size(), 2u);
    EXPECT_EQ(fake->asked[0], std::vector<std::string>{"10.0.0.2"});
    EXPECT_EQ(fake->asked[1], std::vector<std::string>{"10.0.0.3"});
}

TEST_F(LanPage, ARouterAnsweringForTheWholeSubnetIsOneRowThatSaysForHowManyAddresses) {
    // The scan lists a proxy-answering router once, at the first address it
    // answered for; the second scan may meet it first at another address.
    const LanDevice router{"10.0.0.2", "28-6E-D4-00-00-FE", "HUAWEI", "", 252};
    LanDevice routerLater = router;
    routerLater.Ip = "10.0.0.4";
    routerLater.Addresses = 251;
    fake->scans = {{kOwn, router, kB}, {kOwn, routerLater, kB}};
    fake->names = {{"10.0.0.3", "PRINTER"}};
    Open();
    ASSERT_TRUE(Finish());
    ASSERT_EQ(page.List().RowCount(), 3u);
    EXPECT_EQ(Text(page, kIdCount), "2");
    EXPECT_EQ(page.List().Row(1)->m_ip.GetWindowText(), "10.0.0.2");
    EXPECT_EQ(RowName(1), Acp("未知（代答252个地址）"));
    EXPECT_EQ(RowName(2), "PRINTER");

    fake->names = {{"10.0.0.2", "router.lan"}};
    fake->scans = {{kOwn, router}};
    ASSERT_TRUE(driver.Click(page, kIdRescan));
    ASSERT_TRUE(Finish());
    EXPECT_EQ(RowName(1), Acp("router.lan（代答252个地址）"));
}

TEST_F(LanPage, NeighbourhoodStyleNamesLoseTheirTwoBackslashes) {
    fake->scans = {{kOwn, kA, kB}};
    fake->names = {{"10.0.0.2", "\\\\PC-BOB"}, {"10.0.0.3", "\\\\"}};
    Open();
    ASSERT_TRUE(Finish());
    EXPECT_EQ(RowName(1), "PC-BOB");
    EXPECT_EQ(RowName(2), Acp("未知")) << "nothing after the backslashes is no name";
}

TEST_F(LanPage, NamesThatArriveBeforeTheRowsAreShownWhenTheRowsAre) {
    fake->scans = {{kOwn, kA}};
    fake->names = {{"10.0.0.2", "PC-EARLY"}};
    Open();
    ASSERT_TRUE(
        RunUntil([&] { return !page.Devices().empty() && !page.Devices()[1].Name.empty(); }, 900));
    EXPECT_EQ(page.List().RowCount(), 0u) << "the name came first";
    EXPECT_EQ(page.CurrentState(), State::Searching);
    ASSERT_TRUE(Finish());
    EXPECT_EQ(RowName(1), "PC-EARLY");
}

TEST_F(LanPage, TheListIsBuiltOnThePollAfterTheSecondScan) {
    fake->scans = {{kOwn, kA}};
    Open();
    driver.Advance(900);
    EXPECT_EQ(page.List().RowCount(), 0u) << "the second scan starts a second after the first";
    EXPECT_EQ(fake->ScanCalls(), 1);
    driver.Advance(200);
    EXPECT_EQ(fake->ScanCalls(), 2);
    driver.Advance(500);
    EXPECT_EQ(page.List().RowCount(), 2u);
    EXPECT_EQ(page.CurrentState(), State::Finished);
}

TEST_F(LanPage, AScanThatFindsNothingKeepsSearching) {
    fake->scans = {{}};
    Open();
    EXPECT_FALSE(RunUntil([&] { return page.CurrentState() == State::Finished; }, 5000));
    EXPECT_TRUE(Shown(page, kIdSearching));
    EXPECT_TRUE(page.Animation().Playing());
}

TEST_F(LanPage, AScanThatCouldNotAskEveryAddressSaysSoInsteadOfACount) {
    // As under Wine, whose SendARP is not supported: only what the system knew.
    fake->scans = {{kOwn}};
    fake->note = Acp("本系统不能向局域网地址逐个发送ARP询问");
    Open();
    ASSERT_TRUE(Finish());
    EXPECT_EQ(page.List().RowCount(), 1u);
    EXPECT_EQ(page.ScanNote(), fake->note);
    EXPECT_TRUE(Shown(page, kIdNote));
    EXPECT_EQ(Text(page, kIdNote), fake->note);
    for (UINT hidden : {kIdFound, kIdCount, kIdSearching})
        EXPECT_FALSE(Shown(page, hidden)) << hidden;
    EXPECT_TRUE(Shown(page, kIdRescan));

    // A complete scan afterwards counts again and drops the note.
    fake->note.clear();
    fake->scans = {{kOwn, kA}};
    ASSERT_TRUE(driver.Click(page, kIdRescan));
    EXPECT_FALSE(Shown(page, kIdNote)) << "searching again";
    ASSERT_TRUE(Finish());
    EXPECT_TRUE(page.ScanNote().empty());
    EXPECT_FALSE(Shown(page, kIdNote));
    EXPECT_TRUE(Shown(page, kIdCount));
    EXPECT_EQ(Text(page, kIdCount), "1");
}

TEST_F(LanPage, AScanThatCannotRunSaysWhyAndOffersARescan) {
    fake->scans = {{}};
    fake->count = -1;
    fake->note = Acp("无法检测局域网：no network interface with an IPv4 address");
    Open();
    ASSERT_TRUE(Finish());
    EXPECT_EQ(fake->ScanCalls(), 1) << "no second scan after a failed one";
    EXPECT_EQ(page.List().RowCount(), 0u);
    EXPECT_EQ(Text(page, kIdNote), fake->note);
    EXPECT_TRUE(Shown(page, kIdNote));
    EXPECT_TRUE(Shown(page, kIdRescan));
    for (UINT hidden : {kIdFound, kIdCount, kIdSearching})
        EXPECT_FALSE(Shown(page, hidden)) << hidden;
    EXPECT_FALSE(page.Animation().Playing());
    driver.Advance(3000);
    EXPECT_EQ(fake->ScanCalls(), 1) << "the poll stopped with the search";

    fake->count.reset();
    fake->note.clear();
    fake->scans = {{kOwn}};
    ASSERT_TRUE(driver.Click(page, kIdRescan));
    EXPECT_TRUE(page.Animation().Playing());
    ASSERT_TRUE(Finish());
    EXPECT_EQ(page.List().RowCount(), 1u);
    EXPECT_FALSE(Shown(page, kIdNote));
}

TEST_F(LanPage, RescanStartsAFreshSearchAndDropsTheOldOnesResults) {
    fake->scans = {{kOwn, kA}, {kOwn, kB}};
    fake->names = {{"10.0.0.2", "OLD"}, {"10.0.0.3", "NEW"}};
    ASSERT_TRUE(page.CreateSubWindow(kPageTemplate, nullptr));
    // A click that reaches the page while the first scan's result is still queued.
    page.SendMessage(WM_COMMAND, MAKEWPARAM(kIdRescan, BN_CLICKED), 0);
    ASSERT_TRUE(Finish());
    ASSERT_EQ(page.Devices().size(), 2u);
    EXPECT_EQ(page.Devices()[1].Ip, kB.Ip);
    EXPECT_EQ(RowName(1), "NEW");
    EXPECT_EQ(fake->asked.size(), 1u) << "the dropped scan asked for no names";

    // From the finished page by the link: back to searching, then a new list.
    fake->scans = {{kOwn, kA, kB}};
    ASSERT_TRUE(driver.Click(page, kIdRescan));
    EXPECT_EQ(page.CurrentState(), State::Searching);
    EXPECT_TRUE(Shown(page, kIdSearching));
    EXPECT_TRUE(Shown(page, kIdFoundPicture));
    for (UINT hidden : {kIdFound, kIdCount, kIdRescan}) EXPECT_FALSE(Shown(page, hidden)) << hidden;
    EXPECT_TRUE(page.Animation().IsVisibleFlag());
    EXPECT_TRUE(page.Animation().Playing());
    EXPECT_EQ(page.List().RowCount(), 0u);
    ASSERT_TRUE(Finish());
    EXPECT_EQ(Text(page, kIdCount), "2");
    EXPECT_EQ(RowName(1), "OLD");
    EXPECT_EQ(RowName(2), "NEW");
}

TEST_F(LanPage, ClosingDuringASearchDropsItAndReopeningStartsAFreshOne) {
    plug::AsyncCalls::SetInline(false);
    Gate gate;
    fake->scans = {{kOwn, kA}};
    fake->scanGate = &gate;
    Open();
    fake->AwaitScanCalls(1);
    ASSERT_TRUE(driver.Click(page, kIdClose));
    EXPECT_EQ(page.GetSafeHwnd(), nullptr);
    EXPECT_EQ(page.LastCloseResult(), 1);
    gate.Open();
    plug::AsyncCalls::WaitForWorkers();
    driver.Advance(3000);
    EXPECT_EQ(fake->ScanCalls(), 1) << "nothing of the closed page's search went on";
    EXPECT_TRUE(page.Devices().empty());

    fake->scanGate = nullptr;
    fake->scans = {{kOwn, kB}};
    fake->names = {{"10.0.0.3", "AFTER"}};
    Open();
    ASSERT_TRUE(Finish());
    EXPECT_EQ(fake->ScanCalls(), 3);
    ASSERT_EQ(page.List().RowCount(), 2u);
    EXPECT_EQ(page.List().Row(1)->m_ip.GetWindowText(), kB.Ip);
    EXPECT_EQ(RowName(1), "AFTER");
}

TEST_F(LanPage, RowsStackAndTheListScrollsByARowHeight) {
    std::vector<LanDevice> many{kOwn};
    for (int i = 2; i < 14; ++i)
        many.push_back(
            {"10.0.0." + std::to_string(i), "00-1A-11-00-00-" + std::to_string(10 + i), "V", ""});
    fake->scans = {many};
    Open();
    ASSERT_TRUE(Finish());
    CDlgAPNContainer& list = page.List();
    ASSERT_EQ(list.RowCount(), many.size());
    EXPECT_EQ(list.Rect().left, 2);
    EXPECT_EQ(list.Rect().top, 135);
    const int h = list.Row(0)->Rect().Height();
    for (std::size_t i = 0; i < list.RowCount(); ++i) {
        EXPECT_EQ(list.Row(i)->Rect().top, 1 + static_cast<int>(i) * (h + 1)) << i;
        EXPECT_EQ(list.Row(i)->Rect().left, 0);
    }
    CRect client;
    list.GetClientRect(&client);
    SCROLLINFO si;
    list.GetScrollInfo(SB_VERT, &si);
    EXPECT_EQ(si.nMax, list.Row(list.RowCount() - 1)->Rect().bottom - client.Height() + 55);
    EXPECT_EQ(si.nPage, 60u);
    const int end = si.nMax - static_cast<int>(si.nPage);

    struct Step {
        UINT code;
        int thumb;
        int pos;
    };
    const std::vector<Step> steps = {
        {SB_LINEDOWN, 0, 49}, {SB_PAGEDOWN, 0, 98},    {SB_LINEUP, 0, 49}, {SB_TOP, 0, 0},
        {SB_LINEUP, 0, 0},    {SB_THUMBTRACK, 30, 30}, {SB_BOTTOM, 0, 79}, {SB_PAGEUP, 0, 30},
    };
    for (const Step& s : steps) {
        driver.VScroll(list, s.code, s.thumb);
        EXPECT_EQ(list.GetScrollPos(SB_VERT), std::min(s.pos, end)) << "code " << s.code;
        EXPECT_EQ(list.Row(0)->Rect().top, 1 - list.GetScrollPos(SB_VERT))
            << "content moves with it";
    }
    for (int i = 0; i < 20; ++i) driver.VScroll(list, SB_LINEDOWN);
    EXPECT_EQ(list.GetScrollPos(SB_VERT), end) << "stops at the end";

    // A rescan starts the new list at the top.
    ASSERT_TRUE(driver.Click(page, kIdRescan));
    ASSERT_TRUE(Finish());
    EXPECT_EQ(list.GetScrollPos(SB_VERT), 0);
    EXPECT_EQ(list.Row(0)->Rect().top, 1);
}

TEST_F(LanPage, ShortListsHaveNoScrollPageAndThePageDragsFromAnyPoint) {
    fake->scans = {{kOwn, kA}};
    Open();
    ASSERT_TRUE(Finish());
    SCROLLINFO si;
    page.List().GetScrollInfo(SB_VERT, &si);
    EXPECT_LT(si.nMax, 60);
    EXPECT_EQ(si.nPage, 0u);
    driver.PressMouse(page, CPoint(300, 300));
    EXPECT_EQ(driver.Renderer().Drags(), 1);
    EXPECT_EQ(page.GetWindowText(), Acp("防蹭网检测"));
}

TEST_F(LanPage, TheAnimationPlaysShippedFramesInNumberOrderElseTheDrawnRadar) {
    test::TempDir app;
    std::filesystem::create_directories(app / "look");
    std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x10\0\0\0\x10", 24);
    for (const char* name : {"10.png", "2.png", "1.png", "notes.txt"})
        test::WriteFile(app / "look" / name, png);
    {
        test::ScopedEnv env("ZEVA_APP_DIR", app.path().string() + "/");
        fake->scans = {{kOwn}};
        Open();
        CLookAnimation& a = page.Animation();
        ASSERT_TRUE(a.FromFiles());
        std::vector<std::string> seen;
        for (int i = 0; i < 4; ++i) {
            seen.push_back(std::filesystem::path(a.Image().file).filename().string());
            driver.Advance(CLookAnimation::kFrameMs);
        }
        EXPECT_EQ(seen, (std::vector<std::string>{"1.png", "2.png", "10.png", "1.png"}));
        page.DestroyWindow();
    }
    {
        test::ScopedEnv env("ZEVA_APP_DIR", (app / "none").string() + "/");
        Open();
        CLookAnimation& a = page.Animation();
        EXPECT_FALSE(a.FromFiles());
        EXPECT_EQ(a.Image().info.glyph, SkinGlyph::Radar);
        const int before = a.Frame();
        driver.Advance(CLookAnimation::kFrameMs * 3);
        EXPECT_EQ(a.Frame(), before + 3);
        ASSERT_TRUE(Finish());
        const int stopped = a.Frame();
        driver.Advance(1000);
        EXPECT_EQ(a.Frame(), stopped) << "stopped with the search";
    }
}

TEST(LanPlugin, ExportsItsPageAndUnloadsCleanly) {
    test::PluginHarness harness(LANGUARD_PLUGIN);
    ASSERT_TRUE(harness.Loaded()) << harness.Error();
    EXPECT_NE(harness.Symbol("PlugCreate"), nullptr);
    // Not opened: the real scan would probe this machine's network.
    CDlgSubPage* page = harness.Page();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->TemplateId(), kPageTemplate);
    EXPECT_TRUE(harness.UnInit()) << "the host's last call before it unloads the library";
}
