#pragma once
// One update run: fetch the catalog into the staging folder, work out which
// files differ, fetch them, install them and record the result.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CatalogFreshness.h"
#include "InstallJournal.h"
#include "UpdateCatalog.h"
#include "UpdateHost.h"
#include "UpdateOptions.h"
#include "ZEVAUpdateIntf.h"

namespace zeva {

// The update servers configured in Config.dat, in the engine's order.
std::vector<S_UpdateSerivceAddr> ReadUpdateServers(const std::string& appDir,
                                                   const UpdateOptions& options);

// How fetching one file ended: fetched and as the catalog lists it, the
// transfer failed, or what arrived was refused (and removed).
enum class FetchResult { Fetched, TransferFailed, Refused };

// Dotted IPv4 text for a host name (the text itself when it already is one); empty when
// unresolvable. Names are looked up with `resolver` when one is given.
std::string NormaliseServerAddress(
    const std::string& address,
    const std::function<std::string(const std::string&)>& resolver = {});

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
    // As DownloadFiles, and a file that does not match its entry (FileMatchesEntry) counts as
    // failed.
    bool DownloadEntries(const std::vector<UpdateFileEntry>& entries);
    // Installs the staged entries; false when any file could not be replaced.
    bool InstallEntries(const std::vector<UpdateFileEntry>& entries);
    // The entries whose staged copy is missing or differs.
    std::vector<UpdateFileEntry> EntriesToFetch(const std::vector<UpdateFileEntry>& entries) const;

    // The steps of a run, for the update dialog, which spreads them over its
    // threads; the jobs above are made of the same steps.
    // Clean-up of earlier runs, then the catalog and, with a public key, its
    // verified signature, expiry and sequence; false when it could not be
    // fetched or was refused.
    bool FetchCatalog();
    // Evaluates the staged main-program catalog: -1 missing (or, with a public
    // key, refused: a file without SHA256, or a main release older than the
    // installed one), 1 no update due, 0 evaluated.
    int EvaluateProgramCatalog();
    // The evaluated entries (files that differ from the installed ones) and the catalog's VERSION.
    const std::vector<UpdateFileEntry>& Entries() const { return entries_; }
    const UpdateFileEntry* EntryNamed(const std::string& name) const;
    const std::string& NewVersion() const { return newVersion_; }
    // Fetches one entry into the staging folder with the calling thread's own
    // downloader, under the same rules as DownloadEntries.
    zeva::FetchResult FetchEntry(CZEVAUpdateIntf& downloader, const UpdateFileEntry& entry,
                                 HWND window, UINT message) const;
    // The dialog's finish: closes the running client, installs every entry,
    // records the version (the program's only for type 1) and starts the
    // client at once. False when a file could not be replaced; the staged
    // files then stay for another attempt.
    bool InstallFetchedRelease();

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
    // The last FetchCatalog or EvaluateProgramCatalog refused what it got (and said
    // why in the system log), as opposed to not reaching the server.
    bool CatalogRefused() const { return catalogRefused_; }
    bool useProxy() const { return useProxy_; }

private:
    // `entry` null: a catalog or signature, fetched without a size or digest to check.
    zeva::FetchResult Fetch(CZEVAUpdateIntf& downloader, const std::string& name,
                            const UpdateFileEntry* entry, HWND window, UINT message) const;
    bool DownloadOne(const std::string& name, const UpdateFileEntry* entry);
    // The catalog's entries; their SHA256 only counts when the catalog was verified.
    std::vector<UpdateFileEntry> TrustedEntries(const UpdateCatalog& catalog) const;
    // Ends the job as a failed catalog download, with one event-log record; returns false.
    bool RejectCatalog(const std::string& reason);
    // A verified catalog that expired, or is older than the one installed last, is
    // refused; otherwise its sequence is kept for RecordSequence.
    bool CheckFreshness();
    zeva::CatalogForm CatalogFormOfJob() const;
    // The sequence of the catalog this job installed last (0 when none is known).
    std::int64_t InstalledSequence() const;
    // After an installation from a signed catalog: its sequence becomes the bar.
    void RecordSequence();
    // Config.dat [CatalogSequence] key of this job's record.
    std::string RecordKey() const;
    bool CatalogCarriesSha256(const UpdateCatalog& catalog);
    void RemoveStaging();
    void WriteRecord(const char* sectionFormat, const std::string& newVersion);
    // Config.dat's version, and with `registry` the installation's registry values.
    void WriteInstalledVersion(const std::string& newVersion, bool registry);
    void Notify(const std::string& newVersion, const std::string& newRegion, int notifyFlag);
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
    std::int64_t catalogSequence_ = 0;
    bool catalogRefused_ = false;

    zeva::UpdateOptions options_;
    std::unique_ptr<zeva::IUpdateHost> ownHost_;
    std::unique_ptr<zeva::InstallJournal> journal_;
    zeva::IUpdateHost* host_;
    std::vector<S_UpdateSerivceAddr> servers_;
    bool useProxy_ = true;
    HWND notifyWindow_ = nullptr;
    UINT notifyMessage_ = 0;

    // What the evaluation of the main-program catalog found.
    std::vector<UpdateFileEntry> entries_;
    std::string newVersion_;
    std::string newRegion_;
    int notifyFlag_ = 0;
};
