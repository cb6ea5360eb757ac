// The update notification: texts, colours, answers, placement and link.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "DlgNotify.h"
#include "HeadlessRenderer.h"
#include "TestSupport.h"
#include "UpdateResources.h"
#include "WindowUpdateHost.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/MessageQueue.h"
#include "platform/WindowFinder.h"

namespace fs = std::filesystem;
using namespace zeva::wizard;
using zeva::Acp;
using zeva::test::ScopedEnv;
using zeva::test::TempDir;

namespace {

class DlgNotifyTest : public ::testing::Test {
protected:
    TempDir root;
    ScopedEnv acp{"ZEVA_ACP", std::string("UTF-8")};
    ScopedEnv runtime{"XDG_RUNTIME_DIR", (root / "run").string()};
    zeva::ManualClock clock;
    zeva::ScopedClock scoped{clock};
    zeva::ui::HeadlessDriver driver;

    // Shows the notification and presses `id`; returns DoModal's answer.
    int Answer(UINT id, CRect* placed = nullptr, std::function<void(CDlgNotify&)> look = {}) {
        CDlgNotify dlg;
        dlg.m_strOldVersion = "1.0.3";
        dlg.m_strNewVersion = "1.0.4";
        dlg.m_strWebSite = "http://127.0.0.1/site";
        driver.AnswerNextModal([&](CImageDialog& d) {
            if (placed) d.GetWindowRect(placed);
            if (look) look(static_cast<CDlgNotify&>(d));
            EXPECT_TRUE(driver.Click(d, id));
        });
        return static_cast<int>(dlg.DoModal());
    }
};

TEST_F(DlgNotifyTest, ShowsBothVersionsInTheLabelColour) {
    const COLORREF blue = RGB(0x0D, 0x3D, 0x66);
    EXPECT_EQ(
        Answer(IDC_NOTIFY_NOW, nullptr,
               [&](CDlgNotify& d) {
                   EXPECT_EQ(d.GetWindowText(), Acp("Pelmo升级通知"));
                   EXPECT_EQ(d.GetDlgItemText(static_cast<int>(IDC_OLD_VERSION)), "1.0.3");
                   EXPECT_EQ(d.GetDlgItemText(static_cast<int>(IDC_NEW_VERSION)), "1.0.4");
                   EXPECT_EQ(d.GetDlgItemText(static_cast<int>(IDC_NOTIFY_NOW)), Acp("立即升级"));
                   EXPECT_EQ(d.GetDlgItemText(static_cast<int>(IDC_NOTIFY_LATER)),
                             Acp("下次升级 "));
                   EXPECT_FALSE(
                       d.GetDlgItem(static_cast<int>(IDC_NOTIFY_UPDATABLE))->IsWindowVisible());
                   for (UINT id : {IDC_OLD_VERSION, IDC_NEW_VERSION}) {
                       CWnd* label = d.GetDlgItem(static_cast<int>(id));
                       EXPECT_TRUE(label->GetSkinFont().bold);
                       EXPECT_EQ(label->GetSkinFont().size, 12);
                       const auto colors = d.QueryControlColors(*label);
                       EXPECT_EQ(colors.text, blue);
                       EXPECT_TRUE(colors.transparent);
                   }
                   const auto question =
                       d.QueryControlColors(*d.GetDlgItem(static_cast<int>(IDC_NOTIFY_QUESTION)));
                   EXPECT_EQ(question.text, blue);
               }),
        IDYES);
}

TEST_F(DlgNotifyTest, LaterAndTheCloseCrossBothAnswerNo) {
    EXPECT_EQ(Answer(IDC_NOTIFY_LATER), IDNO);
    EXPECT_EQ(Answer(IDC_NOTIFY_CROSS), IDNO);
    EXPECT_EQ(Answer(IDC_NOTIFY_NOW), IDYES);
    EXPECT_EQ(driver.Renderer().UnansweredModals(), 0);
}

TEST_F(DlgNotifyTest, PressInTheTopThirtyPixelsDragsTheWindow) {
    Answer(IDC_NOTIFY_LATER, nullptr, [&](CDlgNotify& d) {
        driver.PressMouse(d, CPoint(60, 40));
        EXPECT_EQ(d.DragRequests(), 0);
        driver.PressMouse(d, CPoint(60, 12));
        EXPECT_EQ(d.DragRequests(), 1);
    });
}

TEST_F(DlgNotifyTest, SitsAboveTheTaskbarOrAboveTheScreenWithoutOne) {
    CRect placed;
    driver.Renderer().SetScreen(CRect(0, 0, 1280, 800), CRect(0, 0, 1280, 760));
    Answer(IDC_NOTIFY_LATER, &placed);
    EXPECT_EQ(placed.right, 1280 - 5);
    EXPECT_EQ(placed.bottom, 760 - 5);
    EXPECT_GT(placed.Width(), 300);

    // A taskbar on the right: the free area ends before the screen does.
    driver.Renderer().SetScreen(CRect(0, 0, 1280, 800), CRect(0, 0, 1220, 800));
    Answer(IDC_NOTIFY_LATER, &placed);
    EXPECT_EQ(placed.right, 1220 - 5);
    EXPECT_EQ(placed.bottom, 800 - 5);

    // No screen to ask: the taskbar rectangle is all zero.
    driver.Renderer().SetScreen(CRect(0, 0, 1024, 768), std::nullopt);
    Answer(IDC_NOTIFY_LATER, &placed);
    EXPECT_EQ(placed.top, -placed.Height() - 5);
    EXPECT_EQ(placed.right, 1024 - 5);

    EXPECT_EQ(CDlgNotify::Placement(CRect(), 1024, CSize(350, 231)), CPoint(1024 - 355, -236));
}

TEST_F(DlgNotifyTest, LinkOpensTheWebSiteAndTheWindowStaysOpen) {
#if defined(_WIN32)
    GTEST_SKIP() << "a stand-in xdg-open shell script takes the link: Linux only (Windows opens it "
                    "with ShellExecuteExW, the platform's shell tests)";
#endif
    const fs::path bin = root / "bin";
    const fs::path opened = root / "opened.txt";
    zeva::test::WriteFile(bin / "xdg-open", "#!/bin/sh\necho \"$1\" > \"" + opened.string() +
                                                ".tmp\" && mv \"" + opened.string() + ".tmp\" \"" +
                                                opened.string() + "\"\n");
    fs::permissions(bin / "xdg-open", fs::perms::owner_all);
    ScopedEnv path("PATH", bin.string() + ":/usr/bin:/bin");
    EXPECT_EQ(Answer(IDC_NOTIFY_LATER, nullptr,
                     [&](CDlgNotify& d) {
                         CWnd* link = d.GetDlgItem(static_cast<int>(IDC_WEBSITE_LINK));
                         ASSERT_NE(link, nullptr);
                         EXPECT_TRUE(link->IsWindowVisible());
                         EXPECT_TRUE(link->GetSkinFont().underline);
                         EXPECT_EQ(link->GetCursor(), IDC_HAND);
                         CRect client;
                         d.GetClientRect(&client);
                         EXPECT_GT(link->Rect().top, client.Height() / 2);
                         EXPECT_LE(link->Rect().bottom, client.Height());
                         EXPECT_TRUE(driver.Click(d, IDC_WEBSITE_LINK));
                         EXPECT_FALSE(d.IsEnded());
                     }),
              IDNO);
    // The handler is a real program: wait (bounded) for it to have written.
    for (int i = 0; i < 5000 && !fs::exists(opened); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(zeva::test::ReadFile(opened), "http://127.0.0.1/site\n");
}

TEST_F(DlgNotifyTest, HostAsksWithTheWindowAndClosesTheClientOnYes) {
    int closes = 0;
    HWND client = zeva::CreateWindowHandle([&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == zeva::WM_CLOSE) ++closes;
        return 0;
    });
    ASSERT_TRUE(zeva::RegisterWindowClassName(client, "ZEVACLIENT"));
    WindowUpdateHost host;
    std::string shownOld;
    driver.AnswerNextModal([&](CImageDialog& d) {
        shownOld = d.GetDlgItemText(static_cast<int>(IDC_OLD_VERSION));
        driver.Click(d, IDC_NOTIFY_NOW);
    });
    EXPECT_EQ(host.ShowUpdateNotification("1.0", "2.0", ""), IDYES);
    EXPECT_EQ(shownOld, "1.0");
    host.CloseRunningClient();
    EXPECT_EQ(closes, 1);
    zeva::UnregisterWindowClassName(client);
    zeva::DestroyWindowHandle(client);
    host.CloseRunningClient();  // nothing to close: nothing happens
    EXPECT_EQ(closes, 1);

    // Nobody to ask: not now.
    WindowUpdateHost headless([] { return false; });
    EXPECT_EQ(headless.ShowUpdateNotification("1.0", "2.0", ""), IDNO);
}

}  // namespace
