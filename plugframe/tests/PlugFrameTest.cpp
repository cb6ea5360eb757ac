// The plug-in contract with the sample plug-in loaded as the host loads it,
// driven through the headless renderer on a manual clock.

#include <gtest/gtest.h>

#include "../sample/DlgSample.h"
#include "DlgSubPage.h"
#include "HeadlessRenderer.h"
#include "PlugContract.h"
#include "PluginLibrary.h"
#include "ZEVAMessageBox.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/WindowFinder.h"

using namespace zeva;
using namespace zeva::ui;

namespace {

class SamplePlugin : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        handle = test::OpenPluginLibrary(ZEVA_SAMPLE_PLUGIN, error);
        ASSERT_NE(handle, nullptr) << error;
        create = reinterpret_cast<PlugCreateFn>(test::PluginSymbol(handle, plug::kPlugCreate));
        init = reinterpret_cast<PlugInitFn>(test::PluginSymbol(handle, plug::kPlugInit));
        page = reinterpret_cast<CDlgSubPage* (*)()>(test::PluginSymbol(handle, "SamplePage"));
        lastNotice = reinterpret_cast<int (*)()>(test::PluginSymbol(handle, "SampleLastNotice"));
        ASSERT_TRUE(create && init && page && lastNotice);
        host = CreateWindowHandle([this](HWND, UINT msg, WPARAM w, LPARAM) -> LRESULT {
            if (msg == plug::kMsgPageClosed) closedWith.push_back(static_cast<int>(w));
            return 0;
        });
        RegisterWindowClassName(host, plug::kHostWindowClass);
    }
    void TearDown() override {
        if (page) page()->DestroyWindow();
        UnregisterWindowClassName(host);
        DestroyWindowHandle(host);
        // The library stays loaded: its page is a static of the plug-in.
    }
    CImageDialog& Open() {
        create(nullptr);
        driver.Pump();
        return *page();
    }

    HeadlessDriver driver;
    void* handle = nullptr;
    PlugCreateFn create = nullptr;
    PlugInitFn init = nullptr;
    CDlgSubPage* (*page)() = nullptr;
    int (*lastNotice)() = nullptr;
    HWND host = nullptr;
    std::vector<int> closedWith;
};

}  // namespace

TEST_F(SamplePlugin, PlugCreateTwiceShowsTheSamePageObject) {
    CImageDialog& first = Open();
    ASSERT_NE(first.GetSafeHwnd(), nullptr);
    const HWND window = first.GetSafeHwnd();
    EXPECT_TRUE(page()->IsShown());
    EXPECT_EQ(ActiveWindow(), &first);
    first.ShowWindow(SW_HIDE);
    CImageDialog& second = Open();
    EXPECT_EQ(&second, &first) << "one page object per plug-in";
    EXPECT_EQ(second.GetSafeHwnd(), window)
        << "the existing window is shown again, not a second one";
    EXPECT_TRUE(second.IsWindowVisible());
    int pages = 0;
    for (CWnd* w : TopLevelWindows()) pages += w == &first ? 1 : 0;
    EXPECT_EQ(pages, 1);
    EXPECT_TRUE(init());
    EXPECT_EQ(first.GetResourceModule(), page()->GetResourceHandle());
    EXPECT_NE(first.GetResourceModule(), ZEVA_THIS_MODULE)
        << "images come from the plug-in's own module";
}

TEST_F(SamplePlugin, CloseDialogHandsItsValueToTheHostAndTheNextCreateReopens) {
    CImageDialog& dlg = Open();
    ASSERT_TRUE(driver.Click(dlg, sample::kIdClose));
    EXPECT_EQ(dlg.GetSafeHwnd(), nullptr);
    EXPECT_FALSE(page()->IsShown());
    driver.Pump();
    EXPECT_EQ(closedWith, std::vector<int>{1});
    EXPECT_EQ(page()->LastCloseResult(), 1);
    CImageDialog& again = Open();
    EXPECT_NE(again.GetSafeHwnd(), nullptr);
    EXPECT_TRUE(again.IsWindowVisible());
}

TEST_F(SamplePlugin, PageWorksThroughItsControls) {
    ManualClock clock;
    ScopedClock scoped(clock);
    CImageDialog& dlg = Open();
    ASSERT_TRUE(driver.Click(dlg, sample::kIdGreet));
    EXPECT_EQ(FindControl(dlg, sample::kIdGreeting)->GetWindowText(), Acp("请先输入姓名。"));
    ASSERT_TRUE(driver.Type(dlg, sample::kIdName, Acp("张三")));
    ASSERT_TRUE(driver.Click(dlg, sample::kIdGreet));
    EXPECT_EQ(FindControl(dlg, sample::kIdGreeting)->GetWindowText(), Acp("您好，张三！"));

    ASSERT_TRUE(driver.Click(dlg, sample::kIdStart));
    EXPECT_FALSE(driver.Click(dlg, sample::kIdStart)) << "disabled while running";
    clock.Advance(std::chrono::milliseconds(sample::kProgressStepMs * 10));
    EXPECT_EQ(FindControl(dlg, sample::kIdPercent)->GetWindowText(), "50%");
    clock.Advance(std::chrono::milliseconds(sample::kProgressStepMs * 15));
    EXPECT_EQ(FindControl(dlg, sample::kIdPercent)->GetWindowText(), "100%");
    auto* checks = static_cast<CListCtrl*>(FindControl(dlg, sample::kIdChecks));
    EXPECT_EQ(checks->GetItemText(2, 1), Acp("正常"));
    EXPECT_TRUE(FindControl(dlg, sample::kIdStart)->IsWindowEnabled());

    driver.AnswerNextModal([&](CImageDialog& box) {
        EXPECT_EQ(box.TemplateId(), msgbox::kTemplateId);
        EXPECT_TRUE(driver.Click(box, IDOK));
    });
    ASSERT_TRUE(driver.Click(dlg, sample::kIdNotice));
    EXPECT_EQ(lastNotice(), IDOK);
}

TEST_F(SamplePlugin, KeysNeverCloseThePageAndTheCaptionDrags) {
    CImageDialog& dlg = Open();
    driver.PressKey(*FindControl(dlg, sample::kIdName), VK_ESCAPE);
    driver.PressKey(*FindControl(dlg, sample::kIdName), VK_RETURN);
    EXPECT_TRUE(dlg.IsWindowVisible());
    EXPECT_TRUE(closedWith.empty());
    driver.PressMouse(dlg, {200, 10});
    EXPECT_EQ(driver.Renderer().Drags(), 1);
    EXPECT_EQ(driver.Renderer().LastDragPoint(), CPoint(200, 10));
}

TEST(DlgSubPage, MissingTemplateLeavesThePageHidden) {
    HeadlessDriver driver;
    CDlgSubPage page(777777);
    EXPECT_FALSE(page.CreateSubWindow(777777, nullptr));
    EXPECT_FALSE(page.IsShown());
    EXPECT_EQ(page.GetResourceHandle(), ZEVA_THIS_MODULE);
}
