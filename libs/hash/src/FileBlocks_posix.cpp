#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "FileBlocks_p.h"

namespace zeva::hash {

bool ReadFileBlocks(const std::filesystem::path& path, std::size_t blockSize,
                    const std::function<bool(const unsigned char*, std::size_t)>& consume) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    std::vector<unsigned char> buf(blockSize);
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (!consume(buf.data(), static_cast<std::size_t>(n))) {
            ok = false;
            break;
        }
    }
    ::close(fd);
    return ok;
}

}  // namespace zeva::hash
