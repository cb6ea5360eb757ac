#include "DirectoryEx.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "SysProbe.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"

namespace fs = std::filesystem;

namespace {

std::string Utf8Name(const fs::path& p) {
    const std::u8string u8 = p.filename().u8string();
    return std::string(reinterpret_cast<const char*>(u8.data()), u8.size());
}

// A system path as a native one with the native separators only, so paths
// handed back never mix '/' and '\\' (Windows accepts both in what it is given).
fs::path Native(const std::string& path) {
    return zeva::NativePath(path).make_preferred();
}

}  // namespace

int CDirectoryEx::GetApplicationPath(std::string& out) {
    out = zeva::ApplicationPathAcp();
    return 0;
}

int CDirectoryEx::GetFilePath(std::string path, std::string& folder) {
    const fs::path native = Native(path);
    if (!native.has_parent_path() || native.parent_path() == native) {
        folder = native.has_root_directory() ? zeva::AcpPath(native.root_path()) : std::string();
        return 0;
    }
    folder = zeva::AcpPath(native.parent_path());
    if (folder.empty() || folder.back() != zeva::kPathSeparator)
        folder.push_back(zeva::kPathSeparator);
    return 0;
}

int CDirectoryEx::CreateMultipleDirectory(std::string dir) {
    std::error_code ec;
    const fs::path native = Native(dir);
    if (native.empty()) return -1;
    fs::create_directories(native, ec);
    return fs::is_directory(native, ec) ? 0 : -1;
}

int CDirectoryEx::DeleteDirectory(std::string dir) {
    std::error_code ec;
    const fs::path native = Native(dir);
    if (native.empty() || native.relative_path().empty()) return -1;
    if (!fs::is_directory(fs::symlink_status(native, ec))) return -1;
    fs::remove_all(native, ec);
    return ec ? -1 : 0;
}

int CDirectoryEx::SearchFile(std::string dir, bool recursive, std::string pattern,
                             std::vector<std::string>& out) {
    std::error_code ec;
    const fs::path root = Native(dir);
    const std::string glob = zeva::AcpToUtf8(pattern.empty() ? std::string("*") : pattern);
    std::vector<fs::path> found;
    auto consider = [&](const fs::directory_entry& e) {
        std::error_code sec;
        if (e.is_regular_file(sec) && zeva::probe::WildcardMatch(glob, Utf8Name(e.path()))) {
            found.push_back(e.path());
        }
    };
    if (recursive) {
        fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied,
                                            ec);
        if (ec) return -1;
        for (const fs::recursive_directory_iterator end; it != end; it.increment(ec)) {
            if (ec) break;
            consider(*it);
        }
    } else {
        fs::directory_iterator it(root, fs::directory_options::skip_permission_denied, ec);
        if (ec) return -1;
        for (const fs::directory_iterator end; it != end; it.increment(ec)) {
            if (ec) break;
            consider(*it);
        }
    }
    std::sort(found.begin(), found.end());
    for (const fs::path& p : found) out.push_back(zeva::AcpPath(p));
    return ec ? -1 : 0;
}
