#include <fcntl.h>
#include <unistd.h>

#include <system_error>

#include "FileSync_p.h"

namespace zeva {

namespace {

bool SyncOpened(const std::filesystem::path& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

bool SyncFile(const std::filesystem::path& path) {
    return SyncOpened(path, O_RDONLY);
}

bool SyncDirectory(const std::filesystem::path& dir) {
    return SyncOpened(dir, O_RDONLY | O_DIRECTORY);
}

bool ReplaceInOneStep(const std::filesystem::path& source, const std::filesystem::path& target) {
    std::error_code ec;
    std::filesystem::rename(source, target, ec);
    return !ec;
}

bool RemoveInstallerFile(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return !ec;
}

}  // namespace zeva
