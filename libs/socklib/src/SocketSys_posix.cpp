// The socket layer on BSD sockets.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "SocketSys.h"

namespace zeva::sock {

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(std::min<long long>(left, 0x7FFFFFFF));
}

int Fd(Handle s) {
    return static_cast<int>(s);
}

sockaddr_in Ipv4(std::uint32_t ip, unsigned short port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(ip);
    a.sin_port = htons(port);
    return a;
}

}  // namespace

bool Startup(std::string*) {
    return true;
}

std::string LastErrorText() {
    return std::strerror(errno);
}

bool LastWouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == EINPROGRESS;
}

Handle ConnectTcp(const std::string& host, unsigned short port, int timeoutMs, std::string& error) {
    if (host.empty() || port == 0) {
        error = "no host or port";
        return kNoSocket;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const std::string service = std::to_string(port);
    if (const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &list); rc != 0) {
        error = "cannot resolve " + host + ": " + gai_strerror(rc);
        return kNoSocket;
    }
    error = "cannot connect to " + host + ":" + service;
    int result = -1;
    for (addrinfo* a = list; a != nullptr && result < 0; a = a->ai_next) {
        const int fd =
            socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (fd < 0) continue;
        int rc = connect(fd, a->ai_addr, a->ai_addrlen);
        if (rc != 0 && errno == EINPROGRESS) {
            pollfd pfd{fd, POLLOUT, 0};
            const int wait = RemainingMs(deadline);
            rc = -1;
            if (wait > 0 && poll(&pfd, 1, wait) > 0) {
                int soErr = 0;
                socklen_t len = sizeof soErr;
                getsockopt(fd, SOL_SOCKET, SO_ERROR, &soErr, &len);
                if (soErr == 0)
                    rc = 0;
                else
                    error += std::string(": ") + std::strerror(soErr);
            } else {
                error += ": timed out";
            }
        } else if (rc != 0) {
            error += std::string(": ") + std::strerror(errno);
        }
        if (rc == 0) {
            SetNoDelay(fd);
            result = fd;
        } else {
            close(fd);
        }
        if (RemainingMs(deadline) == 0) break;
    }
    freeaddrinfo(list);
    return result;
}

std::optional<std::uint32_t> ResolveIpv4(const std::string& host, std::string& error) {
    if (host.empty()) {
        error = "no host";
        return std::nullopt;
    }
    if (!Startup(&error)) return std::nullopt;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &list); rc != 0) {
        error = "cannot resolve " + host + ": " + gai_strerror(rc);
        return std::nullopt;
    }
    const auto* a = reinterpret_cast<const sockaddr_in*>(list->ai_addr);
    const std::uint32_t ip = ntohl(a->sin_addr.s_addr);
    freeaddrinfo(list);
    return ip;
}

Handle ListenTcpLoopback(unsigned short& port, int backlog) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return kNoSocket;
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a = Ipv4(INADDR_LOOPBACK, port);
    socklen_t len = sizeof a;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), len) != 0 || listen(fd, backlog) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        close(fd);
        return kNoSocket;
    }
    port = ntohs(a.sin_port);
    return fd;
}

Handle Accept(Handle listener, int timeoutMs) {
    if (!WaitFor(listener, kReadable, timeoutMs)) return kNoSocket;
    const int fd = accept4(Fd(listener), nullptr, nullptr, SOCK_CLOEXEC);
    return fd < 0 ? kNoSocket : fd;
}

Handle OpenUdp(std::uint32_t ip, unsigned short& port) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return kNoSocket;
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    if (ip != 0 || port != 0) {
        sockaddr_in a = Ipv4(ip, port);
        socklen_t len = sizeof a;
        if (bind(fd, reinterpret_cast<sockaddr*>(&a), len) != 0 ||
            getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
            close(fd);
            return kNoSocket;
        }
        port = ntohs(a.sin_port);
    }
    return fd;
}

long Send(Handle s, const void* data, std::size_t length) {
    return static_cast<long>(send(Fd(s), data, length, MSG_NOSIGNAL | MSG_DONTWAIT));
}

long Receive(Handle s, void* buffer, std::size_t length) {
    return static_cast<long>(recv(Fd(s), buffer, length, MSG_DONTWAIT));
}

long SendTo(Handle s, const void* data, std::size_t length, std::uint32_t ip, unsigned short port) {
    const sockaddr_in to = Ipv4(ip, port);
    return static_cast<long>(sendto(Fd(s), data, length, MSG_NOSIGNAL,
                                    reinterpret_cast<const sockaddr*>(&to), sizeof to));
}

long ReceiveFrom(Handle s, void* buffer, std::size_t length, std::uint32_t& ip,
                 unsigned short& port) {
    sockaddr_in from{};
    socklen_t len = sizeof from;
    const ssize_t n =
        recvfrom(Fd(s), buffer, length, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 0) return -1;
    ip = from.sin_family == AF_INET ? ntohl(from.sin_addr.s_addr) : 0;
    port = from.sin_family == AF_INET ? ntohs(from.sin_port) : 0;
    return static_cast<long>(n);
}

bool SetNonBlocking(Handle s, bool on) {
    const int flags = fcntl(Fd(s), F_GETFL);
    if (flags < 0) return false;
    return fcntl(Fd(s), F_SETFL, on ? flags | O_NONBLOCK : flags & ~O_NONBLOCK) == 0;
}

void SetNoDelay(Handle s) {
    const int one = 1;
    setsockopt(Fd(s), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

int Poll(PollEntry* entries, std::size_t count, int timeoutMs) {
    std::vector<pollfd> fds(count);
    for (std::size_t i = 0; i < count; ++i) {
        fds[i].fd = Fd(entries[i].socket);
        fds[i].events = static_cast<short>(((entries[i].wanted & kReadable) ? POLLIN : 0) |
                                           ((entries[i].wanted & kWritable) ? POLLOUT : 0));
        entries[i].ready = 0;
    }
    const int rc = poll(fds.data(), static_cast<nfds_t>(count), timeoutMs);
    if (rc <= 0) return rc < 0 && errno == EINTR ? 0 : rc;
    for (std::size_t i = 0; i < count; ++i) {
        const short r = fds[i].revents;
        entries[i].ready = ((r & POLLIN) ? kReadable : 0u) | ((r & POLLOUT) ? kWritable : 0u) |
                           ((r & (POLLERR | POLLHUP | POLLNVAL)) ? kFailed : 0u);
    }
    return rc;
}

void Shutdown(Handle s) {
    if (s != kNoSocket) shutdown(Fd(s), SHUT_RDWR);
}

void Close(Handle s) {
    if (s != kNoSocket) close(Fd(s));
}

}  // namespace zeva::sock
