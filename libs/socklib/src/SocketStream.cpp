#include "SocketStream.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace {

int RemainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    return left < 0 ? 0 : static_cast<int>(left);
}

}  // namespace

CE_SocketStream::CE_SocketStream(CE_SocketStream&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

CE_SocketStream& CE_SocketStream::operator=(CE_SocketStream&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

CE_SocketStream::~CE_SocketStream() {
    Close();
}

void CE_SocketStream::Attach(int fd) {
    Close();
    fd_ = fd;
}

void CE_SocketStream::Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

int CE_SocketStream::Send(const void* data, std::size_t length, int timeoutSeconds) {
    if (fd_ < 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    const char* p = static_cast<const char*>(data);
    std::size_t sent = 0;
    while (sent < length) {
        const ssize_t n = send(fd_, p + sent, length - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return -1;
        pollfd pfd{fd_, POLLOUT, 0};
        const int wait = RemainingMs(deadline);
        if (wait == 0 || poll(&pfd, 1, wait) <= 0) return -1;
    }
    return static_cast<int>(sent);
}

int CE_SocketStream::Receive(void* buffer, std::size_t length, int timeoutSeconds) {
    if (fd_ < 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    for (;;) {
        const ssize_t n = recv(fd_, buffer, length, MSG_DONTWAIT);
        if (n >= 0) return static_cast<int>(n);
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return -1;
        pollfd pfd{fd_, POLLIN, 0};
        const int wait = RemainingMs(deadline);
        if (wait == 0 || poll(&pfd, 1, wait) <= 0) return -1;
    }
}
