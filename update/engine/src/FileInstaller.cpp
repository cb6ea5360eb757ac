#include "FileInstaller.h"

#include <fcntl.h>
#include <unistd.h>

#include <system_error>
#include <vector>

#include "DirectoryEx.h"
#include "platform/AppPath.h"

namespace fs = std::filesystem;

namespace zeva {

namespace {

fs::path WithSuffix(const fs::path& p, const char* suffix) {
    fs::path out = p;
    out += suffix;
    return out;
}

bool SyncFile(const fs::path& p) {
    const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

InstallResult InstallFile(const fs::path& staged, const fs::path& target, IUpdateHost& host) {
    std::error_code ec;
    if (target.has_parent_path() && !fs::is_directory(target.parent_path(), ec)) {
        fs::create_directories(target.parent_path(), ec);
    }
    const fs::path fresh = WithSuffix(target, kNewFileSuffix);
    fs::remove(fresh, ec);
    if (!fs::copy_file(staged, fresh, fs::copy_options::overwrite_existing, ec) ||
        !SyncFile(fresh)) {
        fs::remove(fresh, ec);
        return InstallResult::Failed;
    }
    // An installed program keeps its mode (the executable bit in particular).
    const fs::file_status old = fs::status(target, ec);
    if (!ec && fs::is_regular_file(old)) fs::permissions(fresh, old.permissions(), ec);

    if (host.ReplaceFile(fresh, target)) return InstallResult::Replaced;

    // The target is in use: move it aside under its ".bak" name and try again.
    const fs::path backup = WithSuffix(target, kBackupSuffix);
    fs::remove(backup, ec);
    fs::rename(target, backup, ec);
    if (ec) {
        fs::remove(fresh, ec);
        return InstallResult::Failed;
    }
    if (host.ReplaceFile(fresh, target)) return InstallResult::ReplacedAfterMovingAside;
    fs::rename(backup, target, ec);
    fs::remove(fresh, ec);
    return InstallResult::Failed;
}

void CleanUpInstallLeftovers(const std::string& acpRoot) {
    std::vector<std::string> found;
    CDirectoryEx::SearchFile(acpRoot, true, std::string("*") + kBackupSuffix, found);
    for (const std::string& acp : found) {
        const fs::path backup = NativePath(acp);
        fs::path original = backup;
        original.replace_extension();
        std::error_code ec;
        if (fs::exists(fs::symlink_status(original, ec))) {
            fs::remove(backup, ec);
        } else {
            fs::rename(backup, original, ec);
        }
    }
    found.clear();
    CDirectoryEx::SearchFile(acpRoot, true, std::string("*") + kNewFileSuffix, found);
    for (const std::string& acp : found) {
        std::error_code ec;
        fs::remove(NativePath(acp), ec);
    }
}

}  // namespace zeva
