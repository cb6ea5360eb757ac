// The probes' Windows half: the IP helper functions for the interfaces,
// their counters and routes; GetSystemTimes and GlobalMemoryStatusEx for the
// processor and memory.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <iphlpapi.h>
#include <netioapi.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "Interfaces_win.h"
#include "SysProbe.h"

namespace zeva::probe {

namespace win {

std::string Utf8(const wchar_t* text) {
    if (text == nullptr || *text == L'\0') return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

std::string Dotted(std::uint32_t ip) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%u.%u.%u.%u", ip >> 24, (ip >> 16) & 0xFF, (ip >> 8) & 0xFF,
                  ip & 0xFF);
    return buf;
}

namespace {

std::uint32_t HostOrder(const sockaddr* a) {
    return ntohl(reinterpret_cast<const sockaddr_in*>(a)->sin_addr.s_addr);
}

std::string MaskText(unsigned prefix) {
    return Dotted(prefix == 0 ? 0 : prefix >= 32 ? 0xFFFFFFFFu : 0xFFFFFFFFu << (32 - prefix));
}

}  // namespace

std::optional<std::vector<SystemAdapter>> ListAdapters() {
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG rc = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 4 && rc == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        rc = GetAdaptersAddresses(
            AF_UNSPEC, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
            nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    std::vector<SystemAdapter> out;
    if (rc == ERROR_NO_DATA) return out;
    if (rc != NO_ERROR) return std::nullopt;

    // Administrative state by interface, from the interface table.
    std::map<NET_IFINDEX, bool> adminUp;
    MIB_IF_TABLE2* table = nullptr;
    if (GetIfTable2(&table) == NO_ERROR) {
        for (ULONG i = 0; i < table->NumEntries; ++i)
            adminUp[table->Table[i].InterfaceIndex] =
                table->Table[i].AdminStatus == NET_IF_ADMIN_STATUS_UP;
        FreeMibTable(table);
    }
    const auto routes = DefaultRoutes();
    for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a != nullptr;
         a = a->Next) {
        SystemAdapter s;
        s.name = a->AdapterName != nullptr ? a->AdapterName : "";
        s.description = Utf8(a->Description);
        if (s.description.empty()) s.description = Utf8(a->FriendlyName);
        s.index = a->IfIndex != 0 ? a->IfIndex : a->Ipv6IfIndex;
        s.mac = a->PhysicalAddressLength == 6
                    ? FormatMac(a->PhysicalAddress, a->PhysicalAddressLength)
                    : std::string();
        const auto admin = adminUp.find(s.index);
        s.enabled = admin != adminUp.end() ? admin->second : a->OperStatus != IfOperStatusDown;
        s.connected = a->OperStatus == IfOperStatusUp;
        s.wireless = a->IfType == IF_TYPE_IEEE80211;
        s.pointToPoint = a->IfType == IF_TYPE_PPP;
        s.loopback = a->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
        s.tunnel = a->IfType == IF_TYPE_TUNNEL;
        for (auto* u = a->FirstUnicastAddress; u != nullptr; u = u->Next) {
            if (u->Address.lpSockaddr == nullptr || u->Address.lpSockaddr->sa_family != AF_INET)
                continue;
            s.addresses.emplace_back(Dotted(HostOrder(u->Address.lpSockaddr)),
                                     MaskText(u->OnLinkPrefixLength));
        }
        for (const auto& r : routes)
            if (r.index == s.index) s.gateways.push_back(r.gateway);
        out.push_back(std::move(s));
    }
    std::stable_sort(out.begin(), out.end(), [](const SystemAdapter& x, const SystemAdapter& y) {
        return x.index < y.index;
    });
    return out;
}

std::optional<std::vector<InterfaceCounters>> ReadInterfaceCounters() {
    MIB_IF_TABLE2* table = nullptr;
    if (GetIfTable2(&table) != NO_ERROR) return std::nullopt;
    std::vector<InterfaceCounters> out;
    for (ULONG i = 0; i < table->NumEntries; ++i) {
        const MIB_IF_ROW2& row = table->Table[i];
        InterfaceCounters c;
        c.index = row.InterfaceIndex;
        c.key = std::to_string(row.InterfaceLuid.Value);
        c.loopback = row.Type == IF_TYPE_SOFTWARE_LOOPBACK;
        // Filter drivers and tunnels repeat the traffic of the adapter beneath them.
        c.counted = !c.loopback && !row.InterfaceAndOperStatusFlags.FilterInterface &&
                    row.Type != IF_TYPE_TUNNEL;
        c.rxBytes = row.InOctets;
        c.txBytes = row.OutOctets;
        out.push_back(std::move(c));
    }
    FreeMibTable(table);
    return out;
}

std::vector<DefaultRoute> DefaultRoutes() {
    std::vector<DefaultRoute> out;
    MIB_IPFORWARD_TABLE2* table = nullptr;
    if (GetIpForwardTable2(AF_INET, &table) != NO_ERROR) return out;
    for (ULONG i = 0; i < table->NumEntries; ++i) {
        const MIB_IPFORWARD_ROW2& row = table->Table[i];
        if (row.DestinationPrefix.PrefixLength != 0) continue;
        const std::uint32_t hop = ntohl(row.NextHop.Ipv4.sin_addr.s_addr);
        if (hop == 0) continue;  // on-link: no gateway
        out.push_back({row.InterfaceIndex, Dotted(hop), row.Metric});
    }
    FreeMibTable(table);
    std::stable_sort(out.begin(), out.end(), [](const DefaultRoute& a, const DefaultRoute& b) {
        return a.metric < b.metric;
    });
    return out;
}

}  // namespace win

std::vector<std::string> RealInterfaces() {
    std::vector<std::string> out;
    const auto adapters = win::ListAdapters();
    if (!adapters) return out;
    for (const auto& a : *adapters)
        if (!a.loopback && !a.tunnel) out.push_back(a.name);
    return out;
}

std::optional<CpuTimes> ReadCpuTimes() {
    FILETIME idle, kernel, user;
    if (!GetSystemTimes(&idle, &kernel, &user)) return std::nullopt;
    auto value = [](const FILETIME& t) {
        return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    // Kernel time includes the idle time.
    CpuTimes t;
    t.total = value(kernel) + value(user);
    t.busy = t.total - std::min(value(idle), t.total);
    return t;
}

std::optional<MemInfo> ReadMemInfo() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status) || status.ullTotalPhys == 0) return std::nullopt;
    MemInfo m;
    m.totalBytes = status.ullTotalPhys;
    m.availableBytes = std::min(status.ullAvailPhys, status.ullTotalPhys);
    m.swapTotalBytes = status.ullTotalPageFile;
    m.swapFreeBytes = status.ullAvailPageFile;
    return m;
}

std::optional<std::vector<DevCounters>> ReadRealInterfaceCounters() {
    const auto rows = win::ReadInterfaceCounters();
    if (!rows) return std::nullopt;
    std::vector<DevCounters> out;
    for (const auto& r : *rows)
        if (r.counted) out.push_back({r.key, r.rxBytes, r.txBytes});
    return out;
}

}  // namespace zeva::probe
