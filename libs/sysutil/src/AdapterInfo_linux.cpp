// The adapters on Linux: /sys/class/net, getifaddrs and the routing table.
#include "AdapterInfo.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "SysProbe.h"

namespace {

using zeva::probe::ReadText;
using zeva::probe::SysPath;

std::string Trimmed(std::optional<std::string> s) {
    if (!s) return {};
    while (!s->empty() && (s->back() == '\n' || s->back() == ' ')) s->pop_back();
    return *s;
}

// IPv4 addresses per interface. A fixture tree lists them in the file
// "ifaddrs" at its root, lines of "name address/prefix".
std::map<std::string, std::vector<_IP_ADDR_STRING>> Ipv4Addresses() {
    std::map<std::string, std::vector<_IP_ADDR_STRING>> out;
    auto maskText = [](unsigned prefix) {
        in_addr m{};
        m.s_addr = htonl(prefix == 0 ? 0 : 0xFFFFFFFFu << (32 - prefix));
        char buf[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &m, buf, sizeof buf);
        return std::string(buf);
    };
    if (zeva::probe::UsingFixtureRoot()) {
        const auto text = ReadText(SysPath("/ifaddrs"));
        if (!text) return out;
        std::size_t pos = 0;
        while (pos < text->size()) {
            auto nl = text->find('\n', pos);
            if (nl == std::string::npos) nl = text->size();
            const std::string line = text->substr(pos, nl - pos);
            pos = nl + 1;
            const auto sp = line.find(' ');
            const auto slash = line.find('/');
            if (sp == std::string::npos || slash == std::string::npos || slash < sp) continue;
            const unsigned prefix = static_cast<unsigned>(std::atoi(line.c_str() + slash + 1));
            if (prefix > 32) continue;
            out[line.substr(0, sp)].push_back(
                {line.substr(sp + 1, slash - sp - 1), maskText(prefix)});
        }
        return out;
    }
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return out;
    for (ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
        if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET) continue;
        char addr[INET_ADDRSTRLEN] = {};
        char mask[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(a->ifa_addr)->sin_addr, addr,
                  sizeof addr);
        if (a->ifa_netmask != nullptr)
            inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(a->ifa_netmask)->sin_addr, mask,
                      sizeof mask);
        out[a->ifa_name].push_back({addr, mask});
    }
    freeifaddrs(list);
    return out;
}

_ADAPTER_INFO Describe(const std::string& name,
                       const std::map<std::string, std::vector<_IP_ADDR_STRING>>& addrs,
                       const std::vector<zeva::probe::RouteEntry>& routes) {
    const std::string base = SysPath("/sys/class/net/" + name);
    _ADAPTER_INFO a;
    a.AdapterName = name;
    a.Index = static_cast<unsigned>(std::atoi(Trimmed(ReadText(base + "/ifindex")).c_str()));
    const unsigned flags = static_cast<unsigned>(
        std::strtoul(Trimmed(ReadText(base + "/flags")).c_str(), nullptr, 16));
    a.Enabled = (flags & IFF_UP) != 0;
    a.Connected = Trimmed(ReadText(base + "/carrier")) == "1";
    a.Wireless =
        std::filesystem::exists(base + "/wireless") || std::filesystem::exists(base + "/phy80211");
    const int type = std::atoi(Trimmed(ReadText(base + "/type")).c_str());
    a.PointToPoint = type == 512;  // ARPHRD_PPP
    a.MacAddress = zeva::probe::FormatMac(Trimmed(ReadText(base + "/address")));
    std::string driver;
    std::error_code ec;
    const auto link = std::filesystem::read_symlink(base + "/device/driver", ec);
    if (!ec) driver = link.filename().string();
    a.Description = a.PointToPoint ? "PPP " + name
                    : a.Wireless   ? "Wireless " + name
                                   : "Ethernet " + name;
    if (!driver.empty()) a.Description += " (" + driver + ")";
    if (const auto it = addrs.find(name); it != addrs.end()) a.IpAddressList = it->second;
    for (const auto& r : routes) {
        // RTF_GATEWAY on the default route of this interface
        if (r.iface == name && r.destination == "0.0.0.0" && (r.flags & 0x2) != 0)
            a.GatewayList.push_back({r.gateway, ""});
    }
    return a;
}

}  // namespace

int CAdapterInfo::GetAdapterInfo(std::vector<_ADAPTER_INFO>& adapters) {
    adapters.clear();
    try {
        const auto names = zeva::probe::RealInterfaces();
        if (names.empty() && !std::filesystem::exists(SysPath("/sys/class/net"))) return -1;
        const auto addrs = Ipv4Addresses();
        const auto routes =
            zeva::probe::ParseRoute(ReadText(SysPath("/proc/net/route")).value_or(""));
        for (const auto& n : names) adapters.push_back(Describe(n, addrs, routes));
        return 0;
    } catch (...) {
        return -1;
    }
}

int CAdapterInfo::GetAdapter(const std::string& name, _ADAPTER_INFO& adapter) {
    try {
        if (name.empty() || name.find('/') != std::string::npos ||
            !std::filesystem::exists(SysPath("/sys/class/net/" + name)))
            return -1;
        const auto routes =
            zeva::probe::ParseRoute(ReadText(SysPath("/proc/net/route")).value_or(""));
        adapter = Describe(name, Ipv4Addresses(), routes);
        return 0;
    } catch (...) {
        return -1;
    }
}
