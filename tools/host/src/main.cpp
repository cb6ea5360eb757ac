// ZEVAClient: the host program. Shows the main window (class "ZEVACLIENT"),
// loads plug-ins from the application directory, opens their pages and, with
// a script, drives them unattended (on Linux offscreen with
// QT_QPA_PLATFORM=offscreen).

#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AppShell.h"
#include "DlgHostMain.h"
#include "PluginLoader.h"
#include "Renderer.h"
#include "ScriptPlayer.h"
#include "platform/AppPath.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/ProgramArguments.h"
#include "platform/Shell.h"
#include "platform/WindowFinder.h"

// Font and toolkit caches live until exit; leak checks of sanitizer builds
// are not about them.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libQt6\nleak:libglib\nleak:libfreetype\n";
}

namespace {

const char kUsage[] =
    "Usage: ZEVAClient [-AutoRun] [--open NAME]... [--script FILE] [--screenshot DIR]\n"
    "                  [--manual-clock] [--timeout SECONDS]\n"
    "\n"
    "Shows the client's main window and hosts the plug-ins found in the \"plug\" and\n"
    "\"ProvincePlug\" folders of the application directory (ZEVA_APP_DIR).\n"
    "\n"
    "  -AutoRun            started by the updater after an update\n"
    "  --open NAME         open a plug-in page at start (library file name)\n"
    "  --script FILE       play a script of user actions (see tools/host/src/ScriptPlayer.h)\n"
    "  --screenshot DIR    write a PNG of every window when it first shows\n"
    "  --manual-clock      timers run only when the script advances time\n"
    "  --timeout SECONDS   give up (exit 3) if still running after this long\n"
    "\n"
    "ZEVA_CLIENT_OPTIONS in the environment holds options read before the command\n"
    "line's (split like a command line), so a client started by an updater can be\n"
    "given a script.\n"
    "\n"
    "Exit status: 0 closed normally, 1 script failed, 2 bad arguments, 3 timed out,\n"
    "4 a screenshot could not be written.\n";

struct Options {
    bool autoRun = false;
    std::vector<std::string> open;
    std::string script;
    std::string screenshotDir;
    bool manualClock = false;
    int timeoutSeconds = 0;
};

// Whether `a` and `b` are the same text but for the case of ASCII letters.
bool SameLetters(const std::string& a, const char* b) {
    const std::string other = b;
    if (a.size() != other.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(other[i]);
        if (std::tolower(x) != std::tolower(y)) return false;
    }
    return true;
}

bool Parse(const std::vector<std::string>& args, Options& o, std::string& error) {
    const size_t argc = args.size();
    for (size_t i = 0; i < argc; ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                error = a + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string v;
        if (SameLetters(a, "-AutoRun")) {
            o.autoRun = true;
        } else if (a == "--open") {
            if (!value(v)) return false;
            o.open.push_back(v);
        } else if (a == "--script") {
            if (!value(o.script)) return false;
        } else if (a == "--screenshot") {
            if (!value(o.screenshotDir)) return false;
        } else if (a == "--manual-clock") {
            o.manualClock = true;
        } else if (a == "--timeout") {
            if (!value(v)) return false;
            o.timeoutSeconds = std::atoi(v.c_str());
            if (o.timeoutSeconds <= 0) {
                error = "--timeout needs a positive number of seconds";
                return false;
            }
        } else {
            error = "unknown argument " + a;
            return false;
        }
    }
    return true;
}

// Ends the process with status 3 once the time limit has passed, whatever
// the window thread is doing: a page busy filling a long list, or a script
// still being read, must not outlive --timeout. The window thread is asked
// first, so a host that can still answer closes its pages on the way out.
class Watchdog {
public:
    explicit Watchdog(int seconds) : limit_(std::chrono::seconds(seconds)) {
        if (seconds > 0) thread_ = std::thread([this] { Run(); });
    }
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    // Time the window thread gets to wind down after the limit.
    static constexpr std::chrono::seconds kGrace{3};

    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        if (wake_.wait_for(lock, limit_ + kGrace, [this] { return done_; })) return;
        std::fputs("ZEVAClient: timed out\n", stderr);
        std::fflush(stderr);
        std::fflush(stdout);
        std::_Exit(3);
    }

    std::chrono::seconds limit_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_;
};

// Whether pictures can be written into `dir` (UTF-8; made when missing): a
// file is made there and removed again.
bool ScreenshotDirUsable(const std::string& dir, std::string& error) {
    const std::filesystem::path path = zeva::PathFromUtf8(dir);
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (!std::filesystem::is_directory(path, ec)) {
        error = "cannot write screenshots to " + dir + ": not a folder that can be made";
        return false;
    }
    const std::filesystem::path probe = path / ".zeva-write-test";
    std::FILE* f = nullptr;
#if defined(_WIN32)
    f = _wfopen(probe.c_str(), L"wb");
#else
    f = std::fopen(probe.c_str(), "wb");
#endif
    if (f == nullptr) {
        error = "cannot write screenshots to " + dir + ": " + std::strerror(errno);
        return false;
    }
    std::fclose(f);
    std::filesystem::remove(probe, ec);
    return true;
}

}  // namespace

int main(int rawArgc, char** rawArgv) {
    zeva::ProgramArguments programArgs(rawArgc, rawArgv);
    const int argc = programArgs.argc();
    char** argv = programArgs.argv();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    std::vector<std::string> args;
    if (const auto extra = zeva::EnvironmentVariable("ZEVA_CLIENT_OPTIONS"))
        args = zeva::SplitCommandLine(*extra);
    args.insert(args.end(), argv + 1, argv + argc);
    Options options;
    std::string error;
    if (!Parse(args, options, error)) {
        std::fprintf(stderr, "ZEVAClient: %s (see --help)\n", error.c_str());
        return 2;
    }

    if (!options.screenshotDir.empty() && !ScreenshotDirUsable(options.screenshotDir, error)) {
        std::fprintf(stderr, "ZEVAClient: %s\n", error.c_str());
        return 4;
    }
    const Watchdog watchdog(options.timeoutSeconds);

    zeva::ManualClock manualClock;
    if (options.manualClock) zeva::SetClock(&manualClock);
    int exitCode = 0;
    {
        zeva::ui::AppShell shell(argv[0]);
        if (!options.screenshotDir.empty()) shell.SetScreenshotDir(options.screenshotDir);
        zeva::host::PluginLoader loader;
        CDlgHostMain main(loader, options.autoRun);
        if (!main.Create(zeva::host::kMainTemplate)) {
            std::fprintf(stderr, "ZEVAClient: cannot create the main window\n");
            return 1;
        }
        zeva::RegisterWindowClassName(main.GetSafeHwnd(), zeva::plug::kHostWindowClass);
        main.ShowWindow(SW_SHOW);
        for (const std::string& name : options.open) main.OpenPlugin(zeva::Utf8ToAcp(name));

        std::unique_ptr<zeva::host::ScriptPlayer> player;
        if (!options.script.empty()) {
            zeva::host::ScriptPlayer::Hooks hooks;
            hooks.open = [&main](const std::string& name) { return main.OpenPlugin(name); };
            hooks.mainWindow = main.GetSafeHwnd();
            hooks.screenshot = [&shell](CWnd& top, const std::string& path) {
                return shell.Screenshot(top, path);
            };
            hooks.advance = [&](int ms, std::function<void()> done) {
                if (options.manualClock) {
                    manualClock.Advance(std::chrono::milliseconds(ms));
                    done();
                } else {
                    shell.Later(ms, std::move(done));
                }
            };
            hooks.later = [&shell](std::function<void()> fn) { shell.Later(20, std::move(fn)); };
            hooks.waitStep = [&](std::function<void()> fn) {
                if (options.manualClock) {
                    // The program's time moves; a little real time lets worker threads answer.
                    manualClock.Advance(std::chrono::milliseconds(100));
                    shell.Later(5, std::move(fn));
                } else {
                    shell.Later(100, std::move(fn));
                }
            };
            hooks.realTime = [&shell](int ms, std::function<void()> done) {
                shell.Later(ms, std::move(done));
            };
            hooks.fail = [](int code) { zeva::PostQuitMessage(code); };
            player = std::make_unique<zeva::host::ScriptPlayer>(std::move(hooks));
            if (!player->Load(options.script, error)) {
                std::fprintf(stderr, "ZEVAClient: %s\n", error.c_str());
                zeva::UnregisterWindowClassName(main.GetSafeHwnd());
                return 2;
            }
            player->Start();
        }
        if (options.timeoutSeconds > 0) {
            shell.Later(options.timeoutSeconds * 1000, [&shell] {
                std::fprintf(stderr, "ZEVAClient: timed out\n");
                shell.Exit(3);
            });
        }
        exitCode = shell.Run();
        zeva::UnregisterWindowClassName(main.GetSafeHwnd());
        player.reset();
        // Pages still open go now, with their timers, while the program clock
        // and the renderer exist: a library that is not unloaded at once
        // destroys its static page only at exit.
        for (bool more = true; more;) {
            more = false;
            for (CWnd* top : zeva::ui::TopLevelWindows()) {
                if (top == &main) continue;
                top->DestroyWindow();  // may take others with it: look again
                more = true;
                break;
            }
        }
        main.DestroyWindow();
        // The pages are statics of their libraries: they go while the renderer still exists.
        loader.UnloadAll();
        if (shell.ScreenshotFailures() > 0 && exitCode == 0) {
            std::fprintf(stderr, "ZEVAClient: %d screenshot(s) could not be written\n",
                         shell.ScreenshotFailures());
            exitCode = 4;
        }
    }
    zeva::SetClock(nullptr);
    return exitCode;
}
