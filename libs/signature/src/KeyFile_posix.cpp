#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "KeyFile_p.h"

namespace zeva {

int WriteOwnerOnlyFile(const std::filesystem::path& path, const std::string& data,
                       std::string& error) {
    // O_EXCL: an existing key (or anything else at that path) is never overwritten.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = PathText(path) + ": " +
                (errno == EEXIST ? std::string("already exists, not overwritten")
                                 : std::string(std::strerror(errno)));
        return -1;
    }
    bool ok = ::fchmod(fd, 0600) == 0;
    for (size_t done = 0; ok && done < data.size();) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<size_t>(n);
    }
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (!ok) {
        error = PathText(path) + ": cannot write: " + std::strerror(errno);
        ::unlink(path.c_str());
        return -1;
    }
    return 0;
}

}  // namespace zeva
