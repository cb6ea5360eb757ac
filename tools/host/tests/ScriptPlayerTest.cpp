// The script player against headless windows: every command, steps that
// act inside a modal dialog, and the failures a script reports.

#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "../src/ScriptPlayer.h"
#include "Controls.h"
#include "HeadlessRenderer.h"
#include "PlugContract.h"
#include "TestSupport.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"

using namespace zeva;
using namespace zeva::ui;
using zeva::host::ScriptPlayer;

namespace {

constexpr UINT kForm = 9801, kEdit = 1, kGo = 2, kOut = 3, kCombo = 4, kAsk = 5, kHidden = 6;

class Form : public CImageDialog {
public:
    Form() : CImageDialog(kForm) {}
    int asked = -2;

protected:
    BOOL OnCommand(WPARAM w, LPARAM l) override {
        if (LOWORD(w) == kGo) {
            SetTimer(1, 300);  // the answer shows a little later
            return 1;
        }
        if (LOWORD(w) == kAsk) {
            CImageDialog box(kForm, this);
            asked = static_cast<int>(box.DoModal());
            return 1;
        }
        return CImageDialog::OnCommand(w, l);
    }
    void OnTimer(UINT_PTR id) override {
        KillTimer(id);
        GetDlgItem(kOut)->SetWindowText(Acp("你好，") + GetDlgItem(kEdit)->GetWindowText());
    }
};

class Script : public ::testing::Test {
protected:
    void SetUp() override {
        DialogTemplate t;
        t.id = kForm;
        t.cx = 200;
        t.cy = 120;
        t.style = WS_POPUP;
        t.controls = {{kEdit, ControlKind::Edit, 5, 5, 80, 12, "", 0, true},
                      {kGo, ControlKind::Button, 90, 5, 40, 14, "go", 0, true},
                      {kOut, ControlKind::Static, 5, 25, 150, 10, "", 0, true},
                      {kCombo, ControlKind::ComboBox, 5, 40, 80, 50, "", 0, true},
                      {kAsk, ControlKind::Button, 90, 40, 40, 14, "ask", 0, true},
                      {kHidden, ControlKind::Button, 90, 60, 40, 14, "hidden", 0, false}};
        RegisterDialogTemplate(nullptr, t);
        host = CreateWindowHandle([this](HWND, UINT msg, WPARAM w, LPARAM) -> LRESULT {
            if (msg == WM_CLOSE) closed = true;
            if (msg == plug::kMsgOpenTool) picked = reinterpret_cast<const char*>(w);
            return msg == plug::kMsgOpenTool ? 1 : 0;
        });
    }
    void TearDown() override { DestroyWindowHandle(host); }

    // Plays `text`; returns the exit code the player asked for (0 = finished).
    int Play(const std::string& text) {
        test::WriteFile(dir / "s.txt", text);
        ScriptPlayer::Hooks hooks;
        hooks.open = [this](const std::string& name) {
            opened.push_back(name);
            if (name != "form") return false;
            if (!form.GetSafeHwnd()) form.Create(kForm);
            form.ShowWindow(SW_SHOW);
            return true;
        };
        hooks.mainWindow = host;
        hooks.screenshot = [this](CWnd& top, const std::string& path) {
            shots.emplace_back(&top, path);
            return true;
        };
        hooks.advance = [this](int ms, std::function<void()> done) {
            clock.Advance(std::chrono::milliseconds(ms));
            done();
        };
        hooks.later = [this](std::function<void()> fn) { later.push_back(std::move(fn)); };
        hooks.fail = [this](int code) { failCode = code; };
        ScriptPlayer player(hooks);
        std::string error;
        if (!player.Load((dir / "s.txt").string(), error)) {
            loadError = error;
            return 2;
        }
        player.Start();
        // Pump; a "later" stands for a short real-time pause, here 100 ms of the clock.
        for (int round = 0; round < 200 && !player.Finished() && failCode == 0; ++round) {
            driver.Pump();
            if (!later.empty()) {
                clock.Advance(std::chrono::milliseconds(100));
                auto fn = std::move(later.front());
                later.pop_front();
                fn();
            }
        }
        driver.Pump();
        if (failCode == 0 && !player.Finished()) return -1;
        EXPECT_EQ(player.Failed(), failCode != 0);
        return failCode;
    }

    ManualClock clock;
    ScopedClock scoped{clock};
    HeadlessDriver driver;
    test::TempDir dir;
    Form form;
    HWND host = nullptr;
    bool closed = false;
    std::string picked;
    std::vector<std::string> opened;
    std::vector<std::pair<CWnd*, std::string>> shots;
    std::deque<std::function<void()>> later;
    int failCode = 0;
    std::string loadError;
};

}  // namespace

TEST_F(Script, EveryCommandActsOnTheActiveWindow) {
    const int code = Play(
        "# a comment, then a blank line\n"
        "\n"
        "open form\n"
        "pick 插件示例\n"
        "type 1 张三\n"
        "click 2\n"
        "wait 3 你好，张三\n"
        "expect 3 你好，张三\n"
        "select 4 0\n"
        "shot out.png\n"
        "advance 50\n"
        "close\n");
    ASSERT_EQ(code, 0);
    EXPECT_EQ(opened, std::vector<std::string>{"form"});
    EXPECT_EQ(picked, Acp("插件示例")) << "1825 carries the PlugId in the system code page";
    EXPECT_EQ(form.GetDlgItem(kOut)->GetWindowText(), Acp("你好，张三"));
    ASSERT_EQ(shots.size(), 1u);
    EXPECT_EQ(shots[0].first, &form);
    EXPECT_EQ(shots[0].second, "out.png");
    EXPECT_TRUE(closed);
}

TEST_F(Script, StepsActInsideAModalDialogAndWaitUntilItIsGone) {
    ASSERT_EQ(Play("open form\n"
                   "click 5\n"
                   "key esc\n"
                   "click 2\n"
                   "advance 300\n"
                   "expect 3 你好，\n"),
              0);
    EXPECT_EQ(form.asked, IDCANCEL) << "Escape went to the box, not to the page";
    EXPECT_TRUE(form.IsWindowVisible());
    EXPECT_EQ(driver.Renderer().UnansweredModals(), 0);
}

TEST_F(Script, FailuresNameTheLineAndStopThePlay) {
    EXPECT_EQ(Play("open form\nfrobnicate 3\n"), 2);
    EXPECT_NE(loadError.find(":2: unknown command 'frobnicate'"), std::string::npos) << loadError;
    EXPECT_EQ(Play("click 2\n"), 1) << "no window is open yet";
    failCode = 0;
    EXPECT_EQ(Play("open nothing\n"), 1);
    failCode = 0;
    EXPECT_EQ(Play("open form\nclick 6\nclose\n"), 1) << "hidden control";
    EXPECT_FALSE(closed) << "the play stopped at the failing step";
    failCode = 0;
    EXPECT_EQ(Play("open form\ntype 2 x\n"), 1) << "not an edit";
    failCode = 0;
    EXPECT_EQ(Play("open form\nexpect 3 something\n"), 1);
    failCode = 0;
    EXPECT_EQ(Play("open form\nclick 99\n"), 1);
    failCode = 0;
    EXPECT_EQ(Play("open form\nadvance soon\n"), 1);
    failCode = 0;
    EXPECT_EQ(Play("open form\nkey space\n"), 1);
}
