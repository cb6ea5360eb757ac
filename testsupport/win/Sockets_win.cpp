// The raw test servers' sockets on Winsock 2.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <mutex>
#include <stdexcept>
#include <string>

#include "Sockets_p.h"

namespace zeva::test {

namespace {

void StartWinsock() {
    static std::once_flag once;
    std::call_once(once, [] {
        WSADATA wsa;
        if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) throw std::runtime_error("WSAStartup");
    });
}

SOCKET Native(SocketHandle socket) {
    return static_cast<SOCKET>(socket);
}

unsigned short PortOf(const sockaddr_storage& a) {
    if (a.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in&>(a).sin_port);
    if (a.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6&>(a).sin6_port);
    return 0;
}

}  // namespace

SocketHandle ListenLoopback(int& port) {
    StartWinsock();
    const SOCKET s =
        ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) throw std::runtime_error("socket");
    // Unlike SO_REUSEADDR on Windows, this keeps other sockets off the port.
    BOOL one = TRUE;
    setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&one), sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(s, 16) != 0) {
        closesocket(s);
        throw std::runtime_error("bind");
    }
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return static_cast<SocketHandle>(s);
}

SocketHandle ConnectLoopback(unsigned short port) {
    StartWinsock();
    const SOCKET s =
        ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) return kNoSocket;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        closesocket(s);
        return kNoSocket;
    }
    return static_cast<SocketHandle>(s);
}

SocketHandle AcceptConnection(SocketHandle listener) {
    const SOCKET s = ::accept(Native(listener), nullptr, nullptr);
    return s == INVALID_SOCKET ? kNoSocket : static_cast<SocketHandle>(s);
}

bool Readable(SocketHandle socket, int ms) {
    WSAPOLLFD p{Native(socket), POLLRDNORM, 0};
    return WSAPoll(&p, 1, ms) > 0;
}

long ReceiveSome(SocketHandle socket, char* buffer, std::size_t size, bool peek) {
    return ::recv(Native(socket), buffer, static_cast<int>(size), peek ? MSG_PEEK : 0);
}

long SendSome(SocketHandle socket, const char* data, std::size_t size) {
    return ::send(Native(socket), data, static_cast<int>(size), 0);
}

void CloseSocket(SocketHandle socket) {
    closesocket(Native(socket));
}

SocketHandle BindLogSocket(const std::filesystem::path&, std::string& address) {
    StartWinsock();
    address = "127.0.0.1:0";
    const SOCKET s =
        ::WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) return kNoSocket;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof a;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
        closesocket(s);
        return kNoSocket;
    }
    address = "127.0.0.1:" + std::to_string(ntohs(a.sin_port));
    return static_cast<SocketHandle>(s);
}

bool ShutdownConnection(unsigned short local, unsigned short remote) {
    StartWinsock();
    // Windows lists no process's sockets by number as /proc does; socket
    // handles are small multiples of four, so asking each is quick enough.
    for (UINT_PTR value = 4; value < 0x40000; value += 4) {
        const SOCKET s = static_cast<SOCKET>(value);
        sockaddr_storage mine{}, peer{};
        int mineLen = sizeof mine, peerLen = sizeof peer;
        if (::getsockname(s, reinterpret_cast<sockaddr*>(&mine), &mineLen) != 0) continue;
        if (::getpeername(s, reinterpret_cast<sockaddr*>(&peer), &peerLen) != 0) continue;
        if (PortOf(mine) == local && PortOf(peer) == remote) return ::shutdown(s, SD_BOTH) == 0;
    }
    return false;
}

}  // namespace zeva::test
