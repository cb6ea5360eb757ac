#include "NetworkFlux.h"

#include <mutex>

#include "SysProbe.h"

int CNetworkFlux::GetNetworkFlux(unsigned long& received, unsigned long& sent) {
    using namespace zeva::probe;
    // One accumulator per process, so every caller sees the same running totals.
    static std::mutex mutex;
    static FluxAccumulator totals;
    received = 0;
    sent = 0;
    const auto counters = ReadRealInterfaceCounters();
    if (!counters) return -1;
    std::lock_guard lock(mutex);
    totals.Update(*counters);
    received = totals.Received();
    sent = totals.Sent();
    return 0;
}
