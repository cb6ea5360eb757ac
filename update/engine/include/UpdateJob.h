#pragma once
// One update run: fetch the catalog into the staging folder, work out which
// files differ, fetch them, install them and record the result.

#include <memory>
#include <string>
#include <vector>

#include "UpdateCatalog.h"
#include "UpdateHost.h"
#include "UpdateOptions.h"
#include "ZEVAUpdateIntf.h"

namespace zeva {

// The update servers configured in Config.dat, in the engine's order.
std::vector<S_UpdateSerivceAddr> ReadUpdateServers(const std::string& appDir,
                                                   const UpdateOptions& options);

// Dotted IPv4 text for a host name (the text itself when it already is one); empty when
// unresolvable.
std::string NormaliseServerAddress(const std::string& address);

}  // namespace zeva

class UpdateJob {
public:
    // `host` may be null: a ConsoleUpdateHost is used then.
    UpdateJob(int updateType, std::string jobName,
              zeva::UpdateOptions options = zeva::UpdateOptions::Full(),
              zeva::IUpdateHost* host = nullptr);
    ~UpdateJob();
    UpdateJob(const UpdateJob&) = delete;
    UpdateJob& operator=(const UpdateJob&) = delete;

    bool RunProgramJob();
    bool RunPluginJob();
    // Fetches the names into the staging folder; false at the first failure.
    bool DownloadFiles(const std::vector<std::string>& names);
    // As DownloadFiles, and a file whose MD5 differs from its entry's counts as failed.
    bool DownloadEntries(const std::vector<UpdateFileEntry>& entries);
    // Installs the staged entries; false when any file could not be replaced.
    bool InstallEntries(const std::vector<UpdateFileEntry>& entries);
    // The entries whose staged copy is missing or differs.
    std::vector<UpdateFileEntry> EntriesToFetch(const std::vector<UpdateFileEntry>& entries) const;

    // Window and message for the download library's progress (none by default).
    void SetNotify(HWND window, UINT message) {
        notifyWindow_ = window;
        notifyMessage_ = message;
    }

    int updateType() const { return updateType_; }
    const std::string& jobName() const { return jobName_; }
    CZEVAUpdateIntf& downloader() { return *downloader_; }
    const std::string& installDir() const { return installDir_; }
    const std::string& stagingDir() const { return stagingDir_; }
    const std::string& appDir() const { return appDir_; }
    const std::string& catalogName() const { return catalogName_; }
    const std::string& localVersion() const { return localVersion_; }
    const std::string& localRegion() const { return localRegion_; }
    const std::vector<S_UpdateSerivceAddr>& servers() const { return servers_; }
    // Config.dat [Update] "PublicKey" is set: catalogs must be signed, files carry SHA256.
    bool SignatureRequired() const { return !publicKeys_.empty(); }
    bool useProxy() const { return useProxy_; }

private:
    // `entry` null: a catalog or signature, fetched without a size or digest to check.
    bool DownloadOne(const std::string& name, const UpdateFileEntry* entry);
    bool StagedFileMatches(const std::string& path, const UpdateFileEntry& entry) const;
    // The catalog into the staging folder and, with a public key, its verified signature.
    bool FetchCatalog();
    // Ends the job as a failed catalog download, with one event-log record; returns false.
    bool RejectCatalog(const std::string& reason);
    bool CatalogCarriesSha256(const UpdateCatalog& catalog);
    void RemoveStaging();
    void RecordAndNotify(const std::string& newVersion, const std::string& newRegion,
                         int notifyFlag);
    void RestartClient();

    int updateType_;
    std::string jobName_;
    std::unique_ptr<CZEVAUpdateIntf> downloader_;
    std::string installDir_;
    std::string stagingDir_;
    std::string appDir_;
    std::string catalogName_;
    std::string localVersion_;
    std::string localRegion_;
    std::string publicKeys_;

    zeva::UpdateOptions options_;
    std::unique_ptr<zeva::IUpdateHost> ownHost_;
    zeva::IUpdateHost* host_;
    std::vector<S_UpdateSerivceAddr> servers_;
    bool useProxy_ = true;
    HWND notifyWindow_ = nullptr;
    UINT notifyMessage_ = 0;
};
