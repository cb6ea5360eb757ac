#include "FakeSyslog.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace zeva::test {

FakeSyslog::FakeSyslog() : path_((dir_ / "log").string()), env_("ZEVA_SYSLOG_SOCKET", path_) {
    sockaddr_un a{};
    if (path_.size() >= sizeof a.sun_path) return;
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    a.sun_family = AF_UNIX;
    path_.copy(a.sun_path, path_.size());
    if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

FakeSyslog::~FakeSyslog() {
    if (fd_ >= 0) ::close(fd_);
}

std::vector<std::string> FakeSyslog::Drain() {
    std::vector<std::string> out;
    for (std::string record; !(record = Next(0)).empty();) out.push_back(std::move(record));
    return out;
}

std::string FakeSyslog::Next(int waitMs) {
    if (fd_ < 0) return {};
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, waitMs) <= 0) return {};
    char buf[8192];
    const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

}  // namespace zeva::test
