// ZEVAUpdate: the updater with a window. "-silent" runs the update engine
// without the dialog; "-t:<type>" and "-d:<folder>" choose a plug-in job.
// Windows are shown by the program's window system (on Linux Qt, offscreen
// with QT_QPA_PLATFORM=offscreen; on Windows the Win32 renderer).

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AppShell.h"
#include "DlgNotify.h"
#include "DlgUpdate.h"
#include "UpdateApp.h"
#include "UpdateResources.h"
#include "platform/AppPath.h"
#include "platform/ProgramArguments.h"

// Font and toolkit caches live until exit; leak checks of sanitizer builds
// are not about them.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libQt6\nleak:libglib\nleak:libfreetype\n";
}

namespace {

const char kUsage[] =
    "Usage: ZEVAUpdate [-silent] [-t:TYPE] [-d:FOLDER] [--screenshot DIR] [--answer ANSWER]\n"
    "\n"
    "Brings the installation in the application directory (ZEVA_APP_DIR) to the release\n"
    "on the update servers of Config.dat. Only one copy runs at a time.\n"
    "\n"
    "  -silent           no dialog: update, ask with the notification window, restart\n"
    "                    (any leading part, e.g. -s, is enough)\n"
    "  -t:TYPE           update type: 1 the main program (default), else a plug-in\n"
    "  -d:FOLDER         the plug-in's folder under the application directory\n"
    "  --screenshot DIR  write a PNG of the windows in each state\n"
    "  --answer ANSWER   answer the windows unattended: upgrade (press 立即升级, close\n"
    "                    when nothing is offered), close, yes or no (notification)\n"
    "\n"
    "Exit status: 0 (also when another copy is running), 2 bad arguments.\n";

const char* StateName(CDlgUpdate::State s) {
    switch (s) {
        case CDlgUpdate::State::Checking:
            return "checking";
        case CDlgUpdate::State::UpToDate:
            return "up-to-date";
        case CDlgUpdate::State::UpdateAvailable:
            return "update-available";
        case CDlgUpdate::State::Downloading:
            return "downloading";
        case CDlgUpdate::State::Failed:
            return "failed";
        case CDlgUpdate::State::Finished:
            return "finished";
    }
    return "state";
}

}  // namespace

int main(int rawArgc, char** rawArgv) {
    zeva::ProgramArguments programArgs(rawArgc, rawArgv);
    const int argc = programArgs.argc();
    char** argv = programArgs.argv();
    std::vector<std::string> args;
    std::string screenshotDir;
    std::string answer;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == "--screenshot" || a == "--answer") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "ZEVAUpdate: %s needs a value (see --help)\n", a.c_str());
                return 2;
            }
            (a == "--screenshot" ? screenshotDir : answer) = argv[++i];
            continue;
        }
        args.push_back(a);
    }
    if (!answer.empty() && answer != "upgrade" && answer != "close" && answer != "yes" &&
        answer != "no") {
        std::fprintf(stderr, "ZEVAUpdate: unknown answer %s (see --help)\n", answer.c_str());
        return 2;
    }

    std::unique_ptr<zeva::ui::AppShell> shell;
    auto shot = [&](CWnd& wnd, const std::string& name) {
        if (screenshotDir.empty() || !shell) return;
        const std::string path =
            zeva::Utf8Path(zeva::PathFromUtf8(screenshotDir) / zeva::PathFromUtf8(name));
        if (!shell->Screenshot(wnd, path))
            std::fprintf(stderr, "ZEVAUpdate: cannot write %s\n", path.c_str());
    };
    // On the window thread once the loop runs: the dialog is up by then.
    auto soon = [&](int ms, std::function<void()> fn) { shell->Later(ms, std::move(fn)); };

    zeva::wizard::CUpdateApp::Environment env;
    env.ensureWindows = [&]() {
        if (shell) return true;
        if (!zeva::ui::AppShell::Available()) return false;
        shell = std::make_unique<zeva::ui::AppShell>(argv[0]);
        return true;
    };
    env.prepareDialog = [&](CDlgUpdate& dlg) {
        dlg.SetStateListener([&](CDlgUpdate& d, CDlgUpdate::State state) {
            if (state == CDlgUpdate::State::Checking) {
                // The window is up while the server is asked; pictured unless the answer came
                // first.
                soon(0, [&d, &shot] {
                    if (d.GetState() == CDlgUpdate::State::Checking) shot(d, "update-checking.png");
                });
                return;
            }
            const std::string name = std::string("update-") + StateName(state) + ".png";
            auto act = [&d, state, name, &shot, &answer] {
                shot(d, name);
                const bool offered = state == CDlgUpdate::State::UpdateAvailable;
                const bool settled =
                    state == CDlgUpdate::State::UpToDate || state == CDlgUpdate::State::Failed;
                UINT press = 0;
                if (answer == "close" && (offered || settled)) press = zeva::wizard::IDC_CLOSE;
                if (answer == "upgrade" && offered) press = zeva::wizard::IDC_UPGRADE;
                if (answer == "upgrade" && settled) press = zeva::wizard::IDC_CLOSE;
                if (press != 0) d.PostMessage(zeva::WM_COMMAND, zeva::MAKEWPARAM(press, 0), 0);
            };
            // States reached while the window opens are pictured once it shows.
            if (d.IsRendered()) {
                act();
            } else {
                soon(0, act);
            }
            if (state == CDlgUpdate::State::Downloading) {
                // A second picture once the bar has moved, if the download takes that long.
                soon(1500, [&d, name, &shot] {
                    if (d.GetState() == CDlgUpdate::State::Downloading) shot(d, name);
                });
            }
        });
    };
    env.prepareNotify = [&](CDlgNotify& dlg) {
        soon(0, [&dlg, &shot, &answer] {
            shot(dlg, "update-notify.png");
            UINT press = 0;
            if (answer == "yes") press = zeva::wizard::IDC_NOTIFY_NOW;
            if (answer == "no" || answer == "close") press = zeva::wizard::IDC_NOTIFY_LATER;
            if (press != 0) dlg.PostMessage(zeva::WM_COMMAND, zeva::MAKEWPARAM(press, 0), 0);
        });
    };

    {
        zeva::wizard::CUpdateApp app(env);
        app.InitInstance(args);
    }
    shell.reset();
    return 0;
}
