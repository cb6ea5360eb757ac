#include "platform/TcpInfo.h"

#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cstddef>

namespace zeva {

bool GetTcpStats(long long socket, TcpStats& out) {
    tcp_info info{};
    socklen_t len = sizeof info;
    if (socket < 0 || getsockopt(static_cast<int>(socket), IPPROTO_TCP, TCP_INFO, &info, &len) != 0)
        return false;
    out.rttMs = info.tcpi_rtt / 1000.0;
    out.receiveRttMs = info.tcpi_rcv_rtt / 1000.0;
    out.bytesAcked = len >= offsetof(tcp_info, tcpi_bytes_acked) + sizeof info.tcpi_bytes_acked
                         ? info.tcpi_bytes_acked
                         : 0;
    out.bytesDelivered =
        out.bytesAcked + static_cast<std::uint64_t>(info.tcpi_sacked) * info.tcpi_snd_mss;
    out.bytesReceived =
        len >= offsetof(tcp_info, tcpi_bytes_received) + sizeof info.tcpi_bytes_received
            ? info.tcpi_bytes_received
            : 0;
    return true;
}

int CloseSocket(long long socket) {
    return socket < 0 ? -1 : close(static_cast<int>(socket));
}

}  // namespace zeva
