#pragma once
// One network adapter: its state, addresses and, for wireless adapters, the
// signal strength.

#include <string>
#include <vector>

#include "AdapterInfo.h"

enum COMMON_eNicState {
    NIC_STATE_UNKNOWN = 0,
    NIC_STATE_ENABLED = 1,
    NIC_STATE_DISABLED = 2,
};

struct tag_ADAPTER {
    std::string Id;  // the interface name
    std::string Description;
};

class CNetworkAdapter {
public:
    explicit CNetworkAdapter(std::string id);

    // The real (non-loopback) adapters. 0, or -1 with a reason.
    static int RetrieveAdapterIdList(std::vector<tag_ADAPTER>& adapters, std::string& error);

    // Every method returns 0, or -1 when the adapter does not exist (or,
    // for the signal, is not wireless or reports no signal).
    int IsEnabled(COMMON_eNicState& state) const;
    // Fills `info`; with `requireAddress` an adapter without IPv4 address gives -1.
    int RetrieveIPv4Data(_ADAPTER_INFO& info, bool requireAddress) const;
    int IsWirelessAdapter(bool& wireless) const;
    // 1 (poor) to 5 (excellent), from /proc/net/wireless.
    int GetSignalStrenghLevel(int& level) const;

private:
    std::string id_;
};
