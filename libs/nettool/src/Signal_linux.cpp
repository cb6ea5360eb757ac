// The wireless signal on Linux: the kernel's /proc/net/wireless.
#include "NetworkAdapter.h"
#include "SysProbe.h"

int CNetworkAdapter::GetSignalStrenghLevel(int& level) const {
    level = 0;
    const auto text = zeva::probe::ReadText(zeva::probe::SysPath("/proc/net/wireless"));
    if (!text) return -1;
    for (const auto& e : zeva::probe::ParseWireless(*text)) {
        if (e.iface != id_) continue;
        level = zeva::probe::SignalLevel(e);
        return 0;
    }
    return -1;
}
