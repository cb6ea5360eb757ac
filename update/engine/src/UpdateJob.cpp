#include "UpdateJob.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "ConfigFile.h"
#include "ConfigKeys.h"
#include "ConsoleUpdateHost.h"
#include "CryptConfigFile.h"
#include "EventLog.h"
#include "FileInstaller.h"
#include "HostAddress_p.h"
#include "MD5.h"
#include "ProgramName_p.h"
#include "SHA256.h"
#include "SignatureVerifier.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"
#include "platform/Registry.h"
#include "platform/RegularFile.h"

namespace fs = std::filesystem;
namespace keys = zeva::cfgkeys;

namespace zeva {

std::string NormaliseServerAddress(const std::string& address,
                                   const std::function<std::string(const std::string&)>& resolver) {
    if (address.empty()) return {};
    if (IsIpv4Address(address)) return address;
    if (resolver) return resolver(address);
    return ResolveIpv4(address);
}

std::vector<S_UpdateSerivceAddr> ReadUpdateServers(const std::string& appDir,
                                                   const UpdateOptions& options) {
    CCryptConfigFile config(appDir + keys::kConfigDat, "");
    std::vector<S_UpdateSerivceAddr> servers;
    auto read = [&](const char* ipKey, const char* portKey) {
        S_UpdateSerivceAddr server;
        std::string configured;
        config.ReadString(keys::kSectionUpdate, ipKey, "", configured);
        server.address = options.resolveHostNames
                             ? NormaliseServerAddress(configured, options.hostResolver)
                             : configured;
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
    if (text.empty() || text.size() > 18 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::stoll(text);
}

std::string Now(const char* format) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32] = {0};
    std::strftime(text, sizeof text, format, &local);
    return text;
}

std::string Trimmed(const std::string& s) {
    const size_t begin = s.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return {};
    return s.substr(begin, s.find_last_not_of(" \t\r\n") - begin + 1);
}

// Only a regular file, opened without blocking: a FIFO left where a
// catalog belongs must not stall the update.
bool ReadWholeFile(const std::string& acpPath, std::string& out) {
    auto data = zeva::ReadRegularFile(zeva::NativePath(acpPath));
    if (!data) return false;
    out = std::move(*data);
    return true;
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
    appDir_ = zeva::ApplicationPathAcp();
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
    const fs::path folder = zeva::NativePath(local).parent_path();
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) fs::create_directories(folder, ec);
    const std::string remote = options_.remotePrefix + name;
    const std::int64_t expectedSize = entry != nullptr ? ParseCatalogSize(entry->size) : -1;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (downloader.GetRemoteFile(static_cast<unsigned>(updateType_), remote.c_str(),
                                     local.c_str(), window, message, expectedSize) == -1) {
            // More than the catalog lists arrived: refused, like any file that does not match.
            if (entry != nullptr && downloader.LastTransferTooLarge())
                return zeva::FetchResult::Refused;
            return zeva::FetchResult::TransferFailed;
        }
        if (entry == nullptr || zeva::FileMatchesEntry(local, *entry))
            return zeva::FetchResult::Fetched;
        // Damaged in transit or not what the catalog promised: never installed, never reused.
        fs::remove(zeva::NativePath(local), ec);
        // A continued file may owe the damage to the bytes kept from before: once more, whole.
        if (!downloader.LastTransferResumed()) return zeva::FetchResult::Refused;
    }
    return zeva::FetchResult::Refused;
}

zeva::FetchResult UpdateJob::FetchEntry(CZEVAUpdateIntf& downloader, const UpdateFileEntry& entry,
                                        HWND window, UINT message) const {
    return Fetch(downloader, entry.name, &entry, window, message);
}

bool UpdateJob::DownloadOne(const std::string& name, const UpdateFileEntry* entry) {
    return Fetch(*downloader_, name, entry, notifyWindow_, notifyMessage_) ==
           zeva::FetchResult::Fetched;
}

bool UpdateJob::RejectCatalog(const std::string& reason) {
    catalogRefused_ = true;
    // Never evaluated, now or by a later run.
    std::error_code ec;
    fs::remove(zeva::NativePath(stagingDir_ + catalogName_), ec);
    fs::remove(zeva::NativePath(stagingDir_ + catalogName_ + keys::kSignatureSuffix), ec);
    const int line = __LINE__;
    WriteSysEventLog(
        zeva::RunningProgramName(), __DATE__ " " __TIME__, "UpdateJob", "UpdateJob::FetchCatalog",
        line,
        "update catalog " + catalogName_ + " refused, nothing fetched or installed: " + reason,
        zeva::Acp("升级问题"));
    return false;
}

bool UpdateJob::CatalogCarriesSha256(const UpdateCatalog& catalog) {
    if (!SignatureRequired() || catalog.FilesWithoutSha256().empty()) return true;
    return RejectCatalog(
        "no SHA256 for " + catalog.FilesWithoutSha256().front() +
        (catalog.FilesWithoutSha256().size() > 1
             ? " and " + std::to_string(catalog.FilesWithoutSha256().size() - 1) + " more files"
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
        return RejectCatalog(signatureName +
                             " could not be fetched: " + downloader_->GetLastErrorInfo());
    }
    std::string catalog;
    std::string signature;
    if (!ReadWholeFile(catalogPath, catalog) || !ReadWholeFile(signaturePath, signature)) {
        return RejectCatalog("the staged catalog or signature cannot be read");
    }
    if (verifier.Verify(catalog, signature, error) != 0) {
        return RejectCatalog(error);
    }
    return CheckFreshness();
}

zeva::CatalogForm UpdateJob::CatalogFormOfJob() const {
    if (catalogName_ == keys::kUpdateConfigIni) return zeva::CatalogForm::Main;
    return options_.pluginCatalogHasFilesSection ? zeva::CatalogForm::PluginFilesSection
                                                 : zeva::CatalogForm::Plugin;
}

std::string UpdateJob::RecordKey() const {
    return installDir_ == appDir_ ? std::string(keys::kKeyProgramJob) : jobName_;
}

std::int64_t UpdateJob::InstalledSequence() const {
    if (options_.form == zeva::UpdateForm::Toolbox) {
        // The catalog installed in the regional folder is the toolbox's record.
        const auto installed =
            zeva::ReadCatalogFreshness(installDir_ + catalogName_, CatalogFormOfJob());
        return installed.malformed.empty() ? installed.sequence : 0;
    }
    CCryptConfigFile config(appDir_ + keys::kConfigDat, "");
    std::string text;
    config.ReadString(keys::kSectionCatalogSequence, RecordKey(), "", text);
    if (text.empty() || text.size() > 18 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return std::stoll(text);
}

bool UpdateJob::CheckFreshness() {
    const auto staged = zeva::ReadCatalogFreshness(stagingDir_ + catalogName_, CatalogFormOfJob());
    if (!staged.malformed.empty())
        return RejectCatalog(staged.malformed + " is not a decimal number");
    const std::int64_t now =
        options_.wallClock ? options_.wallClock() : static_cast<std::int64_t>(std::time(nullptr));
    if (staged.expires != 0 && now >= staged.expires) {
        return RejectCatalog("it expired at " + zeva::UtcText(staged.expires) +
                             " (EXPIRES); the publisher must sign it again");
    }
    const std::int64_t installed = InstalledSequence();
    if (staged.sequence < installed) {
        return RejectCatalog("its SEQUENCE " + std::to_string(staged.sequence) + " is lower than " +
                             std::to_string(installed) +
                             " of the catalog installed last: an older catalog replayed");
    }
    catalogSequence_ = staged.sequence;
    return true;
}

void UpdateJob::RecordSequence() {
    if (!SignatureRequired() || options_.form == zeva::UpdateForm::Toolbox) return;
    if (catalogSequence_ <= InstalledSequence()) return;
    CCryptConfigFile config(appDir_ + keys::kConfigDat, "");
    config.WriteString(keys::kSectionCatalogSequence, RecordKey(),
                       std::to_string(catalogSequence_));
}

std::vector<UpdateFileEntry> UpdateJob::TrustedEntries(const UpdateCatalog& catalog) const {
    std::vector<UpdateFileEntry> entries = catalog.Entries();
    // Only a verified catalog's SHA256 is held against the files.
    if (!SignatureRequired()) {
        for (UpdateFileEntry& entry : entries) entry.sha256.clear();
    }
    return entries;
}

int UpdateJob::EvaluateProgramCatalog() {
    const std::string catalogPath = stagingDir_ + catalogName_;
    UpdateCatalog catalog(installDir_, catalogPath, localVersion_, localRegion_);
    catalog.SetVersionOnlyGate(!options_.fullGate);
    int result = catalog.Evaluate();
    entries_ = TrustedEntries(catalog);
    CConfigFile staged(catalogPath);
    newVersion_.clear();
    newRegion_.clear();
    staged.ReadString(keys::kSectionCatalogVersion, keys::kKeyCatalogVersion, "", newVersion_);
    staged.ReadString(keys::kSectionCatalogVersion, keys::kKeyCatalogRegion, "", newRegion_);
    notifyFlag_ = staged.ReadInteger(keys::kSectionCatalogVersion, keys::kKeyNotify, 0);
    if (!CatalogCarriesSha256(catalog)) {
        // Refused and removed like an unsigned catalog: nothing of it is fetched.
        entries_.clear();
        result = -1;
    } else if (result == 0 && SignatureRequired() && updateType_ == 1 &&
               zeva::VersionSortsAfter(localVersion_, newVersion_)) {
        // A signed release once genuine is still no reason to go back to it,
        // whatever UNCONDITIONALUPDATE or REGION say.
        RejectCatalog("its VERSION " + newVersion_ + " is older than the installed " +
                      localVersion_);
        entries_.clear();
        result = -1;
    }
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
    RecordSequence();
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
        // Missing, or a signed release without a SHA256 for every file: refused as a whole.
        if (EvaluateProgramCatalog() < 0) return false;
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
        // The silent updater restarts the client into the new release: the
        // running one goes first, so that no file of it is in use and the
        // restarted client is the only one.
        if (options_.onlyWhenNewer && newer && !entries.empty()) host_->CloseRunningClient();
        const bool installed = InstallEntries(entries);
        // The new version is recorded only once every file is in place, so an
        // interrupted or failed installation is completed by the next run.
        if (installed && (!options_.onlyWhenNewer || newer)) {
            RecordSequence();
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
        if (!CatalogCarriesSha256(catalog)) return false;
        const std::vector<UpdateFileEntry> entries = TrustedEntries(catalog);
        const std::vector<UpdateFileEntry> toFetch = EntriesToFetch(entries);
        if (DownloadEntries(toFetch)) {
            if (InstallEntries(entries)) RecordSequence();
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
