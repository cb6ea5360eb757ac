#include "ScriptPlayer.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "Controls.h"
#include "Input.h"
#include "PlugContract.h"
#include "Renderer.h"
#include "platform/CodePage.h"

namespace zeva::host {

namespace {

constexpr UINT kStepMessage = WM_USER + 0x100;
constexpr long long kWaitMs = 10000;

long long SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool ParseInt(const std::string& s, int& out) {
    try {
        std::size_t used = 0;
        out = std::stoi(s, &used, 0);
        return used == s.size();
    } catch (...) {
        return false;
    }
}

const char* const kCommands[] = {"open", "pick",   "click", "type",    "select", "key",
                                 "wait", "expect", "shot",  "advance", "close"};

}  // namespace

ScriptPlayer::ScriptPlayer(Hooks hooks) : hooks_(std::move(hooks)) {
    self_ = CreateWindowHandle([this](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == kStepMessage) Run();
        return 0;
    });
}

ScriptPlayer::~ScriptPlayer() {
    DestroyWindowHandle(self_);
}

bool ScriptPlayer::Load(const std::string& path, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read script " + path;
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        std::istringstream words(line.substr(first));
        Step s;
        s.line = number;
        words >> s.command >> s.arg1;
        std::getline(words, s.rest);
        if (const auto p = s.rest.find_first_not_of(" \t"); p != std::string::npos) {
            s.rest.erase(0, p);
        } else {
            s.rest.clear();
        }
        bool known = false;
        for (const char* c : kCommands) known = known || s.command == c;
        if (!known) {
            error = path + ":" + std::to_string(number) + ": unknown command '" + s.command + "'";
            return false;
        }
        steps_.push_back(std::move(s));
    }
    return true;
}

void ScriptPlayer::Start() {
    PostMessage(self_, kStepMessage, 0, 0);
}

void ScriptPlayer::Next() {
    ++next_;
    waitDeadlineMs_ = 0;
    PostMessage(self_, kStepMessage, 0, 0);
}

void ScriptPlayer::Fail(const Step& step, const std::string& why) {
    failed_ = true;
    std::fprintf(stderr, "script line %d (%s): %s\n", step.line, step.command.c_str(), why.c_str());
    hooks_.fail(1);
}

void ScriptPlayer::Run() {
    if (failed_ || Finished()) return;
    // Act like a user: nothing happens until a closing dialog is really gone.
    if (ui::ModalClosing()) {
        hooks_.later([this] { PostMessage(self_, kStepMessage, 0, 0); });
        return;
    }
    const Step& step = steps_[next_];
    bool again = false;
    std::string error;
    if (!Execute(step, again, error)) {
        Fail(step, error);
        return;
    }
    if (!again) return;  // the step continues by itself (advance)
    std::printf("step %d: %s %s %s\n", step.line, step.command.c_str(), step.arg1.c_str(),
                step.rest.c_str());
    std::fflush(stdout);
    Next();
}

bool ScriptPlayer::Execute(const Step& s, bool& proceed, std::string& error) {
    proceed = true;
    CWnd* active = ui::ActiveWindow();
    int id = 0;
    auto control = [&]() -> CWnd* {
        if (!ParseInt(s.arg1, id)) {
            error = "not a control id: " + s.arg1;
            return nullptr;
        }
        if (!active) {
            error = "no window is open";
            return nullptr;
        }
        CWnd* c = ui::FindControl(*active, static_cast<UINT>(id));
        if (!c) error = "no control " + s.arg1 + " in the active window";
        return c;
    };

    if (s.command == "open") {
        if (!hooks_.open(Utf8ToAcp(s.arg1))) error = "cannot open " + s.arg1;
        return error.empty();
    }
    if (s.command == "pick") {
        const std::string plugId = Utf8ToAcp(s.arg1);
        if (!SendMessage(hooks_.mainWindow, plug::kMsgOpenTool,
                         reinterpret_cast<WPARAM>(plugId.c_str()), 0)) {
            error = "the host did not open tool " + s.arg1;
        }
        return error.empty();
    }
    if (s.command == "close") {
        PostMessage(hooks_.mainWindow, WM_CLOSE, 0, 0);
        return true;
    }
    if (s.command == "key") {
        if (!active) {
            error = "no window is open";
            return false;
        }
        if (s.arg1 != "esc" && s.arg1 != "return") {
            error = "key is esc or return";
            return false;
        }
        ui::input::KeyDown(*active, s.arg1 == "esc" ? VK_ESCAPE : VK_RETURN);
        return true;
    }
    if (s.command == "shot") {
        if (!active || !hooks_.screenshot(*active, s.arg1)) error = "cannot write " + s.arg1;
        return error.empty();
    }
    if (s.command == "advance") {
        int ms = 0;
        if (!ParseInt(s.arg1, ms) || ms < 0) {
            error = "not a duration: " + s.arg1;
            return false;
        }
        proceed = false;
        hooks_.advance(ms, [this] {
            const Step& step = steps_[next_];
            std::printf("step %d: advance %s\n", step.line, step.arg1.c_str());
            std::fflush(stdout);
            Next();
        });
        return true;
    }
    CWnd* c = control();
    if (!c) return false;
    if (s.command == "click") {
        if (!c->IsWindowVisible() || !c->IsWindowEnabled()) {
            error = "control " + s.arg1 + " is hidden or disabled";
            return false;
        }
        ui::input::Click(*c);
        return true;
    }
    if (s.command == "type") {
        const auto* combo = dynamic_cast<CComboBox*>(c);
        if (c->Kind() != ui::ControlKind::Edit && !(combo && combo->IsEditable())) {
            error = "control " + s.arg1 + " is not an edit";
            return false;
        }
        ui::input::Type(*c, Utf8ToAcp(s.rest));
        return true;
    }
    if (s.command == "select") {
        int index = 0;
        if (!ParseInt(s.rest, index)) {
            error = "not an index: " + s.rest;
            return false;
        }
        ui::input::PickItem(*c, index);
        return true;
    }
    const std::string want = Utf8ToAcp(s.rest);
    if (s.command == "expect") {
        if (c->GetWindowText() != want)
            error = "control shows '" + AcpToUtf8(c->GetWindowText()) + "'";
        return error.empty();
    }
    // wait: check again shortly until the text shows or the time is up.
    if (c->GetWindowText() == want) return true;
    if (waitDeadlineMs_ == 0) waitDeadlineMs_ = SteadyMs() + kWaitMs;
    if (SteadyMs() > waitDeadlineMs_) {
        error = "control still shows '" + AcpToUtf8(c->GetWindowText()) + "'";
        return false;
    }
    proceed = false;
    hooks_.later([this] { PostMessage(self_, kStepMessage, 0, 0); });
    return true;
}

}  // namespace zeva::host
