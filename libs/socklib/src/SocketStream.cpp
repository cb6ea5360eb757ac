#include "SocketStream.h"

#include <algorithm>
#include <chrono>

#include "SocketSys.h"

namespace {

int RemainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    return left < 0 ? 0 : static_cast<int>(std::min<long long>(left, 0x7FFFFFFF));
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

void CE_SocketStream::Attach(long long fd) {
    Close();
    fd_ = fd;
}

void CE_SocketStream::Close() {
    if (fd_ != -1) zeva::sock::Close(fd_);
    fd_ = -1;
}

int CE_SocketStream::Send(const void* data, std::size_t length, int timeoutSeconds) {
    if (fd_ == -1) return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    const char* p = static_cast<const char*>(data);
    std::size_t sent = 0;
    while (sent < length) {
        const long n = zeva::sock::Send(fd_, p + sent, length - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && !zeva::sock::LastWouldBlock()) return -1;
        const int wait = RemainingMs(deadline);
        if (wait == 0 || !zeva::sock::WaitFor(fd_, zeva::sock::kWritable, wait)) return -1;
    }
    return static_cast<int>(sent);
}

int CE_SocketStream::Receive(void* buffer, std::size_t length, int timeoutSeconds) {
    if (fd_ == -1) return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    for (;;) {
        const long n = zeva::sock::Receive(fd_, buffer, length);
        if (n >= 0) return static_cast<int>(n);
        if (!zeva::sock::LastWouldBlock()) return -1;
        const int wait = RemainingMs(deadline);
        if (wait == 0 || !zeva::sock::WaitFor(fd_, zeva::sock::kReadable, wait)) return -1;
    }
}
