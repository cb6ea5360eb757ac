#include "NetworkFlux.h"

#include <algorithm>
#include <mutex>

#include "SysProbe.h"

int CNetworkFlux::GetNetworkFlux(unsigned long& received, unsigned long& sent) {
    using namespace zeva::probe;
    // One accumulator per process, so every caller sees the same running totals.
    static std::mutex mutex;
    static FluxAccumulator totals;
    received = 0;
    sent = 0;
    const auto text = ReadText(SysPath("/proc/net/dev"));
    if (!text) return -1;
    auto counters = ParseNetDev(*text);
    const auto real = RealInterfaces();
    std::erase_if(counters, [&](const DevCounters& c) {
        return c.name == "lo" || std::find(real.begin(), real.end(), c.name) == real.end();
    });
    std::lock_guard lock(mutex);
    totals.Update(counters);
    received = totals.Received();
    sent = totals.Sent();
    return 0;
}
