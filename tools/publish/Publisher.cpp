#include "Publisher.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>
#include <map>
#include <optional>
#include <stdexcept>

#include "ConfigKeys.h"
#include "MD5.h"
#include "SHA256.h"
#include "UpdateCatalog.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"
#include "platform/FileStore.h"

namespace fs = std::filesystem;
namespace keys = zeva::cfgkeys;

namespace zeva::publish {

namespace {

std::string Utf8(const fs::path& p) {
    const std::u8string u8 = p.generic_u8string();
    return std::string(u8.begin(), u8.end());
}

std::string ModifyTime(const fs::path& p) {
    std::error_code ec;
    const auto written = fs::last_write_time(p, ec);
    if (ec) throw std::runtime_error("cannot read " + Utf8Path(p));
    const std::time_t t = std::chrono::system_clock::to_time_t(
        std::chrono::floor<std::chrono::seconds>(std::chrono::file_clock::to_sys(written)));
    std::tm local{};
    localtime_r(&t, &local);
    char text[32] = {0};
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string Lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

}  // namespace

std::vector<PublishedFile> ScanRelease(const fs::path& dir, const std::string& catalogName,
                                       const std::function<void(size_t, size_t)>& progress,
                                       bool withSha256) {
    if (!fs::is_directory(dir)) throw std::runtime_error("not a folder: " + Utf8Path(dir));
    std::vector<PublishedFile> files;
    for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator();
         ++it) {
        if (!it->is_regular_file()) continue;
        const fs::path rel = fs::relative(it->path(), dir);
        if (rel == fs::path(catalogName) || rel == fs::path(SignatureName(catalogName))) continue;
        std::string utf8 = Utf8(rel);
        // Characters that would change the meaning of an INI line, or that Windows cannot store.
        if (utf8.find_first_of("=[]:;#\\\r\n") != std::string::npos) {
            throw std::runtime_error("file name cannot be listed in a catalog: " + utf8);
        }
        std::replace(utf8.begin(), utf8.end(), '/', '\\');
        const std::string acp = Utf8ToAcp(utf8);
        if (AcpToUtf8(acp) != utf8) {
            throw std::runtime_error("file name is not representable in the system code page: " +
                                     utf8);
        }
        if (!IsSafeRelativeName(acp)) throw std::runtime_error("unusable file name: " + utf8);
        PublishedFile f;
        f.name = acp;
        f.source = it->path();
        files.push_back(std::move(f));
    }
    std::sort(files.begin(), files.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    std::map<std::string, std::string> seen;
    for (const PublishedFile& f : files) {
        // Catalog sections match case-insensitively, as file names do on the clients.
        auto [it, fresh] = seen.emplace(Lower(f.name), f.name);
        if (!fresh) {
            throw std::runtime_error("names differ only in case: " + AcpToUtf8(it->second) +
                                     " and " + AcpToUtf8(f.name));
        }
    }
    for (size_t i = 0; i < files.size(); ++i) {
        PublishedFile& f = files[i];
        if (CMD5::GetFileMD5(AcpPath(f.source).c_str(), f.md5) != 0 ||
            (withSha256 && CSHA256::GetFileSHA256(AcpPath(f.source).c_str(), f.sha256) != 0)) {
            throw std::runtime_error("cannot read " + Utf8Path(f.source));
        }
        f.size = fs::file_size(f.source);
        f.modifyTime = ModifyTime(f.source);
        if (progress) progress(i + 1, files.size());
    }
    return files;
}

std::string CatalogText(CatalogKind kind, const std::vector<PublishedFile>& files,
                        const MainVersion& version, const CatalogStamp& stamp) {
    std::string s;
    auto line = [&s](const std::string& text) { s += text + "\r\n"; };
    auto stampLines = [&] {
        if (stamp.sequence != 0)
            line(std::string(keys::kKeyCatalogSequence) + "=" + std::to_string(stamp.sequence));
        if (stamp.expires != 0)
            line(std::string(keys::kKeyCatalogExpires) + "=" + std::to_string(stamp.expires));
    };
    if (kind == CatalogKind::Main) {
        line(std::string("[") + keys::kSectionCatalogVersion + "]");
        line(std::string(keys::kKeyCatalogVersion) + "=" + version.version);
        line(std::string(keys::kKeyCatalogRegion) + "=" + version.region);
        line(std::string(keys::kKeyUnconditionalUpdate) + "=" +
             (version.unconditional ? "1" : "0"));
        line(std::string(keys::kKeyNotify) + "=" + (version.notify ? "1" : "0"));
        stampLines();
    }
    if (kind != CatalogKind::Plugin) {
        line(std::string("[") + keys::kSectionFiles + "]");
        for (const PublishedFile& f : files) line(f.name + "=");
    }
    for (const PublishedFile& f : files) {
        line("[" + f.name + "]");
        line(std::string(keys::kKeyMD5) + "=" + f.md5);
        if (!f.sha256.empty()) line(std::string(keys::kKeySHA256) + "=" + f.sha256);
        line(std::string(keys::kKeySize) + "=" + std::to_string(f.size));
        line(std::string(keys::kKeyModifyTime) + "=" + f.modifyTime);
        if (kind != CatalogKind::Main) stampLines();
    }
    return s;
}

void WriteFileAtomically(const fs::path& path, const std::string& content) {
    std::error_code ec;
    // Only a path that does not exist yet gets its folders made; an existing
    // one (or a link to one) is checked by the rewrite itself.
    if (path.has_parent_path() && !fs::exists(fs::symlink_status(path, ec)))
        fs::create_directories(path.parent_path());
    std::string error;
    if (!RewriteFile(
            path, [&](const std::string&) { return std::optional<std::string>(content); },
            &error)) {
        throw std::runtime_error(error);
    }
}

std::string SignatureName(const std::string& catalogName) {
    return catalogName + keys::kSignatureSuffix;
}

fs::path LayOutServer(const fs::path& root, const std::string& type, const std::string& prefix,
                      const std::vector<PublishedFile>& files, const std::string& catalogName,
                      const std::string& catalogText, const std::string& signature) {
    const fs::path base = root / type / NativePath(prefix);
    for (const PublishedFile& f : files) {
        const fs::path target = base / NativePath(f.name);
        fs::create_directories(target.parent_path());
        fs::path tmp = target;
        tmp += ".tmp";
        fs::copy_file(f.source, tmp, fs::copy_options::overwrite_existing);
        fs::rename(tmp, target);
    }
    // The catalog comes last, so clients never see it before the files it lists.
    const fs::path catalog = base / catalogName;
    if (!signature.empty()) WriteFileAtomically(base / SignatureName(catalogName), signature);
    WriteFileAtomically(catalog, catalogText);
    return catalog;
}

}  // namespace zeva::publish
