// A connection's figures on Windows: SIO_TCP_INFO (Windows 10 1703 and
// later). Where the system has no such figures, GetTcpStats says so (false)
// and the callers go without them.
#include <winsock2.h>

#include <mstcpip.h>
#include <windows.h>

#include "platform/TcpInfo.h"

namespace zeva {

namespace {

#ifndef SIO_TCP_INFO
#define SIO_TCP_INFO _WSAIORW(IOC_VENDOR, 39)
#endif

// Version 0 of the answer, as the system lays it out; the SDK declares it
// only for Windows 10 builds.
struct TcpInfoV0 {
    int state;
    ULONG mss;
    ULONG64 connectionTimeMs;
    BOOLEAN timestampsEnabled;
    ULONG rttUs;
    ULONG minRttUs;
    ULONG bytesInFlight;
    ULONG cwnd;
    ULONG sndWnd;
    ULONG rcvWnd;
    ULONG rcvBuf;
    ULONG64 bytesOut;
    ULONG64 bytesIn;
    ULONG bytesReordered;
    ULONG bytesRetrans;
    ULONG fastRetrans;
    ULONG dupAcksIn;
    ULONG timeoutEpisodes;
    UCHAR synRetrans;
};

}  // namespace

bool GetTcpStats(long long socket, TcpStats& out) {
    if (socket < 0) return false;
    DWORD version = 0;
    TcpInfoV0 info{};
    DWORD got = 0;
    if (WSAIoctl(static_cast<SOCKET>(socket), SIO_TCP_INFO, &version, sizeof version, &info,
                 sizeof info, &got, nullptr, nullptr) != 0 ||
        got < sizeof info)
        return false;
    out.rttMs = info.rttUs / 1000.0;
    out.receiveRttMs = 0;  // Windows keeps no receiver-side estimate
    // What was sent and is no longer in flight has been acknowledged.
    out.bytesAcked = info.bytesOut >= info.bytesInFlight ? info.bytesOut - info.bytesInFlight : 0;
    out.bytesDelivered = out.bytesAcked;
    out.bytesReceived = info.bytesIn;
    return true;
}

int CloseSocket(long long socket) {
    if (socket < 0) return -1;
    return closesocket(static_cast<SOCKET>(socket)) == 0 ? 0 : -1;
}

}  // namespace zeva
