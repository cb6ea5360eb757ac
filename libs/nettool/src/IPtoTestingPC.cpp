#include "IPtoTestingPC.h"

#include "AdapterInfo.h"
#include "LanScan.h"
#include "platform/CodePage.h"

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
    std::string note;
    return Scanning(devices, thorough, note);
}

int CIPtoTestingPC::Scanning(std::vector<IP_MAC>& devices, bool thorough, std::string& note) {
    devices.clear();
    note.clear();
    zeva::lan::ScanOptions options;
    options.rounds = thorough ? 3 : 2;
    options.roundWaitMs = thorough ? 600 : 300;
    zeva::lan::ScanResult result;
    std::string error;
    if (zeva::lan::ScanLan(options, result, error) != 0) {
        note = zeva::Acp("无法检测局域网：") + zeva::Utf8ToAcp(error);
        return -1;
    }
    if (!result.incomplete.empty()) {
        note =
            zeva::Acp("本系统不能向局域网地址逐个发送ARP询问，列表只含系统已知的设备，可能不全（") +
            zeva::Utf8ToAcp(result.incomplete) + zeva::Acp("）");
    }
    devices = std::move(result.devices);
    return static_cast<int>(devices.size());
}
