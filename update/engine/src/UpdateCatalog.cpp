#include "UpdateCatalog.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "ConfigFile.h"
#include "ConfigKeys.h"
#include "MD5.h"
#include "SHA256.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"

namespace keys = zeva::cfgkeys;

namespace zeva {

bool VersionSortsAfter(const std::string& candidate, const std::string& current) {
    // std::string orders by char_traits<char>::compare, which compares bytes as unsigned.
    return candidate.compare(current) > 0;
}

bool IsSafeRelativeName(const std::string& acpName) {
    // Separators are looked for in UTF-8: a GBK trail byte may be 0x5C.
    const std::string name = AcpToUtf8(acpName);
    if (name.empty() || name.find(':') != std::string::npos) return false;
    size_t start = 0;
    while (true) {
        const size_t end = name.find_first_of("\\/", start);
        const std::string segment =
            name.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (segment.empty() || segment == "." || segment == "..") return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

bool IsSha256Text(const std::string& text) {
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

bool FileMatchesEntry(const std::string& acpPath, const UpdateFileEntry& entry) {
    const std::string& size = entry.size;
    if (size.empty() || size.size() > 18 ||
        size.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    std::error_code ec;
    const std::filesystem::path path = NativePath(acpPath);
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    const auto actual = std::filesystem::file_size(path, ec);
    if (ec || actual != std::stoull(size)) return false;
    std::string digest;
    CMD5::GetFileMD5(acpPath.c_str(), digest);
    if (digest != entry.md5) return false;
    if (entry.sha256.empty()) return true;
    // The signed SHA256 decides: an MD5 alone can be matched by a forged file.
    CSHA256::GetFileSHA256(acpPath.c_str(), digest);
    return digest == entry.sha256;
}

}  // namespace zeva

UpdateCatalog::UpdateCatalog(std::string installDir, std::string catalogPath,
                             std::string localVersion, std::string localRegion)
    : installDir_(std::move(installDir)),
      catalogPath_(std::move(catalogPath)),
      localVersion_(std::move(localVersion)),
      localRegion_(std::move(localRegion)) {
    if (installDir_.empty() || (installDir_.back() != '\\' && installDir_.back() != '/')) {
        installDir_.push_back('\\');
    }
}

void UpdateCatalog::AddDueFiles(const std::vector<std::string>& names) {
    CConfigFile catalog(catalogPath_);
    for (const std::string& name : names) {
        if (!zeva::IsSafeRelativeName(name)) {
            rejected_.push_back(name);
            continue;
        }
        UpdateFileEntry entry;
        entry.name = name;
        catalog.ReadString(name, keys::kKeyMD5, "", entry.md5);
        catalog.ReadString(name, keys::kKeySHA256, "", entry.sha256);
        if (!zeva::IsSha256Text(entry.sha256)) withoutSha256_.push_back(name);
        const std::string local = installDir_ + name;
        std::error_code ec;
        if (std::filesystem::is_directory(zeva::NativePath(local), ec)) {
            rejected_.push_back(name);
            continue;
        }
        if (std::filesystem::is_regular_file(zeva::NativePath(local), ec)) {
            std::string digest;
            CMD5::GetFileMD5(local.c_str(), digest);
            if (digest == entry.md5) continue;
        }
        catalog.ReadString(name, keys::kKeySize, "", entry.size);
        catalog.ReadString(name, keys::kKeyModifyTime, "", entry.modifyTime);
        entries_.push_back(std::move(entry));
    }
}

int UpdateCatalog::Evaluate() {
    entries_.clear();
    rejected_.clear();
    withoutSha256_.clear();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(zeva::NativePath(catalogPath_), ec)) return -1;
    CConfigFile catalog(catalogPath_);
    std::string version;
    std::string region;
    catalog.ReadString(keys::kSectionCatalogVersion, keys::kKeyCatalogVersion, "", version);
    catalog.ReadString(keys::kSectionCatalogVersion, keys::kKeyCatalogRegion, "", region);
    const int unconditional =
        catalog.ReadInteger(keys::kSectionCatalogVersion, keys::kKeyUnconditionalUpdate, 0);
    bool due = false;
    if (versionOnly_) {
        due = zeva::VersionSortsAfter(version, localVersion_);
    } else if (unconditional != 0) {
        due = true;
    } else if (region != localRegion_) {
        due = true;
    } else {
        due = zeva::VersionSortsAfter(version, localVersion_);
    }
    if (!due) return 1;
    std::vector<std::string> names;
    catalog.ReadSection(keys::kSectionFiles, names);
    AddDueFiles(names);
    return 0;
}

int UpdateCatalog::EvaluatePlugin() {
    return EvaluatePluginCatalog(false);
}

int UpdateCatalog::EvaluatePluginFilesSection() {
    return EvaluatePluginCatalog(true);
}

int UpdateCatalog::EvaluatePluginCatalog(bool filesSection) {
    entries_.clear();
    rejected_.clear();
    withoutSha256_.clear();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(zeva::NativePath(catalogPath_), ec)) return -1;
    CConfigFile catalog(catalogPath_);
    std::vector<std::string> names;
    if (filesSection)
        catalog.ReadSection(keys::kSectionFiles, names);
    else
        catalog.ReadSections(names);
    AddDueFiles(names);
    return 0;
}
