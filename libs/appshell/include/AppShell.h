#pragma once
// The window system of a program with skinned windows, chosen per system in
// this one place: Qt's event loop and renderer on Linux, the Windows message
// loop and the Win32 renderer on Windows. The programs (the host, the
// updater with a window) see only this: a renderer, time on the window
// thread, a loop and its end.

#include <functional>
#include <memory>
#include <string>

class CWnd;

namespace zeva::ui {

class AppShell {
public:
    // Whether windows can be shown here: a display (or Qt's offscreen
    // platform) on Linux; always on Windows.
    static bool Available();

    // On the UI thread, once per program; installs the renderer.
    explicit AppShell(const char* argv0);
    ~AppShell();
    AppShell(const AppShell&) = delete;
    AppShell& operator=(const AppShell&) = delete;

    // Every top-level window is saved as a PNG in `dir` (UTF-8) when it first shows.
    void SetScreenshotDir(const std::string& dir);
    bool Screenshot(CWnd& top, const std::string& pngPath);
    // Pictures that could not be written.
    int ScreenshotFailures() const;

    // Calls `fn` on the UI thread once `ms` of real time have passed (not
    // the program's clock, which a script may hold still).
    void Later(int ms, std::function<void()> fn);
    // Runs the UI thread's loop until the message layer's PostQuitMessage or
    // Exit; returns the exit code.
    int Run();
    // Ends Run with `code`; on the UI thread.
    void Exit(int code);

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace zeva::ui
