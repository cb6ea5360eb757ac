#pragma once
// The system's sockets behind one small interface (BSD sockets on Linux,
// Winsock 2 on Windows), for the code that talks TCP or UDP itself: the
// connector, the name look-ups, the neighbour probe and the loopback servers
// of the tests. IPv4 addresses are in host byte order; errors are texts.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zeva::sock {

// A socket descriptor (Linux) or SOCKET (Windows).
using Handle = long long;
constexpr Handle kNoSocket = -1;

// Makes the socket layer usable in this process (Winsock's start-up, once);
// every function below calls it. false with a reason when it cannot.
bool Startup(std::string* error = nullptr);

// The text of the last socket error of this thread.
std::string LastErrorText();
// True when the last call failed only because it would have to wait.
bool LastWouldBlock();

// A non-blocking TCP connection to host:port (each address of the name in
// turn) within `timeoutMs`; kNoSocket with a reason in `error`.
Handle ConnectTcp(const std::string& host, unsigned short port, int timeoutMs, std::string& error);

// The first IPv4 address of a name (the system's resolver); nullopt with a
// reason in `error`.
std::optional<std::uint32_t> ResolveIpv4(const std::string& host, std::string& error);

// A listening TCP socket on 127.0.0.1 (port 0: any free one, `port` tells which).
Handle ListenTcpLoopback(unsigned short& port, int backlog = 8);
// The next connection within `timeoutMs` (blocking socket), or kNoSocket.
Handle Accept(Handle listener, int timeoutMs);

// A non-blocking UDP socket bound to `ip`:`port` (0.0.0.0 / 0 for any; the
// bound port is written back), with broadcast allowed.
Handle OpenUdp(std::uint32_t ip, unsigned short& port);

// Without waiting on a non-blocking socket: the count, 0 on an orderly close
// (Receive), -1 on error (LastWouldBlock tells whether to wait). Sending never
// raises a signal when the peer has gone.
long Send(Handle s, const void* data, std::size_t length);
long Receive(Handle s, void* buffer, std::size_t length);
long SendTo(Handle s, const void* data, std::size_t length, std::uint32_t ip, unsigned short port);
long ReceiveFrom(Handle s, void* buffer, std::size_t length, std::uint32_t& ip,
                 unsigned short& port);

// Blocking or not, and no delay for small writes.
bool SetNonBlocking(Handle s, bool on);
void SetNoDelay(Handle s);

enum : unsigned { kReadable = 1, kWritable = 2, kFailed = 4 };
struct PollEntry {
    Handle socket = kNoSocket;
    unsigned wanted = 0;  // kReadable | kWritable
    unsigned ready = 0;   // set by Poll; kFailed for errors and hang-ups
};
// Waits up to `timeoutMs` (negative: for ever) until an entry is ready: the
// count of ready entries, 0 on time-out, -1 on error.
int Poll(PollEntry* entries, std::size_t count, int timeoutMs);
// Waits for one socket; true when it became ready for `wanted`.
bool WaitFor(Handle s, unsigned wanted, int timeoutMs);

// Ends both directions (wakes a thread blocked on the socket), and closes.
void Shutdown(Handle s);
void Close(Handle s);

// "a.b.c.d" in host byte order, and back.
std::optional<std::uint32_t> ParseIpv4(std::string_view dotted);
std::string Ipv4Text(std::uint32_t ip);

// Closes the socket with the owner's scope.
class Socket {
public:
    Socket() = default;
    explicit Socket(Handle h) : handle_(h) {}
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    Socket(Socket&& o) noexcept : handle_(o.Release()) {}
    Socket& operator=(Socket&& o) noexcept {
        if (this != &o) Reset(o.Release());
        return *this;
    }
    ~Socket() { Reset(); }

    Handle get() const { return handle_; }
    bool valid() const { return handle_ != kNoSocket; }
    Handle Release() {
        const Handle h = handle_;
        handle_ = kNoSocket;
        return h;
    }
    void Reset(Handle h = kNoSocket) {
        if (handle_ != kNoSocket) Close(handle_);
        handle_ = h;
    }

private:
    Handle handle_ = kNoSocket;
};

}  // namespace zeva::sock
