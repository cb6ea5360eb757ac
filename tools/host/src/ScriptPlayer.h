#pragma once
// Plays a small script against the running host so demos and end-to-end
// tests run unattended. A script is a regular file of at most 1 MiB; one
// command per line ('#' starts a comment):
//
//   open NAME                  open a plug-in page by library name
//   pick PLUGID                send message 1825 with PLUGID to the main window
//   click C                    click control C of the active window
//   type C TEXT                type TEXT into edit (or editable combo box) C
//   select C INDEX             pick item INDEX of combo box or list C
//   key esc|return             press a key in the active window
//   wait C TEXT [SECONDS]      wait until control C shows TEXT
//   waitnot C TEXT [SECONDS]   wait until control C shows anything else
//   waitvisible C [SECONDS]    wait until control C is shown
//   waithidden C [SECONDS]     wait until control C is hidden (or gone)
//   expect C TEXT              fail unless control C shows TEXT now
//   shot FILE                  write a PNG of the active window and its child dialogs
//   dump FILE                  write the state of every window as JSON (below)
//   advance MS                 move the program clock (or real time) forward
//   run SECONDS                let real time pass, also under --manual-clock
//   close                      send WM_CLOSE to the main window
//
// A control C is `ID` (the first visible control with that id in the active
// window, searching its visible child dialogs depth first in creation
// order), `T/ID` (control ID of the dialog made from template T, shown or
// not) and either with `#N` (the N-th such control); see ScriptTargets.h.
// TEXT `*` is any non-empty text; a TEXT that ends in a number, or has
// leading or trailing blanks, is written in double quotes ("5 Mbit/s").
// Waits give up after 10 s unless SECONDS says otherwise; under
// --manual-clock a wait moves the clock in 100 ms steps. A failed step prints
// its line, what was looked for and what the control showed, and ends the play.
//
// dump FILE writes one UTF-8 JSON document (texts converted from the
// system code page); extra keys may follow in later versions:
//   {"windows":[{"template":N,"text":S,"visible":B,"modal":B,"rect":[x,y,w,h],
//                "controls":[C,...]}]}
//   C = {"id":N,"dialog":T,"kind":K,"text":S,"visible":B,"enabled":B,"rect":[x,y,w,h]}
//       + "checked":B (buttons, check boxes), "pos":N,"range":[lo,hi] (progress
//       bars, pillars), "items":[[S,...],...] (list rows of cells), "items":[S,...]
//       and "selected":N (combo boxes), "scroll":[min,max,page,pos] (scroll bar)
//   K = static|picture|button|checkbox|edit|combobox|listctrl|progress|dialog;
//   a child dialog is a control of kind "dialog" whose id is its template, and
//   its controls follow it; "dialog" is the template of the dialog a control
//   belongs to; "visible" is true only when the control and every ancestor are
//   shown; "rect" is in the top-level window's client coordinates.
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
        // Lets one 100 ms wait step pass (the program clock under a manual
        // clock, else real time) and calls `fn`; without it, `later` is used.
        std::function<void(std::function<void()> fn)> waitStep;
        // Lets `ms` of real time pass, whatever the program clock, then calls `done`.
        std::function<void(int ms, std::function<void()> done)> realTime;
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
    // Ends a wait step: checked again after a step, or failed once `limitMs` has passed.
    bool KeepWaiting(long long limitMs, bool& proceed, std::string& error, const std::string& why);
    void Fail(const Step& step, const std::string& why);
    void Next();

    Hooks hooks_;
    HWND self_ = nullptr;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    long long waitedMs_ = 0;
    bool failed_ = false;
};

}  // namespace zeva::host
