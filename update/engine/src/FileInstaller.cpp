#include "FileInstaller.h"

#include <string>
#include <system_error>

#include "FileSync_p.h"

namespace fs = std::filesystem;

namespace zeva {

namespace {

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

// `target` + `suffix`, or `target` + ".<n>" + `suffix` when that is taken by
// a file the installer did not make; empty when no name is free.
fs::path FreeName(const fs::path& target, const char* suffix) {
    fs::path p = target;
    p += suffix;
    for (int n = 1; Exists(p) && n < 1000; ++n) {
        p = target;
        p += "." + std::to_string(n) + suffix;
    }
    return Exists(p) ? fs::path() : p;
}

}  // namespace

InstallResult InstallFile(const fs::path& staged, const fs::path& target, IUpdateHost& host,
                          InstallJournal& journal) {
    std::error_code ec;
    // A folder standing where the release has a file is the user's, not ours to move aside.
    if (fs::is_directory(target, ec)) return InstallResult::Failed;
    if (target.has_parent_path() && !fs::is_directory(target.parent_path(), ec)) {
        fs::create_directories(target.parent_path(), ec);
    }
    const fs::path fresh = FreeName(target, kNewFileSuffix);
    if (fresh.empty() || !journal.RecordTemporary(fresh)) return InstallResult::Failed;
    if (!fs::copy_file(staged, fresh, fs::copy_options::none, ec) || !SyncFile(fresh)) {
        fs::remove(fresh, ec);
        return InstallResult::Failed;
    }
    // An installed program keeps its mode (the executable bit in particular).
    const fs::file_status old = fs::status(target, ec);
    if (!ec && fs::is_regular_file(old)) fs::permissions(fresh, old.permissions(), ec);

    if (host.ReplaceFile(fresh, target)) return InstallResult::Replaced;

    // The target is in use: move it aside under its ".bak" name and try again.
    const fs::path backup = FreeName(target, kBackupSuffix);
    if (backup.empty() || !journal.RecordBackup(target, backup)) {
        RemoveInstallerFile(fresh);
        return InstallResult::Failed;
    }
    fs::rename(target, backup, ec);
    if (ec) {
        RemoveInstallerFile(fresh);
        return InstallResult::Failed;
    }
    if (host.ReplaceFile(fresh, target)) return InstallResult::ReplacedAfterMovingAside;
    fs::rename(backup, target, ec);
    RemoveInstallerFile(fresh);
    return InstallResult::Failed;
}

}  // namespace zeva
