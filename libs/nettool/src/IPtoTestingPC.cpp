#include "IPtoTestingPC.h"

#include "AdapterInfo.h"
#include "LanScan.h"

int CIPtoTestingPC::GetLocalIP(std::string& ip) {
    ip.clear();
    try {
        const std::string iface = zeva::lan::PrimaryInterface();
        _ADAPTER_INFO adapter;
        if (iface.empty() || CAdapterInfo::GetAdapter(iface, adapter) != 0 ||
            adapter.IpAddressList.empty())
            return -1;
        ip = adapter.IpAddressList[0].IpAddress;
        return 0;
    } catch (...) {
        return -1;
    }
}

int CIPtoTestingPC::Scanning(std::vector<IP_MAC>& devices, bool thorough) {
    devices.clear();
    zeva::lan::ScanOptions options;
    options.rounds = thorough ? 3 : 2;
    options.roundWaitMs = thorough ? 600 : 300;
    zeva::lan::ScanResult result;
    std::string error;
    if (zeva::lan::ScanLan(options, result, error) != 0) return -1;
    devices = std::move(result.devices);
    return static_cast<int>(devices.size());
}
