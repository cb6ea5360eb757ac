// The system log on Linux: one RFC 3164 record to the syslog socket.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "EventLog_p.h"

namespace zeva::eventlog {

namespace {

bool SendTo(const std::string& path, const std::string& record) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    for (int type : {SOCK_DGRAM, SOCK_STREAM}) {
        const int fd = socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
        if (fd < 0) continue;
        bool ok = false;
        if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
            // A stream socket needs a terminator between records.
            const std::string data = type == SOCK_STREAM ? record + '\n' : record;
            ok = send(fd, data.data(), data.size(), MSG_NOSIGNAL) ==
                 static_cast<ssize_t>(data.size());
        }
        const bool wrongType = errno == EPROTOTYPE;
        close(fd);
        if (ok) return true;
        if (!wrongType) return false;
    }
    return false;
}

}  // namespace

bool Report(const std::string& source, const std::string& text) {
    const char* env = std::getenv("ZEVA_SYSLOG_SOCKET");
    const std::string path = env != nullptr && *env != '\0' ? env : "/dev/log";
    return SendTo(path, SyslogRecord(source, text, static_cast<long>(getpid())));
}

}  // namespace zeva::eventlog
