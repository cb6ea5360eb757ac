#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "JournalFile_p.h"
#include "platform/FileStore.h"

namespace zeva {

namespace {

// Whether the open descriptor is the file `path` names now.
bool SameFile(int fd, const std::filesystem::path& path) {
    struct stat opened {};
    const auto named = IdentifyFile(path);
    return ::fstat(fd, &opened) == 0 && named && named->file == opened.st_ino &&
           named->device == opened.st_dev;
}

}  // namespace

bool JournalFile::OpenForAppend(const std::filesystem::path& path) {
    Close();
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0) return false;
        if (::flock(fd, LOCK_EX) != 0) {
            ::close(fd);
            return false;
        }
        if (SameFile(fd, path)) {
            handle_ = fd;
            return true;
        }
        ::close(fd);
    }
    return false;
}

JournalFile::TryResult JournalFile::TryLockExisting(const std::filesystem::path& path) {
    Close();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return TryResult::Missing;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return TryResult::Held;
    }
    handle_ = fd;
    return TryResult::Locked;
}

bool JournalFile::Append(const std::string& line) {
    if (handle_ < 0) return false;
    const int fd = static_cast<int>(handle_);
    size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(fd, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return ::fdatasync(fd) == 0;
}

bool JournalFile::IsOpen() const {
    return handle_ >= 0;
}

void JournalFile::Close() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
    handle_ = -1;
}

}  // namespace zeva
