#pragma once
// Plays a small script against the running host so demos and end-to-end
// tests run unattended. One command per line ('#' starts a comment):
//
//   open NAME          open a plug-in page by library name
//   pick PLUGID        send message 1825 with PLUGID to the main window
//   click ID           click control ID of the active window
//   type ID TEXT       type TEXT into edit ID
//   select ID INDEX    pick item INDEX of combo box or list ID
//   key esc|return     press a key in the active window
//   wait ID TEXT       wait (up to 10 s) until control ID shows TEXT
//   expect ID TEXT     fail unless control ID shows TEXT now
//   shot FILE          write a PNG of the active window
//   advance MS         move the program clock (or real time) forward
//   close              send WM_CLOSE to the main window
//
// Each step runs as a message on the UI thread, so a step that opens a
// modal dialog lets the next steps act inside it. Texts are UTF-8.

#include <functional>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

class CWnd;

namespace zeva::host {

class ScriptPlayer {
public:
    struct Hooks {
        std::function<bool(const std::string& name)> open;
        HWND mainWindow = nullptr;
        std::function<bool(CWnd& top, const std::string& path)> screenshot;
        // Moves time forward and calls `done` afterwards.
        std::function<void(int ms, std::function<void()> done)> advance;
        // Calls `fn` again after a short real-time pause (for waits).
        std::function<void(std::function<void()> fn)> later;
        std::function<void(int exitCode)> fail;
    };

    explicit ScriptPlayer(Hooks hooks);
    ~ScriptPlayer();
    ScriptPlayer(const ScriptPlayer&) = delete;
    ScriptPlayer& operator=(const ScriptPlayer&) = delete;

    // Reads and checks the script; false with `error` for unknown commands.
    bool Load(const std::string& path, std::string& error);
    // Queues the first step.
    void Start();
    bool Finished() const { return next_ >= steps_.size(); }
    bool Failed() const { return failed_; }

private:
    struct Step {
        int line = 0;
        std::string command;
        std::string arg1;
        std::string rest;
    };
    void Run();
    bool Execute(const Step& step, bool& again, std::string& error);
    void Fail(const Step& step, const std::string& why);
    void Next();

    Hooks hooks_;
    HWND self_ = nullptr;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    long long waitDeadlineMs_ = 0;
    bool failed_ = false;
};

}  // namespace zeva::host
