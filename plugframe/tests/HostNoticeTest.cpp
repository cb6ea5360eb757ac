// A page tells only its own process's host that it closed: with that host's
// window gone, another running client (found by its window class across
// processes, as the updaters find it) must not receive the notice.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "DlgSubPage.h"
#include "HeadlessRenderer.h"
#include "PlugContract.h"
#include "ProgramRunner.h"
#include "TestSupport.h"
#include "platform/MessageQueue.h"
#include "platform/WindowFinder.h"

using namespace zeva;
using namespace zeva::ui;

namespace {

constexpr UINT kTemplate = 20950;

class NoticePage : public CDlgSubPage {
public:
    NoticePage() : CDlgSubPage(kTemplate) {
        DialogTemplate t;
        t.id = kTemplate;
        t.cx = 100;
        t.cy = 50;
        RegisterDialogTemplate(ZEVA_THIS_MODULE, t);
    }
};

HWND WaitForOtherClient() {
    for (int i = 0; i < 200; ++i) {
        if (const HWND h = FindWindowA(plug::kHostWindowClass)) return h;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return nullptr;
}

}  // namespace

TEST(HostNotice, APageWhoseHostIsGoneTellsNoOtherClient) {
    test::TempDir runtime;
    test::ScopedEnv env{"XDG_RUNTIME_DIR", runtime.path().string()};
    test::TempDir work;
    const auto record = work / "record";
    // Another client, which would take message 1826 from outside.
    const int other = test::StartProgram(
        test::ProgramPath("zeva-window-peer"),
        {plug::kHostWindowClass, record.string(), std::to_string(plug::kMsgPageClosed)},
        work.path());
    ASSERT_GT(other, 0);
    // A failed case must not leave the other client running (its class
    // window would answer the next test's look-ups).
    struct Reaper {
        int pid;
        bool waited = false;
        ~Reaper() {
            if (!waited && test::KillProgram(pid)) test::WaitProgram(pid);
        }
    } reaper{other};
    const HWND otherWindow = WaitForOtherClient();
    ASSERT_NE(otherWindow, nullptr);

    HeadlessDriver driver;
    std::vector<int> closed;
    const HWND host = CreateWindowHandle([&](HWND, UINT msg, WPARAM w, LPARAM) -> LRESULT {
        if (msg == plug::kMsgPageClosed) closed.push_back(static_cast<int>(w));
        return 0;
    });
    ASSERT_TRUE(RegisterWindowClassName(host, plug::kHostWindowClass));
    EXPECT_EQ(FindProcessWindowA(plug::kHostWindowClass), host);
    NoticePage page;
    ASSERT_TRUE(page.CreateSubWindow(kTemplate, nullptr));
    page.CloseDialog(1);
    driver.Pump();
    EXPECT_EQ(closed, std::vector<int>{1}) << "the page's own host is told";

    // The host's window goes; the page, shown again, closes once more.
    UnregisterWindowClassName(host);
    DestroyWindowHandle(host);
    EXPECT_EQ(FindProcessWindowA(plug::kHostWindowClass), nullptr);
    ASSERT_TRUE(page.CreateSubWindow(kTemplate, nullptr));
    page.CloseDialog(1);
    driver.Pump();

    // The other client still answers its window class (the updaters rely on
    // that) and received nothing but the WM_CLOSE that ends it.
    ASSERT_EQ(FindWindowA(plug::kHostWindowClass), otherWindow);
    SendMessage(otherWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(test::WaitProgram(other), 0);
    reaper.waited = true;
    EXPECT_EQ(test::ReadFile(record), "closed\n");
}
