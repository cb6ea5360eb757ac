#include "ScriptPlayer.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Controls.h"
#include "Input.h"
#include "PlugContract.h"
#include "Renderer.h"
#include "ScriptTargets.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"
#include "platform/RegularFile.h"

namespace zeva::host {

namespace {

constexpr UINT kStepMessage = WM_USER + 0x100;
constexpr long long kWaitMs = 10000;
constexpr int kWaitStepMs = 100;
constexpr std::uintmax_t kMaxScriptBytes = 1u << 20;

bool ParseInt(const std::string& s, int& out) {
    try {
        std::size_t used = 0;
        out = std::stoi(s, &used, 0);
        return used == s.size();
    } catch (...) {
        return false;
    }
}

// Seconds as written in a script ("10", "2.5"), in milliseconds.
bool ParseSeconds(const std::string& s, long long& ms) {
    if (s.empty() || s.find_first_not_of("0123456789.") != std::string::npos) return false;
    try {
        std::size_t used = 0;
        const double v = std::stod(s, &used);
        if (used != s.size() || v < 0 || v > 86400) return false;
        ms = static_cast<long long>(v * 1000.0 + 0.5);
        return true;
    } catch (...) {
        return false;
    }
}

// "TEXT [SECONDS]": the text (unquoted) and the limit, if one is given.
bool SplitTextAndLimit(const std::string& rest, std::string& text, long long& limitMs,
                       std::string& error) {
    limitMs = kWaitMs;
    if (!rest.empty() && rest.front() == '"') {
        const auto close = rest.find('"', 1);
        if (close == std::string::npos) {
            error = "no closing quote in " + rest;
            return false;
        }
        text = rest.substr(1, close - 1);
        std::string tail = rest.substr(close + 1);
        const auto first = tail.find_first_not_of(" \t");
        tail = first == std::string::npos ? std::string() : tail.substr(first);
        if (!tail.empty() && !ParseSeconds(tail, limitMs)) {
            error = "not a number of seconds: " + tail;
            return false;
        }
        return true;
    }
    text = rest;
    const auto blank = rest.find_last_of(" \t");
    long long ms = 0;
    if (blank != std::string::npos && ParseSeconds(rest.substr(blank + 1), ms)) {
        limitMs = ms;
        text = rest.substr(0, rest.find_last_not_of(" \t", blank) + 1);
    }
    return true;
}

// "*" is any non-empty text.
bool Shows(const std::string& acpText, const std::string& wantAcp) {
    return wantAcp == "*" ? !acpText.empty() : acpText == wantAcp;
}

std::string Quoted(const std::string& acpText) {
    return "'" + AcpToUtf8(acpText) + "'";
}

const char* const kCommands[] = {"open", "pick",    "click",       "type",       "select", "key",
                                 "wait", "waitnot", "waitvisible", "waithidden", "expect", "shot",
                                 "dump", "advance", "run",         "close"};

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
    std::string why;
    const auto text = ReadRegularFile(PathFromUtf8(path), kMaxScriptBytes, &why);
    if (!text) {
        error = why.find("larger than") != std::string::npos
                    ? "script " + path + " is larger than 1 MiB"
                    : "cannot read script: " + why;
        return false;
    }
    std::istringstream in(*text);
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
    waitedMs_ = 0;
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

bool ScriptPlayer::KeepWaiting(long long limitMs, bool& proceed, std::string& error,
                               const std::string& why) {
    if (waitedMs_ >= limitMs) {
        char limit[32];
        std::snprintf(limit, sizeof limit, "%g", static_cast<double>(limitMs) / 1000.0);
        error = why + " after " + limit + " s";
        return false;
    }
    waitedMs_ += kWaitStepMs;
    proceed = false;
    auto again = [this] { PostMessage(self_, kStepMessage, 0, 0); };
    if (hooks_.waitStep) {
        hooks_.waitStep(again);
    } else {
        hooks_.later(again);
    }
    return true;
}

bool ScriptPlayer::Execute(const Step& s, bool& proceed, std::string& error) {
    proceed = true;
    CWnd* active = ui::ActiveWindow();
    ControlSpec spec;
    // The control the step names, or null with `error` saying what was looked for.
    auto control = [&]() -> CWnd* {
        if (!ParseControlSpec(s.arg1, spec, error)) return nullptr;
        if (!active) {
            error = "no window is open (looked for " + Describe(spec) + ")";
            return nullptr;
        }
        CWnd* c = FindControl(*active, spec);
        if (!c) {
            const UINT t = active->Kind() == ui::ControlKind::Dialog
                               ? static_cast<CImageDialog*>(active)->TemplateId()
                               : active->GetDlgCtrlID();
            error = "no " + Describe(spec) + " in the active window (template " +
                    std::to_string(t) + ")";
        }
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
    if (s.command == "dump") {
        std::error_code ec;
        const std::filesystem::path file = PathFromUtf8(s.arg1);
        if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << DumpWindowsJson();
        out.close();
        if (!out) error = "cannot write " + s.arg1;
        return error.empty();
    }
    if (s.command == "advance" || s.command == "run") {
        int ms = 0;
        long long runMs = 0;
        const bool run = s.command == "run";
        if (run ? !ParseSeconds(s.arg1, runMs) : (!ParseInt(s.arg1, ms) || ms < 0)) {
            error = std::string(run ? "not a number of seconds: " : "not a duration: ") + s.arg1;
            return false;
        }
        proceed = false;
        auto done = [this] {
            const Step& step = steps_[next_];
            std::printf("step %d: %s %s\n", step.line, step.command.c_str(), step.arg1.c_str());
            std::fflush(stdout);
            Next();
        };
        if (!run) {
            hooks_.advance(ms, done);
        } else if (hooks_.realTime) {
            hooks_.realTime(static_cast<int>(runMs), done);
        } else {
            hooks_.advance(static_cast<int>(runMs), done);
        }
        return true;
    }
    const bool waits = s.command.rfind("wait", 0) == 0;
    if (s.command == "waitvisible" || s.command == "waithidden") {
        long long limitMs = kWaitMs;
        if (!s.rest.empty() && !ParseSeconds(s.rest, limitMs)) {
            error = "not a number of seconds: " + s.rest;
            return false;
        }
        if (!ParseControlSpec(s.arg1, spec, error)) return false;
        CWnd* c = active ? FindControl(*active, spec) : nullptr;
        const bool shown = c && c->IsWindowVisible();
        if (shown == (s.command == "waitvisible")) return true;
        return KeepWaiting(
            limitMs, proceed, error,
            Describe(spec) + (c ? (shown ? " still shown" : " still hidden") : " not found"));
    }
    if (waits) {
        std::string text;
        long long limitMs = kWaitMs;
        if (!SplitTextAndLimit(s.rest, text, limitMs, error)) return false;
        if (!ParseControlSpec(s.arg1, spec, error)) return false;
        const std::string want = Utf8ToAcp(text);
        CWnd* c = active ? FindControl(*active, spec) : nullptr;
        const bool negate = s.command == "waitnot";
        if (c && Shows(c->GetWindowText(), want) != negate) return true;
        std::string why;
        if (!c) {
            why = "no " + Describe(spec) + " in the active window, waiting for " +
                  (negate ? "a text other than '" : "'") + text + "'";
        } else {
            why = Describe(spec) + " shows " + Quoted(c->GetWindowText()) +
                  (negate ? ", waiting for a text other than '" : ", waiting for '") + text + "'";
        }
        return KeepWaiting(limitMs, proceed, error, why);
    }
    CWnd* c = control();
    if (!c) return false;
    if (s.command == "click") {
        if (!c->IsWindowVisible() || !c->IsWindowEnabled()) {
            error = Describe(spec) + " is hidden or disabled";
            return false;
        }
        ui::input::Click(*c);
        return true;
    }
    if (s.command == "type") {
        const auto* combo = dynamic_cast<CComboBox*>(c);
        if (c->Kind() != ui::ControlKind::Edit && !(combo && combo->IsEditable())) {
            error = Describe(spec) + " is not an edit";
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
    // expect
    std::string text = s.rest;
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    if (!Shows(c->GetWindowText(), Utf8ToAcp(text)))
        error =
            Describe(spec) + " shows " + Quoted(c->GetWindowText()) + ", expected '" + text + "'";
    return error.empty();
}

}  // namespace zeva::host
