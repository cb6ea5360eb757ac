#include "UpdateJob.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <ctime>
#include <filesystem>
#include <system_error>

#include "ConfigFile.h"
#include "ConfigKeys.h"
#include "ConsoleUpdateHost.h"
#include "CryptConfigFile.h"
#include "DirectoryEx.h"
#include "FileInstaller.h"
#include "MD5.h"
#include "platform/AppPath.h"
#include "platform/Registry.h"

namespace fs = std::filesystem;
namespace keys = zeva::cfgkeys;

namespace zeva {

std::string NormaliseServerAddress(const std::string& address) {
    if (address.empty()) return {};
    in_addr parsed{};
    if (::inet_aton(address.c_str(), &parsed) != 0) return address;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (::getaddrinfo(address.c_str(), nullptr, &hints, &result) != 0 || result == nullptr)
        return {};
    char text[INET_ADDRSTRLEN] = {0};
    const auto* sin = reinterpret_cast<const sockaddr_in*>(result->ai_addr);
    ::inet_ntop(AF_INET, &sin->sin_addr, text, sizeof text);
    ::freeaddrinfo(result);
    return text;
}

std::vector<S_UpdateSerivceAddr> ReadUpdateServers(const std::string& appDir,
                                                   const UpdateOptions& options) {
    CCryptConfigFile config(appDir + keys::kConfigDat, "");
    std::vector<S_UpdateSerivceAddr> servers;
    auto read = [&](const char* ipKey, const char* portKey) {
        S_UpdateSerivceAddr server;
        std::string configured;
        config.ReadString(keys::kSectionUpdate, ipKey, "", configured);
        server.address = options.resolveHostNames ? NormaliseServerAddress(configured) : configured;
        server.port = static_cast<unsigned short>(
            config.ReadInteger(keys::kSectionUpdate, portKey, keys::kDefaultServerPort));
        return std::make_pair(configured, server);
    };
    servers.push_back(read(keys::kKeyServerIP, keys::kKeyServerPort).second);
    const auto [configured2, second] = read(keys::kKeyServerIP2, keys::kKeyServerPort2);
    if (!options.resolveHostNames) {
        servers.push_back(second);
    } else if (options.dropUnresolvedSecondary ? !second.address.empty() : !configured2.empty()) {
        servers.push_back(second);
    }
    return servers;
}

}  // namespace zeva

namespace {

std::string Now(const char* format) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32] = {0};
    std::strftime(text, sizeof text, format, &local);
    return text;
}

// The interactive updater's record keeps the time of day as well.
constexpr char kRecordTimeFormat[] = "%Y-%m-%d %H:%M:%S";

bool IsFile(const std::string& acpPath) {
    std::error_code ec;
    return fs::is_regular_file(zeva::NativePath(acpPath), ec);
}

}  // namespace

UpdateJob::UpdateJob(int updateType, std::string jobName, zeva::UpdateOptions options,
                     zeva::IUpdateHost* host)
    : updateType_(updateType),
      jobName_(std::move(jobName)),
      options_(std::move(options)),
      host_(host) {
    if (host_ == nullptr) {
        ownHost_ = std::make_unique<zeva::ConsoleUpdateHost>(true);
        host_ = ownHost_.get();
    }
    CDirectoryEx::GetApplicationPath(appDir_);
    CCryptConfigFile config(appDir_ + keys::kConfigDat, "");
    config.ReadString(keys::kSectionUpdate, keys::kKeyVersion, "", localVersion_);
    config.ReadString(keys::kSectionUpdate, keys::kKeyRegion, "", localRegion_);
    servers_ = zeva::ReadUpdateServers(appDir_, options_);
    config.Initialize(appDir_ + keys::kUserConfigDat, "");
    useProxy_ =
        config.ReadInteger(keys::kSectionServer, keys::kKeyUseProxy, keys::kDefaultUseProxy) != 0;
    downloader_ = std::make_unique<CZEVAUpdateIntf>(servers_, useProxy_);

    if (updateType_ == 1 && options_.form != zeva::UpdateForm::Toolbox) {
        installDir_ = appDir_;
        stagingDir_ = appDir_ + options_.programStagingDir;
        catalogName_ = keys::kUpdateConfigIni;
    } else {
        installDir_ = appDir_ + jobName_ + "\\";
        stagingDir_ = appDir_ + keys::kUpdateDir + jobName_ + "\\";
        catalogName_ =
            options_.programCatalogForPlugins ? keys::kUpdateConfigIni : keys::kPlugCatalogIni;
    }
    journal_ = std::make_unique<zeva::InstallJournal>(
        zeva::NativePath(appDir_), zeva::NativePath(stagingDir_) / zeva::kInstallJournalName);
}

UpdateJob::~UpdateJob() = default;

zeva::FetchResult UpdateJob::Fetch(CZEVAUpdateIntf& downloader, const std::string& name,
                                   const UpdateFileEntry* entry, HWND window, UINT message) const {
    if (!zeva::IsSafeRelativeName(name)) return zeva::FetchResult::Refused;
    const std::string local = stagingDir_ + name;
    std::string folder;
    CDirectoryEx::GetFilePath(local, folder);
    std::error_code ec;
    if (!fs::is_directory(zeva::NativePath(folder), ec))
        CDirectoryEx::CreateMultipleDirectory(folder);
    const std::string remote = options_.remotePrefix + name;
    if (downloader.GetRemoteFile(static_cast<unsigned>(updateType_), remote.c_str(), local.c_str(),
                                 window, message) == -1) {
        return zeva::FetchResult::TransferFailed;
    }
    if (entry != nullptr && !zeva::FileMatchesEntry(local, *entry)) {
        // Damaged in transit or not what the catalog promised: never installed, never reused.
        fs::remove(zeva::NativePath(local), ec);
        return zeva::FetchResult::Refused;
    }
    return zeva::FetchResult::Fetched;
}

zeva::FetchResult UpdateJob::FetchEntry(CZEVAUpdateIntf& downloader, const UpdateFileEntry& entry,
                                        HWND window, UINT message) const {
    return Fetch(downloader, entry.name, &entry, window, message);
}

bool UpdateJob::DownloadOne(const std::string& name, const UpdateFileEntry* entry) {
    return Fetch(*downloader_, name, entry, notifyWindow_, notifyMessage_) ==
           zeva::FetchResult::Fetched;
}

bool UpdateJob::DownloadFiles(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        if (!DownloadOne(name, nullptr)) return false;
    }
    return true;
}

bool UpdateJob::DownloadEntries(const std::vector<UpdateFileEntry>& entries) {
    for (const UpdateFileEntry& entry : entries) {
        if (!DownloadOne(entry.name, &entry)) return false;
    }
    return true;
}

std::vector<UpdateFileEntry> UpdateJob::EntriesToFetch(
    const std::vector<UpdateFileEntry>& entries) const {
    if (!options_.reuseStagedFiles) return entries;
    std::vector<UpdateFileEntry> out;
    for (const UpdateFileEntry& entry : entries) {
        if (!zeva::FileMatchesEntry(stagingDir_ + entry.name, entry)) out.push_back(entry);
    }
    return out;
}

bool UpdateJob::InstallEntries(const std::vector<UpdateFileEntry>& entries) {
    bool all = true;
    for (const UpdateFileEntry& entry : entries) {
        if (!zeva::IsSafeRelativeName(entry.name)) {
            all = false;
            continue;
        }
        const auto result =
            zeva::InstallFile(zeva::NativePath(stagingDir_ + entry.name),
                              zeva::NativePath(installDir_ + entry.name), *host_, *journal_);
        if (result == zeva::InstallResult::Failed) all = false;
    }
    return all;
}

void UpdateJob::RemoveStaging() {
    // A journal still naming backups stays for the next run's clean-up.
    journal_->Close();
    zeva::RemoveStagingFolder(zeva::NativePath(appDir_), zeva::NativePath(stagingDir_));
}

void UpdateJob::RestartClient() {
    const std::string client = appDir_ + zeva::kClientExecutable;
    if (!options_.restartClient || !IsFile(client)) return;
    host_->Pause(std::chrono::milliseconds(5000));
    host_->StartProgram(zeva::NativePath(client), options_.clientParameters);
}

void UpdateJob::WriteRecord(const char* sectionFormat, const std::string& newVersion) {
    CCryptConfigFile record(appDir_ + keys::kUpdateRecordDat, "");
    const std::string section = Now(sectionFormat);
    record.WriteInteger(section, keys::kKeyIsSucceed, 1);
    record.WriteString(section, keys::kKeyNewVersion, newVersion);
    record.WriteString(section, keys::kKeyOldVersion, localVersion_);
}

void UpdateJob::WriteInstalledVersion(const std::string& newVersion, bool registry) {
    CCryptConfigFile config(appDir_ + keys::kConfigDat, "");
    config.WriteString(keys::kSectionUpdate, keys::kKeyVersion, newVersion);
    if (!registry) return;
    if (auto key = zeva::RegistryKey::Open(zeva::RegistryHive::LocalMachine, "SOFTWARE\\Pelmo")) {
        key->SetString("InstallPath", appDir_);
        key->SetString("Version", newVersion);
    }
}

void UpdateJob::Notify(const std::string& newVersion, const std::string& newRegion,
                       int notifyFlag) {
    const bool regionChanged = newRegion != localRegion_;
    const bool considered = zeva::VersionSortsAfter(newVersion, localVersion_) || regionChanged;
    if (considered && (notifyFlag != 0 || regionChanged)) {
        std::string site;
        CCryptConfigFile config(appDir_ + keys::kConfigDat, "");
        config.ReadString(keys::kSectionServer, keys::kKeyWebSiteURL, "", site);
        if (host_->ShowUpdateNotification(localVersion_, newVersion, site) == zeva::kIdYes) {
            host_->CloseRunningClient();
        }
    }
}

bool UpdateJob::FetchCatalog() {
    zeva::CleanUpInstallLeftovers(appDir_);
    // A stale catalog of an earlier run must not be evaluated if this download fails half-way.
    return DownloadFiles({catalogName_});
}

int UpdateJob::EvaluateProgramCatalog() {
    const std::string catalogPath = stagingDir_ + catalogName_;
    UpdateCatalog catalog(installDir_, catalogPath, localVersion_, localRegion_);
    catalog.SetVersionOnlyGate(!options_.fullGate);
    const int result = catalog.Evaluate();
    entries_ = catalog.Entries();
    CConfigFile staged(catalogPath);
    newVersion_.clear();
    newRegion_.clear();
    staged.ReadString(keys::kSectionCatalogVersion, keys::kKeyCatalogVersion, "", newVersion_);
    staged.ReadString(keys::kSectionCatalogVersion, keys::kKeyCatalogRegion, "", newRegion_);
    notifyFlag_ = staged.ReadInteger(keys::kSectionCatalogVersion, keys::kKeyNotify, 0);
    return result;
}

const UpdateFileEntry* UpdateJob::EntryNamed(const std::string& name) const {
    for (const UpdateFileEntry& e : entries_) {
        if (e.name == name) return &e;
    }
    return nullptr;
}

bool UpdateJob::InstallFetchedRelease() {
    host_->CloseRunningClient();
    if (!InstallEntries(entries_)) return false;
    if (updateType_ != 1) {
        const std::string plugCatalog = stagingDir_ + keys::kPlugCatalogIni;
        if (IsFile(plugCatalog)) {
            zeva::InstallFile(zeva::NativePath(plugCatalog),
                              zeva::NativePath(installDir_ + keys::kPlugCatalogIni), *host_,
                              *journal_);
        }
    } else {
        WriteInstalledVersion(newVersion_, true);
    }
    WriteRecord(kRecordTimeFormat, newVersion_);
    RemoveStaging();
    const std::string client = appDir_ + zeva::kClientExecutable;
    if (IsFile(client)) host_->StartProgram(zeva::NativePath(client), "");
    return true;
}

bool UpdateJob::RunProgramJob() {
    try {
        if (!FetchCatalog()) return false;
        EvaluateProgramCatalog();
        const std::vector<UpdateFileEntry>& entries = entries_;
        const std::vector<UpdateFileEntry> toFetch = EntriesToFetch(entries);
        const bool newer = zeva::VersionSortsAfter(newVersion_, localVersion_);

        if (entries.empty() && !options_.onlyWhenNewer) {
            RemoveStaging();
            return true;
        }
        if (!DownloadEntries(toFetch)) {
            RemoveStaging();
            return true;
        }
        const bool installed = InstallEntries(entries);
        // The new version is recorded only once every file is in place, so an
        // interrupted or failed installation is completed by the next run.
        if (installed && (!options_.onlyWhenNewer || newer)) {
            WriteInstalledVersion(newVersion_, options_.recordAndNotify);
            if (options_.recordAndNotify) {
                WriteRecord(keys::kRecordDateFormat, newVersion_);
                Notify(newVersion_, newRegion_, notifyFlag_);
            }
        }
        if (!options_.onlyWhenNewer || newer) RestartClient();
        RemoveStaging();
        return true;
    } catch (...) {
        return false;
    }
}

bool UpdateJob::RunPluginJob() {
    try {
        if (!zeva::IsSafeRelativeName(jobName_)) return false;
        if (!FetchCatalog()) return false;
        const std::string catalogPath = stagingDir_ + catalogName_;
        UpdateCatalog catalog(installDir_, catalogPath, localVersion_, localRegion_);
        if (options_.pluginCatalogHasFilesSection) {
            catalog.EvaluatePluginFilesSection();
        } else {
            catalog.EvaluatePlugin();
        }
        const std::vector<UpdateFileEntry> toFetch = EntriesToFetch(catalog.Entries());
        if (DownloadEntries(toFetch)) {
            InstallEntries(catalog.Entries());
            if (IsFile(catalogPath)) {
                zeva::InstallFile(zeva::NativePath(catalogPath),
                                  zeva::NativePath(installDir_ + catalogName_), *host_, *journal_);
            }
        }
        RemoveStaging();
        return true;
    } catch (...) {
        return false;
    }
}
