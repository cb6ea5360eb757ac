// The adapters on Windows: GetAdaptersAddresses with the default routes of
// the forwarding table; loopback left out as on Linux, and the IPv6
// transition tunnels, which are no adapters a user would pick.
#include "AdapterInfo.h"

#include "Interfaces_win.h"

namespace {

_ADAPTER_INFO Convert(const zeva::probe::win::SystemAdapter& s) {
    _ADAPTER_INFO a;
    a.AdapterName = s.name;
    a.Description = s.description;
    a.MacAddress = s.mac;
    a.Index = s.index;
    a.Enabled = s.enabled;
    a.Connected = s.connected;
    a.Wireless = s.wireless;
    a.PointToPoint = s.pointToPoint;
    for (const auto& [ip, mask] : s.addresses) a.IpAddressList.push_back({ip, mask});
    for (const auto& g : s.gateways) a.GatewayList.push_back({g, ""});
    return a;
}

}  // namespace

int CAdapterInfo::GetAdapterInfo(std::vector<_ADAPTER_INFO>& adapters) {
    adapters.clear();
    try {
        const auto all = zeva::probe::win::ListAdapters();
        if (!all) return -1;
        for (const auto& a : *all)
            if (!a.loopback && !a.tunnel) adapters.push_back(Convert(a));
        return 0;
    } catch (...) {
        return -1;
    }
}

int CAdapterInfo::GetAdapter(const std::string& name, _ADAPTER_INFO& adapter) {
    try {
        if (name.empty()) return -1;
        const auto all = zeva::probe::win::ListAdapters();
        if (!all) return -1;
        for (const auto& a : *all) {
            if (a.name != name) continue;
            adapter = Convert(a);
            return 0;
        }
        return -1;
    } catch (...) {
        return -1;
    }
}
