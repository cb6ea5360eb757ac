#include "UpdateApp.h"

#include <cstdio>
#include <exception>

#include "DlgNotify.h"
#include "DlgUpdate.h"
#include "UpdateJob.h"
#include "WindowUpdateHost.h"

namespace zeva::wizard {

CUpdateApp::CUpdateApp() = default;

CUpdateApp::CUpdateApp(Environment environment) : env_(std::move(environment)) {}

CUpdateApp::~CUpdateApp() = default;

BOOL CUpdateApp::InitInstance(const std::vector<std::string>& args) {
    try {
        mutex_ = NamedMutex::Create(kInstanceMutex);
        if (mutex_->AlreadyExists()) {
            mutex_.reset();
            outcome_ = Outcome::AlreadyRunning;
            return 0;
        }
        options_ = ParseCommandLine(args);
        WindowUpdateHost ownHost(env_.ensureWindows, env_.prepareNotify);
        IUpdateHost& host = env_.host ? *env_.host : ownHost;

        if (options_.silent) {
            outcome_ = Outcome::Silent;
            if (options_.updateType == 1) {
                UpdateJob job(1, "Program", UpdateOptions::Full(), &host);
                job.RunProgramJob();
            } else {
                UpdateJob job(options_.updateType, options_.jobName, UpdateOptions::Full(), &host);
                job.RunPluginJob();
            }
            return 0;
        }
        if (env_.ensureWindows && !env_.ensureWindows()) {
            std::fprintf(stderr, "ZEVAUpdate: no display to show the update dialog on\n");
            outcome_ = Outcome::NoWindows;
            return 0;
        }
        outcome_ = Outcome::Dialog;
        CDlgUpdate dlg(options_.updateType, options_.jobName, host);
        if (env_.prepareDialog) env_.prepareDialog(dlg);
        dialogResult_ = static_cast<int>(dlg.DoModal());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ZEVAUpdate: %s\n", e.what());
    }
    return 0;
}

}  // namespace zeva::wizard
