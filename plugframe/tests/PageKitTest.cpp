// The page kit: controls bound once, handlers per id, caption drag, label
// colours, and background calls whose results come back on the window
// thread (or not at all once the window is gone).

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "AsyncCalls.h"
#include "Controls.h"
#include "DlgSubPage.h"
#include "Gate.h"
#include "HeadlessRenderer.h"
#include "PageSkin.h"
#include "PlugContract.h"
#include "PluginHarness.h"
#include "platform/Clock.h"

using namespace zeva;
using namespace zeva::ui;

namespace {

constexpr UINT kTemplate = 20900;
constexpr UINT kIdLabel = 20901, kIdEdit = 20902, kIdCombo = 20903, kIdGo = 20904,
               kIdHidden = 20905;
constexpr UINT kMsgPing = WM_USER + 0x25B;

void RegisterKitTemplate() {
    DialogTemplate t;
    t.id = kTemplate;
    t.cx = 200;
    t.cy = 100;
    t.controls = {
        {kIdLabel, ControlKind::Static, 5, 5, 80, 10, "label", 0, true},
        {kIdEdit, ControlKind::Edit, 5, 20, 80, 12, "", 0, true},
        {kIdCombo, ControlKind::ComboBox, 5, 40, 80, 50, "", CBS_DROPDOWNLIST, true},
        {kIdGo, ControlKind::Button, 100, 20, 40, 14, "go", 0, true},
        {kIdHidden, ControlKind::Static, 100, 40, 40, 10, "hidden", 0, false},
    };
    RegisterDialogTemplate(ZEVA_THIS_MODULE, t);
}

class KitPage : public CDlgSubPage {
public:
    KitPage() : CDlgSubPage(kTemplate) {
        RegisterKitTemplate();
        Bind({{kIdLabel, &label},
              {kIdEdit, &edit},
              {kIdCombo, &combo},
              {kIdGo, &go},
              {kIdHidden, &hidden}});
        HandleClick(kIdGo, [this] { ++clicks; });
        HandleChange(kIdEdit, [this] { lastEdit = edit.GetWindowText(); });
        HandleChange(kIdCombo, [this] { lastPick = combo.GetCurSel(); });
        HandleMessage(kMsgPing, [this](WPARAM w, LPARAM) -> LRESULT {
            pinged = static_cast<int>(w);
            return 7;
        });
    }
    BOOL OnInitDialog() override {
        CDlgSubPage::OnInitDialog();
        combo.AddString("a");
        combo.AddString("b");
        return 1;
    }
    CStaticText label, hidden;
    CEdit edit;
    CComboBox combo;
    CImageButtonX go;
    int clicks = 0;
    std::string lastEdit;
    int lastPick = -1;
    int pinged = -1;
};

using zeva::test::Gate;

}  // namespace

TEST(PageKit, BoundMembersTakeOverTheTemplateControlsAndHandlersRunPerId) {
    HeadlessDriver driver;
    KitPage page;
    ASSERT_TRUE(page.CreateSubWindow(kTemplate, nullptr));
    EXPECT_EQ(page.GetDlgItem(kIdLabel), &page.label);
    EXPECT_EQ(page.GetDlgItem(kIdGo), &page.go);
    EXPECT_EQ(page.label.GetWindowText(), "label");
    EXPECT_FALSE(page.hidden.IsWindowVisible()) << "the template's visibility is the default";

    ASSERT_TRUE(driver.Click(page, kIdGo));
    ASSERT_TRUE(driver.Click(page, kIdGo));
    EXPECT_EQ(page.clicks, 2);
    ASSERT_TRUE(driver.Type(page, kIdEdit, "abc"));
    EXPECT_EQ(page.lastEdit, "abc");
    ASSERT_TRUE(driver.Pick(page, kIdCombo, 1));
    EXPECT_EQ(page.lastPick, 1);
    EXPECT_EQ(page.SendMessage(kMsgPing, 42, 0), 7);
    EXPECT_EQ(page.pinged, 42);
    EXPECT_TRUE(page.IsWindowVisible()) << "no handler closed the page";
}

TEST(PageKit, CaptionDragFollowsTheLimit) {
    struct Case {
        int limit;
        CPoint press;
        int drags;
    };
    for (const Case& c : {Case{-1, {10, 5}, 0}, Case{30, {150, 10}, 1}, Case{30, {150, 60}, 0},
                          Case{CImageDialog::kDragAnywhere, {150, 60}, 1}}) {
        HeadlessDriver driver;
        KitPage page;
        ASSERT_TRUE(page.CreateSubWindow(kTemplate, nullptr));
        page.SetCaptionDrag(c.limit);
        driver.PressMouse(page, c.press);
        EXPECT_EQ(driver.Renderer().Drags(), c.drags) << "limit " << c.limit << " y " << c.press.y;
    }
}

TEST(PageKit, StaticLookDrawsLabelsTransparentInTheHouseColourUnlessTheirOwn) {
    HeadlessDriver driver;
    KitPage page;
    ASSERT_TRUE(page.CreateSubWindow(kTemplate, nullptr));
    page.SetStaticLook(plug::skin::kTextDark);
    auto plain = page.QueryControlColors(page.label);
    EXPECT_TRUE(plain.transparent);
    EXPECT_EQ(plain.text, plug::skin::kTextDark);
    page.hidden.SetTextColor(plug::skin::kTextRed);
    EXPECT_EQ(page.QueryControlColors(page.hidden).text, plug::skin::kTextRed);
}

TEST(PageKit, AsyncResultArrivesOnTheWindowThread) {
    HeadlessDriver driver;
    KitPage page;
    ASSERT_TRUE(page.CreateSubWindow(kTemplate, nullptr));
    const auto windowThread = std::this_thread::get_id();
    std::thread::id workThread;
    int got = 0;
    std::thread::id doneThread;
    ASSERT_TRUE(page.RunAsync(
        [&] {
            workThread = std::this_thread::get_id();
            return 41;
        },
        [&](int v) {
            got = v + 1;
            doneThread = std::this_thread::get_id();
        }));
    plug::AsyncCalls::WaitForWorkers();
    EXPECT_EQ(got, 0) << "nothing runs before the queue does";
    driver.Pump();
    EXPECT_EQ(got, 42);
    EXPECT_NE(workThread, windowThread);
    EXPECT_EQ(doneThread, windowThread);
    EXPECT_EQ(page.PendingAsync(), 0u);
}

TEST(PageKit, ResultOfACallStillRunningWhenTheWindowGoesIsDropped) {
    HeadlessDriver driver;
    KitPage page;
    ASSERT_TRUE(page.CreateSubWindow(kTemplate, nullptr));
    Gate gate;
    bool sawCancel = false;
    bool delivered = false;
    ASSERT_TRUE(page.RunAsync(
        [&](const plug::CancelToken& token) {
            gate.Wait();
            sawCancel = token.Cancelled();
            return std::string("late");
        },
        [&](const std::string&) { delivered = true; }));
    EXPECT_EQ(page.PendingAsync(), 1u);
    page.DestroyWindow();
    gate.Open();
    plug::AsyncCalls::WaitForWorkers();
    driver.Pump();
    EXPECT_TRUE(sawCancel) << "the work is told its window is gone";
    EXPECT_FALSE(delivered);

    // A new window of the same page gets only its own results.
    ASSERT_TRUE(page.CreateSubWindow(kTemplate, nullptr));
    int fresh = 0;
    page.RunAsync([] { return 5; }, [&](int v) { fresh = v; });
    plug::AsyncCalls::WaitForWorkers();
    driver.Pump();
    EXPECT_EQ(fresh, 5);
}

TEST(PageKit, WithoutAWindowNothingRunsAndInlineModeIsDeterministic) {
    HeadlessDriver driver;
    KitPage page;
    bool ran = false;
    EXPECT_FALSE(page.RunAsync([&] { ran = true; }, [] {}));
    EXPECT_FALSE(ran);

    ASSERT_TRUE(page.CreateSubWindow(kTemplate, nullptr));
    plug::AsyncCalls::SetInline(true);
    std::thread::id workThread;
    bool done = false;
    page.RunAsync([&] { workThread = std::this_thread::get_id(); }, [&] { done = true; });
    plug::AsyncCalls::SetInline(false);
    EXPECT_EQ(workThread, std::this_thread::get_id());
    EXPECT_FALSE(done) << "still delivered through the queue";
    driver.Pump();
    EXPECT_TRUE(done);
}

TEST(PageKit, AWorkThatThrowsDeliversNothingAndDoesNotEndTheProgram) {
    HeadlessDriver driver;
    KitPage page;
    ASSERT_TRUE(page.CreateSubWindow(kTemplate, nullptr));
    bool delivered = false;
    page.RunAsync([]() -> int { throw std::runtime_error("no network"); },
                  [&](int) { delivered = true; });
    plug::AsyncCalls::WaitForWorkers();
    driver.Pump();
    EXPECT_FALSE(delivered);
}

TEST(PluginHarness, LoadsTheSampleAndRecordsWhatTheHostIsTold) {
    test::PluginHarness plugin(ZEVA_SAMPLE_PLUGIN);
    ASSERT_TRUE(plugin.Loaded()) << plugin.Error();
    CDlgSubPage* page = plugin.Open();
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->IsWindowVisible());
    EXPECT_TRUE(plugin.Init());
    ASSERT_TRUE(plugin.Driver().Click(*page, 20116));  // start the checks
    EXPECT_TRUE(plugin.AdvanceUntil([&] { return page->GetDlgItemText(20115) == "100%"; }, 5000));
    EXPECT_EQ(plugin.Clock()->Now(), Clock::TimePoint(2000));
    ASSERT_TRUE(plugin.Driver().Click(*page, 20118));  // close
    plugin.Driver().Pump();
    EXPECT_EQ(plugin.PagesClosed(), std::vector<int>{1});
}

TEST(PluginHarness, TheUnloadHookClosesThePageBeforeTheLibraryGoes) {
    test::PluginHarness plugin(ZEVA_SAMPLE_PLUGIN);
    ASSERT_TRUE(plugin.Loaded()) << plugin.Error();
    CDlgSubPage* page = plugin.Open();
    ASSERT_NE(page, nullptr);
    auto unload = reinterpret_cast<void (*)()>(plugin.Symbol(plug::kPlugUnload));
    ASSERT_NE(unload, nullptr) << "every plug-in made with the kit offers it";
    unload();
    EXPECT_EQ(page->GetSafeHwnd(), nullptr);
    EXPECT_FALSE(page->IsShown());
}

TEST(PluginHarness, AMissingLibraryIsReportedNotLoaded) {
    test::PluginHarness plugin("/nonexistent/ZEVAPlug_None.so");
    EXPECT_FALSE(plugin.Loaded());
    EXPECT_NE(plugin.Error().find("ZEVAPlug_None"), std::string::npos);
    EXPECT_EQ(plugin.Open(), nullptr);
}
