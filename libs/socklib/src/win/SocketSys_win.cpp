// The socket layer on Winsock 2: started once per process, non-blocking
// mode by ioctlsocket, WSAPoll for waiting, closesocket. Winsock raises no
// signal on a closed peer, so sends need no flag for it.
#include <mswsock.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
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

SOCKET Sock(Handle s) {
    return static_cast<SOCKET>(s);
}

Handle Out(SOCKET s) {
    return s == INVALID_SOCKET ? kNoSocket : static_cast<Handle>(s);
}

sockaddr_in Ipv4(std::uint32_t ip, unsigned short port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(ip);
    a.sin_port = htons(port);
    return a;
}

int Length(std::size_t n) {
    return n > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(n);
}

// The system's own text for an error number, in UTF-8.
std::string ErrorText(int code) {
    wchar_t* text = nullptr;
    // English where the system has it (messages end up in logs read by support), else its own.
    DWORD n = 0;
    const WORD languages[] = {MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT), 0};
    for (const WORD language : languages) {
        n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, static_cast<DWORD>(code), language,
                           reinterpret_cast<wchar_t*>(&text), 0, nullptr);
        if (n > 0) break;
    }
    std::string out;
    if (n > 0 && text != nullptr) {
        const int len = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), nullptr, 0,
                                            nullptr, nullptr);
        out.resize(static_cast<std::size_t>(len));
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), out.data(), len, nullptr,
                            nullptr);
    }
    if (text != nullptr) LocalFree(text);
    while (!out.empty() &&
           (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    // The connector's callers look for the POSIX wording of the common cases.
    if (code == WSAECONNREFUSED) return "Connection refused";
    if (code == WSAETIMEDOUT) return "Connection timed out";
    if (out.empty()) out = "socket error " + std::to_string(code);
    return out;
}

// A socket that programs started later do not inherit. Windows 7 before its
// first service pack knows no WSA_FLAG_NO_HANDLE_INHERIT: the flag is then
// cleared on the handle instead.
SOCKET NewSocket(int family, int type, int protocol) {
    SOCKET s = WSASocketW(family, type, protocol, nullptr, 0,
                          WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET && WSAGetLastError() == WSAEINVAL) {
        s = WSASocketW(family, type, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED);
        if (s != INVALID_SOCKET)
            SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    }
    return s;
}

}  // namespace

bool Startup(std::string* error) {
    static std::once_flag once;
    static int rc = 0;
    std::call_once(once, [] {
        WSADATA data;
        rc = WSAStartup(MAKEWORD(2, 2), &data);
    });
    if (rc != 0 && error != nullptr) *error = "Winsock cannot start: " + ErrorText(rc);
    return rc == 0;
}

std::string LastErrorText() {
    return ErrorText(WSAGetLastError());
}

bool LastWouldBlock() {
    const int e = WSAGetLastError();
    return e == WSAEWOULDBLOCK || e == WSAEINTR || e == WSAEINPROGRESS;
}

Handle ConnectTcp(const std::string& host, unsigned short port, int timeoutMs, std::string& error) {
    if (host.empty() || port == 0) {
        error = "no host or port";
        return kNoSocket;
    }
    if (!Startup(&error)) return kNoSocket;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const std::string service = std::to_string(port);
    if (const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &list); rc != 0) {
        error = "cannot resolve " + host + ": " + ErrorText(rc);
        return kNoSocket;
    }
    error = "cannot connect to " + host + ":" + service;
    Handle result = kNoSocket;
    for (addrinfo* a = list; a != nullptr && result == kNoSocket; a = a->ai_next) {
        const SOCKET s = NewSocket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (s == INVALID_SOCKET) continue;
        SetNonBlocking(Out(s), true);
        int rc = connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen));
        if (rc != 0 && WSAGetLastError() == WSAEWOULDBLOCK) {
            rc = -1;
            // A refused connection shows in the exception set of select; WSAPoll
            // of older systems does not report it.
            const int wait = RemainingMs(deadline);
            fd_set writable, failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_SET(s, &writable);
            FD_SET(s, &failed);
            timeval tv{wait / 1000, (wait % 1000) * 1000};
            if (wait > 0 && select(0, nullptr, &writable, &failed, &tv) > 0) {
                int soErr = 0;
                int len = sizeof soErr;
                getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soErr), &len);
                if (soErr == 0 && FD_ISSET(s, &writable))
                    rc = 0;
                else
                    error += ": " + ErrorText(soErr != 0 ? soErr : WSAECONNREFUSED);
            } else {
                error += ": timed out";
            }
        } else if (rc != 0) {
            error += ": " + LastErrorText();
        }
        if (rc == 0) {
            SetNoDelay(Out(s));
            result = Out(s);
        } else {
            closesocket(s);
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
        error = "cannot resolve " + host + ": " + ErrorText(rc);
        return std::nullopt;
    }
    const auto* a = reinterpret_cast<const sockaddr_in*>(list->ai_addr);
    const std::uint32_t ip = ntohl(a->sin_addr.s_addr);
    freeaddrinfo(list);
    return ip;
}

Handle ListenTcpLoopback(unsigned short& port, int backlog) {
    if (!Startup()) return kNoSocket;
    const SOCKET s = NewSocket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return kNoSocket;
    // Windows lets a second socket take a port in use with SO_REUSEADDR: make it exclusive.
    const BOOL one = TRUE;
    setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&one), sizeof one);
    sockaddr_in a = Ipv4(INADDR_LOOPBACK, port);
    int len = sizeof a;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), len) != 0 || listen(s, backlog) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        closesocket(s);
        return kNoSocket;
    }
    port = ntohs(a.sin_port);
    return Out(s);
}

Handle Accept(Handle listener, int timeoutMs) {
    if (!WaitFor(listener, kReadable, timeoutMs)) return kNoSocket;
    const SOCKET s = accept(Sock(listener), nullptr, nullptr);
    if (s == INVALID_SOCKET) return kNoSocket;
    // An accepted socket inherits the listener's mode; connections start blocking.
    SetNonBlocking(Out(s), false);
    SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    return Out(s);
}

Handle OpenUdp(std::uint32_t ip, unsigned short& port) {
    if (!Startup()) return kNoSocket;
    const SOCKET s = NewSocket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) return kNoSocket;
    SetNonBlocking(Out(s), true);
    const BOOL one = TRUE;
    setsockopt(s, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&one), sizeof one);
    // A datagram refused by the peer must not fail the next receive with WSAECONNRESET.
    BOOL off = FALSE;
    DWORD returned = 0;
    WSAIoctl(s, SIO_UDP_CONNRESET, &off, sizeof off, nullptr, 0, &returned, nullptr, nullptr);
    sockaddr_in a = Ipv4(ip, port);
    int len = sizeof a;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), len) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        closesocket(s);
        return kNoSocket;
    }
    port = ntohs(a.sin_port);
    return Out(s);
}

long Send(Handle s, const void* data, std::size_t length) {
    return send(Sock(s), static_cast<const char*>(data), Length(length), 0);
}

long Receive(Handle s, void* buffer, std::size_t length) {
    // The socket may be blocking (accepted ones are): ask first whether data waits.
    if (!WaitFor(s, kReadable, 0)) {
        WSASetLastError(WSAEWOULDBLOCK);
        return -1;
    }
    return recv(Sock(s), static_cast<char*>(buffer), Length(length), 0);
}

long SendTo(Handle s, const void* data, std::size_t length, std::uint32_t ip, unsigned short port) {
    const sockaddr_in to = Ipv4(ip, port);
    return sendto(Sock(s), static_cast<const char*>(data), Length(length), 0,
                  reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

long ReceiveFrom(Handle s, void* buffer, std::size_t length, std::uint32_t& ip,
                 unsigned short& port) {
    sockaddr_in from{};
    int len = sizeof from;
    const int n = recvfrom(Sock(s), static_cast<char*>(buffer), Length(length), 0,
                           reinterpret_cast<sockaddr*>(&from), &len);
    if (n == SOCKET_ERROR) {
        // A datagram larger than the buffer: the rest is dropped, as on Linux.
        if (WSAGetLastError() != WSAEMSGSIZE) return -1;
        ip = ntohl(from.sin_addr.s_addr);
        port = ntohs(from.sin_port);
        return Length(length);
    }
    ip = from.sin_family == AF_INET ? ntohl(from.sin_addr.s_addr) : 0;
    port = from.sin_family == AF_INET ? ntohs(from.sin_port) : 0;
    return n;
}

bool SetNonBlocking(Handle s, bool on) {
    u_long mode = on ? 1 : 0;
    return ioctlsocket(Sock(s), FIONBIO, &mode) == 0;
}

void SetNoDelay(Handle s) {
    const BOOL one = TRUE;
    setsockopt(Sock(s), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
}

int Poll(PollEntry* entries, std::size_t count, int timeoutMs) {
    if (count == 0) {
        // WSAPoll refuses an empty set; waiting is what was asked.
        if (timeoutMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        return 0;
    }
    std::vector<WSAPOLLFD> fds(count);
    for (std::size_t i = 0; i < count; ++i) {
        fds[i].fd = Sock(entries[i].socket);
        fds[i].events = static_cast<SHORT>(((entries[i].wanted & kReadable) ? POLLRDNORM : 0) |
                                           ((entries[i].wanted & kWritable) ? POLLWRNORM : 0));
        entries[i].ready = 0;
    }
    const int rc = WSAPoll(fds.data(), static_cast<ULONG>(count), timeoutMs);
    if (rc <= 0) return rc;
    for (std::size_t i = 0; i < count; ++i) {
        const SHORT r = fds[i].revents;
        entries[i].ready = ((r & (POLLRDNORM | POLLRDBAND)) ? kReadable : 0u) |
                           ((r & POLLWRNORM) ? kWritable : 0u) |
                           ((r & (POLLERR | POLLHUP | POLLNVAL)) ? kFailed : 0u);
    }
    return rc;
}

void Shutdown(Handle s) {
    if (s != kNoSocket) shutdown(Sock(s), SD_BOTH);
}

void Close(Handle s) {
    if (s != kNoSocket) closesocket(Sock(s));
}

}  // namespace zeva::sock
