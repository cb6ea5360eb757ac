#include "UpdatePlugThread.h"

#include <cstdio>
#include <exception>

#include "ConfigKeys.h"
#include "CryptConfigFile.h"
#include "UpdateJob.h"
#include "platform/AppPath.h"

namespace keys = zeva::cfgkeys;

namespace {

// The regional folder is updated as package 1, under the remote folder.
constexpr int kRegionalUpdateType = 1;

}  // namespace

std::atomic<bool> CUpdatePlugThread::busy_{false};

CUpdatePlugThread::CUpdatePlugThread(HostNameResolver resolver) : resolver_(std::move(resolver)) {}

BOOL CUpdatePlugThread::Terminate() {
    stop_ = true;
    return CThreadBase::Terminate();
}

zeva::UpdateOptions CUpdatePlugThread::Options(const std::string& remoteFolder) const {
    zeva::UpdateOptions options = zeva::UpdateOptions::Toolbox(remoteFolder);
    options.hostResolver = resolver_;
    return options;
}

std::vector<S_UpdateSerivceAddr> CUpdatePlugThread::Servers() const {
    return zeva::ReadUpdateServers(zeva::ApplicationPathAcp(), Options({}));
}

bool CUpdatePlugThread::Stopping() const {
    return stop_ || IsStopRequested();
}

DWORD CUpdatePlugThread::Run() {
    if (busy_.exchange(true)) return 0;
    struct Release {
        ~Release() { busy_ = false; }
    } release;
    try {
        const std::string appDir = zeva::ApplicationPathAcp();
        std::string remoteFolder;
        CCryptConfigFile user(appDir + keys::kUserConfigDat, "");
        user.ReadString(keys::kSectionServer, keys::kKeyUpdateServiceDir, "", remoteFolder);
        if (remoteFolder.empty()) return 0;

        UpdateJob job(kRegionalUpdateType, keys::kProvincePlugDir, Options(remoteFolder));
        // Told to stop (the toolbox unloads), the transfer under way is given
        // up and no further file is fetched: a failed download installs nothing.
        job.downloader().SetCancelCheck([this] { return Stopping(); });
        job.RunPluginJob();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "toolbox update: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "toolbox update failed\n");
    }
    return 0;
}
