// The script player against headless windows: every command, steps that
// act inside a modal dialog, and the failures a script reports.

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>

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
constexpr UINT kTwin = 8, kCheck = 9, kBar = 10, kList = 11;
constexpr UINT kInner = 9802;  // a child dialog of the form

class Form : public CImageDialog {
public:
    Form() : CImageDialog(kForm) {}
    int asked = -2;
    CImageDialog inner{kInner};

protected:
    BOOL OnInitDialog() override {
        CImageDialog::OnInitDialog();
        static_cast<CComboBox*>(GetDlgItem(kCombo))->AddString(Acp("甲"));
        static_cast<CComboBox*>(GetDlgItem(kCombo))->AddString(Acp("乙"));
        auto* list = static_cast<CListCtrl*>(GetDlgItem(kList));
        list->InsertColumn(0, "a");
        list->InsertColumn(1, "b");
        list->SetItemText(list->InsertItem(0, Acp("行")), 1, "1");
        static_cast<CProgressBar*>(GetDlgItem(kBar))->SetRange(0, 40);
        static_cast<CProgressBar*>(GetDlgItem(kBar))->SetPos(10);
        static_cast<CButton*>(GetDlgItem(kCheck))->SetCheck(1);
        inner.Create(kInner, this);
        inner.MoveWindow(20, 100, 100, 30);
        return 1;
    }
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
        t.controls = {
            {kEdit, ControlKind::Edit, 5, 5, 80, 12, "", 0, true},
            {kGo, ControlKind::Button, 90, 5, 40, 14, "go", 0, true},
            {kOut, ControlKind::Static, 5, 25, 150, 10, "", 0, true},
            {kCombo, ControlKind::ComboBox, 5, 40, 80, 50, "", 0, true},
            {kAsk, ControlKind::Button, 90, 40, 40, 14, "ask", 0, true},
            {kHidden, ControlKind::Button, 90, 60, 40, 14, "hidden", 0, false},
            {kTwin, ControlKind::Static, 5, 80, 20, 10, "twin-a", 0, true},
            {kTwin, ControlKind::Static, 30, 80, 20, 10, "twin-hidden", 0, false},
            {kTwin, ControlKind::Static, 55, 80, 20, 10, "twin-b", 0, true},
            {kCheck, ControlKind::CheckBox, 5, 95, 40, 10, "check", BS_AUTOCHECKBOX, true},
            {kBar, ControlKind::Progress, 50, 95, 40, 8, "", 0, true},
            {kList, ControlKind::ListCtrl, 100, 80, 90, 30, "", LVS_REPORT, true}};
        RegisterDialogTemplate(nullptr, t);
        DialogTemplate inner;
        inner.id = kInner;
        inner.cx = 60;
        inner.cy = 20;
        inner.style = WS_CHILD | WS_VISIBLE;
        inner.controls = {{kTwin, ControlKind::Static, 2, 2, 20, 8, "twin-inner", 0, true},
                          {kOut, ControlKind::Static, 24, 2, 20, 8, Acp("里面"), 0, false}};
        RegisterDialogTemplate(nullptr, inner);
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
        hooks.waitStep = [this](std::function<void()> fn) {
            ++waitSteps;
            clock.Advance(std::chrono::milliseconds(100));
            fn();
        };
        hooks.realTime = [this](int ms, std::function<void()> done) {
            realMs += ms;
            done();
        };
        hooks.fail = [this](int code) { failCode = code; };
        ScriptPlayer player(hooks);
        std::string error;
        if (!player.Load((dir / "s.txt").string(), error)) {
            loadError = error;
            return 2;
        }
        player.Start();
        // Pump; a "later" stands for a short real-time pause, here 100 ms of the clock.
        for (int round = 0; round < 2000 && !player.Finished() && failCode == 0; ++round) {
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
    int waitSteps = 0;
    int realMs = 0;
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

TEST_F(Script, ControlsAreAddressedByIdTemplateAndNumber) {
    ASSERT_EQ(Play("open form\n"
                   "expect 8 twin-a\n"
                   "# hidden twins are skipped; the child dialog's comes after the form's own\n"
                   "expect 8#2 twin-b\n"
                   "expect 8#3 twin-inner\n"
                   "expect 9802/8 twin-inner\n"
                   "# by template the hidden control is found too\n"
                   "expect 9801/8#2 twin-hidden\n"
                   "expect 9802/3 里面\n"
                   "waithidden 9802/3\n"
                   "# the visible control 3 is the form's, not the hidden one inside\n"
                   "expect 3 \"\"\n"
                   "close\n"),
              0);
    EXPECT_TRUE(closed);

    struct Case {
        const char* script;
        const char* says;
    };
    const Case cases[] = {
        {"open form\nexpect 8#4 x\n",
         "script line 2 (expect): no visible control 8 number 4 (8#4)"},
        {"open form\nclick 9802/3\n", "control 3 of dialog 9802 (9802/3) is hidden"},
        {"open form\nexpect 9999/8 x\n", "no control 8 of dialog 9999 (9999/8)"},
        {"open form\nclick 8#0\n", "not a control (ID, T/ID, ID#N): 8#0"},
        {"open form\nclick x/8\n", "not a control"},
        {"open form\nwaitvisible 9802/3 1\n", "(9802/3) still hidden after 1 s"},
    };
    for (const Case& c : cases) {
        failCode = 0;
        testing::internal::CaptureStderr();
        EXPECT_EQ(Play(c.script), 1) << c.script;
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find(c.says), std::string::npos) << c.script << "\n" << err;
    }
}

TEST_F(Script, WaitsStepTheClockAndFailWithWhatTheControlShows) {
    const auto start = clock.Now();
    ASSERT_EQ(Play("open form\n"
                   "type 1 张三\n"
                   "click 2\n"
                   "wait 3 你好，张三\n"
                   "wait 3 *\n"
                   "waitnot 3 nothing\n"
                   "run 1.5\n"
                   "close\n"),
              0);
    // The answer shows 300 ms after the click: three steps of 100 ms.
    EXPECT_EQ(waitSteps, 3);
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::milliseconds>(clock.Now() - start).count(),
              300);
    EXPECT_EQ(realMs, 1500) << "run lets real time pass, not the program clock";

    struct Case {
        const char* script;
        int steps;
        const char* says;
    };
    const Case cases[] = {
        // the default limit is 10 s, 100 steps
        {"open form\nwait 3 再见\n", 100,
         "script line 2 (wait): visible control 3 (3) shows '你好，张三', waiting for '再见' after "
         "10 s"},
        {"open form\ntype 1 李四\nclick 2\nwaitnot 3 * 2\n", 20,
         "shows '你好，李四', waiting for a text other than '*' after 2 s"},
        // a text that ends in a number is quoted; the limit follows
        {"open form\nwait 3 \"5 Mbit/s\" 0.5\n", 5, "waiting for '5 Mbit/s' after 0.5 s"},
        {"open form\nwait 42 x 1\n", 10, "no visible control 42 (42) in the active window"},
        {"open form\nwait 3 \"x\n", 0, "no closing quote"},
        {"open form\nwaitvisible 6 nope\n", 0, "not a number of seconds: nope"},
        {"open form\nrun soon\n", 0, "not a number of seconds: soon"},
    };
    for (const Case& c : cases) {
        failCode = 0;
        waitSteps = 0;
        testing::internal::CaptureStderr();
        EXPECT_EQ(Play(c.script), 1) << c.script;
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find(c.says), std::string::npos) << c.script << "\n" << err;
        EXPECT_EQ(waitSteps, c.steps) << c.script;
    }
}

TEST_F(Script, DumpWritesEveryWindowAndControlAsJson) {
    const auto file = dir / "sub" / "dump.json";
    ASSERT_EQ(Play("open form\nclick 5\ndump " + file.string() + "\nkey esc\n"), 0);
    const auto doc = nlohmann::json::parse(test::ReadFile(file));
    ASSERT_EQ(doc["windows"].size(), 2u) << doc.dump(1);
    const auto& page = doc["windows"][0];
    const auto& box = doc["windows"][1];
    EXPECT_EQ(page["template"], kForm);
    EXPECT_EQ(page["modal"], false);
    EXPECT_EQ(page["visible"], true);
    EXPECT_EQ(box["modal"], true) << "the box that was open while dumping";
    EXPECT_EQ(box["template"], kForm);

    std::map<std::string, nlohmann::json> byKey;  // "dialog/id#n"
    std::map<std::string, int> seen;
    std::vector<std::string> order;
    for (const auto& c : page["controls"]) {
        const std::string k =
            std::to_string(c["dialog"].get<int>()) + "/" + std::to_string(c["id"].get<int>());
        const std::string key = k + "#" + std::to_string(++seen[k]);
        byKey[key] = c;
        order.push_back(key);
    }
    EXPECT_EQ(byKey["9801/1#1"]["kind"], "edit");
    EXPECT_EQ(byKey["9801/6#1"]["visible"], false);
    EXPECT_EQ(byKey["9801/8#2"]["text"], "twin-hidden");
    EXPECT_EQ(byKey["9801/9#1"]["kind"], "checkbox");
    EXPECT_EQ(byKey["9801/9#1"]["checked"], true);
    EXPECT_EQ(byKey["9801/10#1"]["pos"], 10);
    EXPECT_EQ(byKey["9801/10#1"]["range"], nlohmann::json::parse("[0,40]"));
    EXPECT_EQ(byKey["9801/4#1"]["items"], nlohmann::json::parse(R"(["甲","乙"])"));
    EXPECT_EQ(byKey["9801/4#1"]["selected"], -1);
    EXPECT_EQ(byKey["9801/11#1"]["items"], nlohmann::json::parse(R"([["行","1"]])"));
    EXPECT_EQ(byKey["9801/2#1"]["enabled"], true);
    EXPECT_EQ(page["enabled"], false) << "the form is disabled under its box";
    // The child dialog is a control of kind dialog, its controls follow it,
    // and their rectangles are in the form's client coordinates.
    const auto& inner = byKey["9801/9802#1"];
    EXPECT_EQ(inner["kind"], "dialog");
    EXPECT_EQ(inner["rect"], nlohmann::json::parse("[20,100,100,30]"));
    const auto at = std::find(order.begin(), order.end(), "9801/9802#1") - order.begin();
    ASSERT_LT(at + 2, static_cast<long>(order.size()));
    EXPECT_EQ(order[static_cast<std::size_t>(at + 1)], "9802/8#1");
    EXPECT_EQ(order[static_cast<std::size_t>(at + 2)], "9802/3#1");
    const auto& hiddenInner = byKey["9802/3#1"];
    EXPECT_EQ(hiddenInner["text"], "里面");
    EXPECT_EQ(hiddenInner["visible"], false);
    const auto r = hiddenInner["rect"];
    CRect own = form.inner.GetDlgItem(kOut)->Rect();
    EXPECT_EQ(r, nlohmann::json::array({20 + own.left, 100 + own.top, own.Width(), own.Height()}));

    failCode = 0;
    EXPECT_EQ(Play("open form\ndump " + (dir / "no-such" / "x\x01/").string() + "\n"), 1);
}
