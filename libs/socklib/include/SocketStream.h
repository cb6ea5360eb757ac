#pragma once
// A connected TCP stream, closed with the object.

#include <cstddef>
#include <string>

class CE_SocketConnector;

class CE_SocketStream {
public:
    CE_SocketStream() = default;
    CE_SocketStream(const CE_SocketStream&) = delete;
    CE_SocketStream& operator=(const CE_SocketStream&) = delete;
    CE_SocketStream(CE_SocketStream&& other) noexcept;
    CE_SocketStream& operator=(CE_SocketStream&& other) noexcept;
    ~CE_SocketStream();

    bool IsOpen() const { return fd_ != -1; }
    // The socket descriptor (Linux) or SOCKET (Windows); -1 when closed.
    long long GetHandle() const { return fd_; }

    // Sends everything within `timeoutSeconds`: the count sent, or -1.
    int Send(const void* data, std::size_t length, int timeoutSeconds);
    // Waits up to `timeoutSeconds` for data: the count received, 0 when the
    // peer closed the stream, -1 on error or time-out.
    int Receive(void* buffer, std::size_t length, int timeoutSeconds);
    void Close();

private:
    friend class CE_SocketConnector;
    void Attach(long long fd);
    long long fd_ = -1;
};
