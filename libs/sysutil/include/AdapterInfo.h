#pragma once
// The machine's network adapters with their IPv4 addresses, gateways and
// hardware addresses.

#include <string>
#include <vector>

struct _IP_ADDR_STRING {
    std::string IpAddress;  // dotted text
    std::string IpMask;
};

struct _ADAPTER_INFO {
    std::string AdapterName;  // interface name, the adapter's id
    std::string Description;
    std::string MacAddress;  // "00-11-22-33-44-55", upper case; empty when it has none
    unsigned Index = 0;
    bool Enabled = false;    // administratively up
    bool Connected = false;  // carrier present
    bool Wireless = false;
    bool PointToPoint = false;  // a dial-up (PPP) link
    std::vector<_IP_ADDR_STRING> IpAddressList;
    std::vector<_IP_ADDR_STRING> GatewayList;  // IpMask empty
};

class CAdapterInfo {
public:
    // The real (non-loopback) adapters, by interface index. 0, or -1 when
    // the adapter list cannot be read.
    static int GetAdapterInfo(std::vector<_ADAPTER_INFO>& adapters);
    // One adapter by name; -1 when it does not exist.
    static int GetAdapter(const std::string& name, _ADAPTER_INFO& adapter);
};
