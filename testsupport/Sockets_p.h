#pragma once
// The few socket calls of the raw test servers, one half per system: a
// listening loopback socket, waiting, reading, writing, closing, and hanging
// up a connection that a server library owns.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace zeva::test {

// A socket descriptor on Linux, a SOCKET on Windows.
using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

// A socket listening on 127.0.0.1, its port in `port`. Throws when none can be made.
SocketHandle ListenLoopback(int& port);
// A connection to 127.0.0.1:port, or kNoSocket.
SocketHandle ConnectLoopback(unsigned short port);
// The next connection, or kNoSocket.
SocketHandle AcceptConnection(SocketHandle listener);
bool Readable(SocketHandle socket, int ms);
// Bytes read (0 at the end of the stream, < 0 on an error); `peek` leaves them queued.
long ReceiveSome(SocketHandle socket, char* buffer, std::size_t size, bool peek = false);
// Bytes written, < 0 on an error; a peer that went away is an error, not a signal.
long SendSome(SocketHandle socket, const char* data, std::size_t size);
void CloseSocket(SocketHandle socket);

// A datagram socket for a stand-in system log, its address in `address` as
// ZEVA_SYSLOG_SOCKET names it: a Unix socket "<dir>/log" on Linux, and
// "127.0.0.1:<port>" on Windows, which has no such sockets. kNoSocket on failure.
SocketHandle BindLogSocket(const std::filesystem::path& dir, std::string& address);

// Shuts down this process's connection from local port `local` to remote
// port `remote` (found by its ports: the server library holding it does not
// hand out its socket). False when there is none.
bool ShutdownConnection(unsigned short local, unsigned short remote);

}  // namespace zeva::test
