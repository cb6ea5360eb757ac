#include "UpdateJob.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netdb.h>
#include <sys/socket.h>

#include <cstdint>
#include <ctime>
#include <fstream>
#include <iterator>
#include <filesystem>
#include <system_error>

#include "ConfigFile.h"
#include "ConfigKeys.h"
#include "ConsoleUpdateHost.h"
#include "CryptConfigFile.h"
#include "DirectoryEx.h"
#include "EventLog.h"
#include "FileInstaller.h"
#include "MD5.h"
#include "SHA256.h"
#include "SignatureVerifier.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"
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

// The catalog's SIZE as a byte count; -1 when it is not a plain decimal number.
std::int64_t ParseCatalogSize(const std::string& text) {
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::stoll(text);
}

std::string Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32] = {0};
    std::strftime(text, sizeof text, keys::kRecordDateFormat, &local);
    return text;
}

std::string Trimmed(const std::string& s) {
    const size_t begin = s.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return {};
    return s.substr(begin, s.find_last_not_of(" \t\r\n") - begin + 1);
}

bool ReadWholeFile(const std::string& acpPath, std::string& out) {
    std::ifstream in(zeva::NativePath(acpPath), std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

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
    config.ReadString(keys::kSectionUpdate, keys::kKeyPublicKey, "", publicKeys_);
    publicKeys_ = Trimmed(publicKeys_);
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
        catalogName_ = keys::kPlugCatalogIni;
    }
}

UpdateJob::~UpdateJob() = default;

bool UpdateJob::DownloadOne(const std::string& name, const UpdateFileEntry* entry) {
    if (!zeva::IsSafeRelativeName(name)) return false;
    const std::string local = stagingDir_ + name;
    std::string folder;
    CDirectoryEx::GetFilePath(local, folder);
    std::error_code ec;
    if (!fs::is_directory(zeva::NativePath(folder), ec))
        CDirectoryEx::CreateMultipleDirectory(folder);
    const std::string remote = options_.remotePrefix + name;
    const std::int64_t expectedSize = entry != nullptr ? ParseCatalogSize(entry->size) : -1;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (downloader_->GetRemoteFile(static_cast<unsigned>(updateType_), remote.c_str(),
                                       local.c_str(), notifyWindow_, notifyMessage_,
                                       expectedSize) == -1) {
            return false;
        }
        if (entry == nullptr || StagedFileMatches(local, *entry)) return true;
        // Damaged in transit or not what the catalog promised: never installed, never reused.
        fs::remove(zeva::NativePath(local), ec);
        // A continued file may owe the damage to the bytes kept from before: once more, whole.
        if (!downloader_->LastTransferResumed()) return false;
    }
    return false;
}

bool UpdateJob::StagedFileMatches(const std::string& path, const UpdateFileEntry& entry) const {
    std::string digest;
    CMD5::GetFileMD5(path.c_str(), digest);
    if (digest != entry.md5) return false;
    if (!SignatureRequired()) return true;
    // The signed SHA256 decides: an MD5 alone can be matched by a forged file.
    CSHA256::GetFileSHA256(path.c_str(), digest);
    return digest == entry.sha256;
}

bool UpdateJob::FetchCatalog() {
    if (!DownloadFiles({catalogName_})) return false;
    if (!SignatureRequired()) return true;
    const std::string catalogPath = stagingDir_ + catalogName_;
    const std::string signatureName = catalogName_ + keys::kSignatureSuffix;
    const std::string signaturePath = stagingDir_ + signatureName;
    zeva::SignatureVerifier verifier;
    std::string error;
    if (verifier.SetPublicKeys(publicKeys_, error) != 0) {
        return RejectCatalog(std::string(keys::kConfigDat) + " [" + keys::kSectionUpdate + "] " +
                             keys::kKeyPublicKey + ": " + error);
    }
    if (!DownloadFiles({signatureName})) {
        return RejectCatalog(signatureName + " could not be fetched: " +
                             downloader_->GetLastErrorInfo());
    }
    std::string catalog;
    std::string signature;
    if (!ReadWholeFile(catalogPath, catalog) || !ReadWholeFile(signaturePath, signature)) {
        return RejectCatalog("the staged catalog or signature cannot be read");
    }
    if (verifier.Verify(catalog, signature, error) != 0) {
        return RejectCatalog(error);
    }
    return true;
}

bool UpdateJob::RejectCatalog(const std::string& reason) {
    // Never evaluated, now or by a later run.
    std::error_code ec;
    fs::remove(zeva::NativePath(stagingDir_ + catalogName_), ec);
    fs::remove(zeva::NativePath(stagingDir_ + catalogName_ + keys::kSignatureSuffix), ec);
    const int line = __LINE__;
    WriteSysEventLog(program_invocation_short_name, __DATE__ " " __TIME__, "UpdateJob",
                     "UpdateJob::FetchCatalog", line,
                     "update catalog " + catalogName_ +
                         " refused, nothing fetched or installed: " + reason,
                     zeva::Acp("升级问题"));
    return false;
}

bool UpdateJob::CatalogCarriesSha256(const UpdateCatalog& catalog) {
    if (!SignatureRequired() || catalog.FilesWithoutSha256().empty()) return true;
    return RejectCatalog("no SHA256 for " + catalog.FilesWithoutSha256().front() +
                         (catalog.FilesWithoutSha256().size() > 1
                              ? " and " + std::to_string(catalog.FilesWithoutSha256().size() - 1) +
                                    " more files"
                              : std::string()));
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
        const std::string staged = stagingDir_ + entry.name;
        if (IsFile(staged) && StagedFileMatches(staged, entry)) continue;
        out.push_back(entry);
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
        const auto result = zeva::InstallFile(zeva::NativePath(stagingDir_ + entry.name),
                                              zeva::NativePath(installDir_ + entry.name), *host_);
        if (result == zeva::InstallResult::Failed) all = false;
    }
    return all;
}

void UpdateJob::RemoveStaging() {
    CDirectoryEx::DeleteDirectory(stagingDir_);
}

void UpdateJob::RestartClient() {
    const std::string client = appDir_ + zeva::kClientExecutable;
    if (!options_.restartClient || !IsFile(client)) return;
    host_->Pause(std::chrono::milliseconds(5000));
    host_->StartProgram(zeva::NativePath(client), options_.clientParameters);
}

void UpdateJob::RecordAndNotify(const std::string& newVersion, const std::string& newRegion,
                                int notifyFlag) {
    CCryptConfigFile record(appDir_ + keys::kUpdateRecordDat, "");
    const std::string day = Today();
    record.WriteInteger(day, keys::kKeyIsSucceed, 1);
    record.WriteString(day, keys::kKeyNewVersion, newVersion);
    record.WriteString(day, keys::kKeyOldVersion, localVersion_);

    if (auto key = zeva::RegistryKey::Open(zeva::RegistryHive::LocalMachine, "SOFTWARE\\Pelmo")) {
        key->SetString("InstallPath", appDir_);
        key->SetString("Version", newVersion);
    }

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

bool UpdateJob::RunProgramJob() {
    try {
        zeva::CleanUpInstallLeftovers(appDir_);
        // A stale catalog of an earlier run must not be evaluated if this download fails half-way.
        if (!FetchCatalog()) return false;
        const std::string catalogPath = stagingDir_ + catalogName_;
        UpdateCatalog catalog(installDir_, catalogPath, localVersion_, localRegion_);
        catalog.SetVersionOnlyGate(!options_.fullGate);
        catalog.Evaluate();
        if (!CatalogCarriesSha256(catalog)) return false;
        const std::vector<UpdateFileEntry>& entries = catalog.Entries();
        const std::vector<UpdateFileEntry> toFetch = EntriesToFetch(entries);

        CConfigFile staged(catalogPath);
        std::string newVersion;
        std::string newRegion;
        staged.ReadString(keys::kSectionCatalogVersion, keys::kKeyCatalogVersion, "", newVersion);
        staged.ReadString(keys::kSectionCatalogVersion, keys::kKeyCatalogRegion, "", newRegion);
        const int notifyFlag =
            staged.ReadInteger(keys::kSectionCatalogVersion, keys::kKeyNotify, 0);
        const bool newer = zeva::VersionSortsAfter(newVersion, localVersion_);

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
            CCryptConfigFile config(appDir_ + keys::kConfigDat, "");
            config.WriteString(keys::kSectionUpdate, keys::kKeyVersion, newVersion);
            if (options_.recordAndNotify) RecordAndNotify(newVersion, newRegion, notifyFlag);
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
        zeva::CleanUpInstallLeftovers(options_.cleanBackupsInInstallDir ? installDir_ : appDir_);
        if (!FetchCatalog()) return false;
        const std::string catalogPath = stagingDir_ + catalogName_;
        UpdateCatalog catalog(installDir_, catalogPath, localVersion_, localRegion_);
        if (options_.pluginCatalogHasFilesSection) {
            catalog.EvaluatePluginFilesSection();
        } else {
            catalog.EvaluatePlugin();
        }
        if (!CatalogCarriesSha256(catalog)) return false;
        const std::vector<UpdateFileEntry> toFetch = EntriesToFetch(catalog.Entries());
        if (DownloadEntries(toFetch)) {
            InstallEntries(catalog.Entries());
            if (IsFile(catalogPath)) {
                zeva::InstallFile(zeva::NativePath(catalogPath),
                                  zeva::NativePath(installDir_ + catalogName_), *host_);
            }
        }
        RemoveStaging();
        return true;
    } catch (...) {
        return false;
    }
}
