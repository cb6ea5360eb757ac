#include "platform/NamedMutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/RuntimeDir.h"

namespace zeva {

std::unique_ptr<NamedMutex> NamedMutex::Create(const std::string& name) {
    std::string file;
    for (char c : name) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        file.push_back(safe ? c : '_');
    }
    const auto dir = UserRuntimeDirectory();
    if (!dir) return std::unique_ptr<NamedMutex>(new NamedMutex(-1, false));
    std::error_code ec;
    std::filesystem::create_directories(*dir, ec);
    const auto path = *dir / (file + ".lock");
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return std::unique_ptr<NamedMutex>(new NamedMutex(-1, false));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return std::unique_ptr<NamedMutex>(new NamedMutex(-1, held));
    }
    return std::unique_ptr<NamedMutex>(new NamedMutex(fd, false));
}

NamedMutex::~NamedMutex() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace zeva
