#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "Sockets_p.h"

namespace zeva::test {

namespace {

unsigned short PortOf(const sockaddr_storage& a) {
    if (a.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in&>(a).sin_port);
    if (a.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6&>(a).sin6_port);
    return 0;
}

}  // namespace

SocketHandle ListenLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket");
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 16) != 0) {
        ::close(fd);
        throw std::runtime_error("bind");
    }
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

SocketHandle ConnectLoopback(unsigned short port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return kNoSocket;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return kNoSocket;
    }
    return fd;
}

SocketHandle AcceptConnection(SocketHandle listener) {
    const int fd = ::accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC);
    return fd < 0 ? kNoSocket : fd;
}

bool Readable(SocketHandle socket, int ms) {
    pollfd p{static_cast<int>(socket), POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
}

long ReceiveSome(SocketHandle socket, char* buffer, std::size_t size, bool peek) {
    return ::recv(static_cast<int>(socket), buffer, size, peek ? MSG_PEEK : 0);
}

long SendSome(SocketHandle socket, const char* data, std::size_t size) {
    return ::send(static_cast<int>(socket), data, size, MSG_NOSIGNAL);
}

void CloseSocket(SocketHandle socket) {
    ::close(static_cast<int>(socket));
}

SocketHandle BindLogSocket(const std::filesystem::path& dir, std::string& address) {
    address = (dir / "log").string();
    sockaddr_un a{};
    if (address.size() >= sizeof a.sun_path) return kNoSocket;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return kNoSocket;
    a.sun_family = AF_UNIX;
    address.copy(a.sun_path, address.size());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return kNoSocket;
    }
    return fd;
}

bool ShutdownConnection(unsigned short local, unsigned short remote) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
        int fd = -1;
        try {
            fd = std::stoi(entry.path().filename().string());
        } catch (const std::exception&) {
            continue;
        }
        sockaddr_storage mine{}, peer{};
        socklen_t mineLen = sizeof mine, peerLen = sizeof peer;
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&mine), &mineLen) != 0) continue;
        if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLen) != 0) continue;
        if (PortOf(mine) == local && PortOf(peer) == remote) return ::shutdown(fd, SHUT_RDWR) == 0;
    }
    return false;
}

}  // namespace zeva::test
