#pragma once
// The machine's received and sent byte totals over its real (non-loopback)
// interfaces, as 32-bit counters that wrap: callers subtract two readings
// in unsigned 32-bit arithmetic to get the traffic in between.

class CNetworkFlux {
public:
    // 0 on success, -1 when the counters cannot be read (both then 0).
    static int GetNetworkFlux(unsigned long& received, unsigned long& sent);
};
