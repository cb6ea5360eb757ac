#pragma once
// What the TCP stack knows about one of its connections: its round-trip
// estimates and how much of the sent data the peer acknowledged.

#include <cstdint>

namespace zeva {

struct TcpStats {
    double rttMs = 0;         // smoothed round trip of the data this side sends
    double receiveRttMs = 0;  // the receiver's estimate, from the data that arrives (0: none yet)
    std::uint64_t bytesAcked = 0;  // of the data this side sent
    // Sent data the peer has, acknowledged in order or selectively: unlike
    // bytesAcked it does not jump when a lost segment's hole fills.
    std::uint64_t bytesDelivered = 0;
    std::uint64_t bytesReceived = 0;  // data that arrived, read by the program or not
};

// false when `socket` is no TCP connection or the system keeps no such figures.
bool GetTcpStats(long long socket, TcpStats& out);

// Closes a socket handed over by a transfer library that lets its caller
// close its sockets (so the caller can read their figures first).
int CloseSocket(long long socket);

}  // namespace zeva
