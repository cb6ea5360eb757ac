#include "NetworkAdapter.h"

// The adapters as the system lists them; the wireless signal is read by
// each system's half.

CNetworkAdapter::CNetworkAdapter(std::string id) : id_(std::move(id)) {}

int CNetworkAdapter::RetrieveAdapterIdList(std::vector<tag_ADAPTER>& adapters, std::string& error) {
    adapters.clear();
    std::vector<_ADAPTER_INFO> infos;
    if (CAdapterInfo::GetAdapterInfo(infos) != 0) {
        error = "cannot read the adapter list";
        return -1;
    }
    for (const auto& i : infos) adapters.push_back({i.AdapterName, i.Description});
    return 0;
}

int CNetworkAdapter::IsEnabled(COMMON_eNicState& state) const {
    state = NIC_STATE_UNKNOWN;
    _ADAPTER_INFO info;
    if (CAdapterInfo::GetAdapter(id_, info) != 0) return -1;
    state = info.Enabled ? NIC_STATE_ENABLED : NIC_STATE_DISABLED;
    return 0;
}

int CNetworkAdapter::RetrieveIPv4Data(_ADAPTER_INFO& info, bool requireAddress) const {
    if (CAdapterInfo::GetAdapter(id_, info) != 0) return -1;
    return requireAddress && info.IpAddressList.empty() ? -1 : 0;
}

int CNetworkAdapter::IsWirelessAdapter(bool& wireless) const {
    wireless = false;
    _ADAPTER_INFO info;
    if (CAdapterInfo::GetAdapter(id_, info) != 0) return -1;
    wireless = info.Wireless;
    return 0;
}
