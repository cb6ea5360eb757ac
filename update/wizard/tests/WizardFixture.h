#pragma once
// The update dialog against a release on an in-process HTTP server, shown
// through the headless renderer on a manual clock.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>

#include "DlgUpdate.h"
#include "HeadlessRenderer.h"
#include "UpdateResources.h"
#include "platform/Clock.h"
#if defined(_WIN32)
// The test server's header brings windows.h: the model's names come first,
// and the system's macros that would rewrite them go.
#include "UiSkinWindows.h"
#undef IDC_ICON
#endif
#include "UpdateFixture.h"

namespace zeva::test {

// What the dialog showed when it entered a state.
struct StateView {
    std::string headline;
    std::string version;
    std::set<UINT> visible;
    UINT icon = 0;
    UINT banner = 0;
    bool rendered = false;
};

inline const std::vector<UINT>& UpdateDialogControls() {
    using namespace zeva::wizard;
    static const std::vector<UINT> ids = {
        IDC_TITLE,     IDC_CLOSE_CROSS, IDC_BANNER,   IDC_ICON,    IDC_HEADLINE, IDC_VERSION,
        IDC_UPDATABLE, IDC_QUESTION,    IDC_PROGRESS, IDC_UPGRADE, IDC_CLOSE};
    return ids;
}

class WizardFixture : public UpdateFixture {
protected:
    ScopedEnv runtimeEnv{"XDG_RUNTIME_DIR", (root / "run").string()};
    ManualClock clock;
    ScopedClock scopedClock{clock};
    ui::HeadlessDriver driver;
    std::map<CDlgUpdate::State, StateView> seen;
    std::vector<CDlgUpdate::State> order;

    void Watch(CDlgUpdate& dlg) {
        dlg.SetStateListener([this](CDlgUpdate& d, CDlgUpdate::State s) {
            StateView v;
            v.headline = d.GetDlgItemText(static_cast<int>(wizard::IDC_HEADLINE));
            v.version = d.GetDlgItemText(static_cast<int>(wizard::IDC_VERSION));
            for (UINT id : UpdateDialogControls()) {
                if (d.GetDlgItem(static_cast<int>(id))->IsVisibleFlag()) v.visible.insert(id);
            }
            v.icon = d.GetDlgItem(static_cast<int>(wizard::IDC_ICON))->Image().resourceId;
            v.banner = d.GetDlgItem(static_cast<int>(wizard::IDC_BANNER))->Image().resourceId;
            v.rendered = d.IsRendered();
            seen[s] = v;
            order.push_back(s);
        });
    }

    // Pumps this thread's messages until `done` or a generous real-time limit
    // (the worker is a real thread talking to a real server).
    bool WaitFor(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            driver.Pump();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        driver.Pump();
        return true;
    }

    // Pumps until the check that starts with the window has answered.
    bool WaitForCheck(CDlgUpdate& d) {
        return WaitFor([&] { return d.GetState() != CDlgUpdate::State::Checking || d.IsEnded(); });
    }

    // Runs the dialog; `act` plays the user once it shows and has checked.
    int Run(CDlgUpdate& dlg, std::function<void(CDlgUpdate&)> act) {
        Watch(dlg);
        driver.AnswerNextModal([this, act](CImageDialog& d) {
            auto& u = static_cast<CDlgUpdate&>(d);
            EXPECT_TRUE(WaitForCheck(u));
            act(u);
        });
        return static_cast<int>(dlg.DoModal());
    }

    std::set<UINT> Ids(std::initializer_list<UINT> ids) { return std::set<UINT>(ids); }

    void SetUp() override {
        UpdateFixture::SetUp();
        // Locks and window registrations of every process of the test live here.
        std::filesystem::create_directories(root / "run");
        std::filesystem::permissions(root / "run", std::filesystem::perms::owner_all);
    }
};

}  // namespace zeva::test
