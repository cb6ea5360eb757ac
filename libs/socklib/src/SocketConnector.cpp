#include "SocketConnector.h"

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
#include <cstdio>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

// A non-blocking connect to each address of the name in turn, until one
// answers or the deadline passes. Returns the connected descriptor or -1.
int OpenTcp(const std::string& host, unsigned short port, Clock::time_point deadline,
            std::string& error) {
    if (host.empty() || port == 0) {
        error = "no host or port";
        return -1;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const std::string service = std::to_string(port);
    if (const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &list); rc != 0) {
        error = "cannot resolve " + host + ": " + gai_strerror(rc);
        return -1;
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
            const int one = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            result = fd;
        } else {
            close(fd);
        }
        if (RemainingMs(deadline) == 0) break;
    }
    freeaddrinfo(list);
    return result;
}

}  // namespace

namespace zeva {

std::string Base64(const std::string& data) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < data.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(data[i]) << 16) |
                           (static_cast<unsigned char>(data[i + 1]) << 8) |
                           static_cast<unsigned char>(data[i + 2]);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (i + 1 == data.size()) {
        const unsigned v = static_cast<unsigned char>(data[i]) << 16;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += "==";
    } else if (i + 2 == data.size()) {
        const unsigned v = (static_cast<unsigned char>(data[i]) << 16) |
                           (static_cast<unsigned char>(data[i + 1]) << 8);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

}  // namespace zeva

int CE_SocketConnector::Connect(CE_SocketStream& stream, const std::string& host,
                                unsigned short port, int timeoutSeconds) {
    stream.Close();
    try {
        const auto deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
        const int fd = OpenTcp(host, port, deadline, lastError_);
        if (fd < 0) return -1;
        stream.Attach(fd);
        return 0;
    } catch (const std::exception& e) {
        lastError_ = e.what();
        return -1;
    }
}

int CE_SocketConnector::Connect(CE_SocketStream& stream, const std::string& host,
                                unsigned short port, const std::string& proxyHost,
                                unsigned short proxyPort, const std::string& user,
                                const std::string& password, int timeoutSeconds) {
    stream.Close();
    try {
        // The target goes into the request line: refuse text that would break it.
        if (host.empty() || port == 0 || host.find_first_of(" \r\n\t/@") != std::string::npos) {
            lastError_ = "bad target host";
            return -1;
        }
        const auto deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
        const int fd = OpenTcp(proxyHost, proxyPort, deadline, lastError_);
        if (fd < 0) return -1;
        CE_SocketStream tunnel;
        tunnel.Attach(fd);
        const std::string target = (host.find(':') != std::string::npos ? "[" + host + "]" : host) +
                                   ":" + std::to_string(port);
        std::string request = "CONNECT " + target + " HTTP/1.1\r\nHost: " + target + "\r\n";
        if (!user.empty()) {
            const std::string credentials = user + ":" + password;
            if (credentials.find_first_of("\r\n") != std::string::npos) {
                lastError_ = "bad proxy credentials";
                return -1;
            }
            request += "Proxy-Authorization: Basic " + zeva::Base64(credentials) + "\r\n";
        }
        request += "\r\n";
        const int secondsLeft = std::max(1, (RemainingMs(deadline) + 999) / 1000);
        if (tunnel.Send(request.data(), request.size(), secondsLeft) !=
            static_cast<int>(request.size())) {
            lastError_ = "proxy closed the connection";
            return -1;
        }
        // Read the answer's head byte by byte, so nothing of the tunnelled
        // stream that may follow it is consumed.
        std::string head;
        while (head.size() < 8192 &&
               (head.size() < 4 || head.compare(head.size() - 4, 4, "\r\n\r\n") != 0)) {
            char c = 0;
            const int wait = RemainingMs(deadline);
            if (wait == 0) {
                lastError_ = "proxy did not answer in time";
                return -1;
            }
            const int n = tunnel.Receive(&c, 1, std::max(1, (wait + 999) / 1000));
            if (n <= 0 || RemainingMs(deadline) == 0) {
                lastError_ =
                    n == 0 ? "proxy closed the connection" : "proxy did not answer in time";
                return -1;
            }
            head += c;
        }
        int status = 0;
        if (head.compare(0, 5, "HTTP/") != 0 ||
            std::sscanf(head.c_str(), "HTTP/%*s %d", &status) != 1) {
            lastError_ = "proxy sent no HTTP answer";
            return -1;
        }
        if (status < 200 || status > 299) {
            lastError_ = "proxy refused the tunnel: " + head.substr(0, head.find("\r\n"));
            return -1;
        }
        stream = std::move(tunnel);
        return 0;
    } catch (const std::exception& e) {
        lastError_ = e.what();
        return -1;
    }
}
