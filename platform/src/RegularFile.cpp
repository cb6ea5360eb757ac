#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zeva {

namespace {

void SetError(std::string* error, const std::string& text) {
    if (error != nullptr) *error = text;
}

}  // namespace

int OpenRegularFile(const std::filesystem::path& path, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        SetError(error, "cannot open " + path.string() + ": " + std::strerror(errno));
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        SetError(error, path.string() + " is not a regular file");
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        SetError(error, "cannot read " + path.string() + ": " + std::strerror(errno));
        ::close(fd);
        return -1;
    }
    return fd;
}

std::optional<std::string> ReadRegularFile(const std::filesystem::path& path,
                                           std::uintmax_t maxBytes, std::string* error) {
    const int fd = OpenRegularFile(path, error);
    if (fd < 0) return std::nullopt;
    std::string data;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            SetError(error, "cannot read " + path.string() + ": " + std::strerror(errno));
            ::close(fd);
            return std::nullopt;
        }
        // Counted as read, not as the size fstat gave: a file may grow meanwhile.
        if (data.size() + static_cast<std::size_t>(n) > maxBytes) {
            SetError(error,
                     path.string() + " is larger than " + std::to_string(maxBytes) + " bytes");
            ::close(fd);
            return std::nullopt;
        }
        data.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return data;
}

}  // namespace zeva
