#include "FakeSyslog.h"

#include "Sockets_p.h"

namespace zeva::test {

FakeSyslog::FakeSyslog() {
    fd_ = BindLogSocket(dir_.path(), address_);
    // Set even when the socket failed: records must not reach the machine's log.
    env_.emplace("ZEVA_SYSLOG_SOCKET", address_);
}

FakeSyslog::~FakeSyslog() {
    if (fd_ != kNoSocket) CloseSocket(fd_);
}

std::vector<std::string> FakeSyslog::Drain() {
    std::vector<std::string> out;
    for (std::string record; !(record = Next(0)).empty();) out.push_back(std::move(record));
    return out;
}

std::string FakeSyslog::Next(int waitMs) {
    if (fd_ == kNoSocket || !Readable(fd_, waitMs)) return {};
    char buf[8192];
    const long n = ReceiveSome(fd_, buf, sizeof buf);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

}  // namespace zeva::test
