#pragma once
// The updater program: one copy at a time, then either the silent run of
// the update engine (main program or plug-in job) or the update dialog.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "platform/NamedMutex.h"
#include "platform/WinTypes.h"

class CDlgUpdate;
class CDlgNotify;

namespace zeva {
class IUpdateHost;
}

namespace zeva::wizard {

inline constexpr char kInstanceMutex[] = "WIN32.ZAEVUpdateWizard.Instance.Once";

class CUpdateApp {
public:
    enum class Outcome { NotRun, AlreadyRunning, Silent, Dialog, NoWindows };

    struct Environment {
        // Makes windows available when first needed; false when there is no display.
        std::function<bool()> ensureWindows;
        // Called with each window before it runs (unattended runs, screenshots).
        std::function<void(CDlgUpdate&)> prepareDialog;
        std::function<void(CDlgNotify&)> prepareNotify;
        // Replaces the window host (tests); null: the program's own.
        IUpdateHost* host = nullptr;
    };

    CUpdateApp();
    explicit CUpdateApp(Environment environment);
    ~CUpdateApp();
    CUpdateApp(const CUpdateApp&) = delete;
    CUpdateApp& operator=(const CUpdateApp&) = delete;

    // Does the whole run; always FALSE, so the program ends when it returns.
    BOOL InitInstance(const std::vector<std::string>& args);

    Outcome LastOutcome() const { return outcome_; }
    const CommandLine& Options() const { return options_; }
    int DialogResult() const { return dialogResult_; }

private:
    Environment env_;
    std::unique_ptr<NamedMutex> mutex_;
    CommandLine options_;
    Outcome outcome_ = Outcome::NotRun;
    int dialogResult_ = 0;
};

}  // namespace zeva::wizard
