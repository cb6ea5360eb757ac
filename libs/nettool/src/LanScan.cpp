#include "LanScan.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <set>
#include <thread>

#include "AdapterInfo.h"
#include "LanScanSystem_p.h"
#include "SocketSys.h"
#include "SysProbe.h"
#include "platform/CodePage.h"
#include "platform/ProgramArguments.h"

namespace zeva::lan {

namespace {

std::optional<std::uint32_t> MacPrefix(std::string_view mac) {
    std::uint32_t v = 0;
    int digits = 0;
    for (char c : mac) {
        if (c == '-' || c == ':') continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
        v = (v << 4) | static_cast<std::uint32_t>(std::stoi(std::string(1, c), nullptr, 16));
        if (++digits == 6) return v;
    }
    return std::nullopt;
}

std::string Dotted(std::uint32_t hostOrder) {
    return zeva::sock::Ipv4Text(hostOrder);
}

std::optional<std::uint32_t> HostOrder(const std::string& dotted) {
    return zeva::sock::ParseIpv4(dotted);
}

// Without the privilege for raw ARP: send a datagram to every address so
// the system resolves it, then read what its neighbour table learned.
void NeighbourScan(const ScanOptions& opt, const sys::Adapter& adapter,
                   const std::vector<std::uint32_t>& targetList, sys::Found& found) {
    unsigned short port = 0;
    const zeva::sock::Socket s(zeva::sock::OpenUdp(0, port));
    if (s.valid()) {
        const char byte = 0;
        for (const std::uint32_t t : targetList)
            zeva::sock::SendTo(s.get(), &byte, 1, t, 9);  // discard
    }
    const int waitMs = std::max(1000, std::max(1, opt.rounds) * opt.roundWaitMs);
    std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
    const std::set<std::uint32_t> targets(targetList.begin(), targetList.end());
    for (const auto& e : sys::ResolvedNeighbours(adapter)) {
        const auto ip = HostOrder(e.ip);
        if (!ip || !targets.count(*ip)) continue;
        if (e.mac.empty() || e.mac == "00-00-00-00-00-00" || e.mac == adapter.mac) continue;
        found.insert({*ip, e.mac});
    }
}

}  // namespace

OuiDatabase OuiDatabase::FromText(std::string_view text) {
    OuiDatabase db;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto nl = text.find('\n', pos);
        if (nl == std::string_view::npos) nl = text.size();
        std::string_view line = text.substr(pos, nl - pos);
        pos = nl + 1;
        const auto hex = line.find("(hex)");
        if (hex == std::string_view::npos) continue;
        const auto prefix = MacPrefix(line.substr(0, hex));
        if (!prefix) continue;
        std::string_view name = line.substr(hex + 5);
        while (!name.empty() && std::isspace(static_cast<unsigned char>(name.front())))
            name.remove_prefix(1);
        while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back())))
            name.remove_suffix(1);
        db.names_.emplace_back(*prefix, std::string(name));
    }
    std::stable_sort(db.names_.begin(), db.names_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return db;
}

OuiDatabase OuiDatabase::FromFile(const std::string& path) {
    const auto text = zeva::probe::ReadText(path);
    return text ? FromText(*text) : OuiDatabase{};
}

const OuiDatabase& OuiDatabase::Default() {
    static const OuiDatabase db = [] {
        const auto env = zeva::EnvironmentVariable("ZEVA_OUI_FILE");
        return FromFile(env && !env->empty() ? *env : "/usr/share/ieee-data/oui.txt");
    }();
    return db;
}

std::string OuiDatabase::Lookup(std::string_view mac) const {
    const auto prefix = MacPrefix(mac);
    if (!prefix) return {};
    const auto it = std::lower_bound(names_.begin(), names_.end(), *prefix,
                                     [](const auto& e, std::uint32_t p) { return e.first < p; });
    return it != names_.end() && it->first == *prefix ? it->second : std::string();
}

bool IsLocallyAdministered(std::string_view mac) {
    const auto prefix = MacPrefix(mac);
    return prefix && ((*prefix >> 16) & 0x02) != 0;
}

std::string VendorText(std::string_view mac, const OuiDatabase& db) {
    if (IsLocallyAdministered(mac)) return zeva::Acp("随机地址(randomized)");
    const std::string name = db.Lookup(mac);
    return name.empty() ? zeva::Acp("未知厂商") : zeva::Utf8ToAcp(name);
}

std::vector<std::uint32_t> ScanTargets(std::uint32_t ownIp, std::uint32_t mask, std::size_t cap) {
    std::vector<std::uint32_t> out;
    const int prefix = std::popcount(mask);
    if (prefix == 0 || std::countl_one(mask) != prefix || cap == 0) return out;  // not a netmask
    const std::uint32_t network = ownIp & mask;
    const std::uint64_t size = 1ull << (32 - prefix);
    std::uint64_t first = network, last = network + size - 1;
    if (prefix <= 30) {
        ++first;
        --last;
    }
    if (last - first + 1 > cap) {
        // The aligned block of `cap` addresses (rounded down to a power of two) around our own.
        const std::uint64_t block = std::bit_floor(static_cast<std::uint64_t>(cap));
        const std::uint64_t start = ownIp & ~(block - 1);
        first = std::max<std::uint64_t>(first, start);
        last = std::min<std::uint64_t>(last, start + block - 1);
    }
    for (std::uint64_t a = first; a <= last; ++a)
        if (a != ownIp) out.push_back(static_cast<std::uint32_t>(a));
    return out;
}

std::vector<IP_MAC> FoldSharedHardware(const std::vector<IP_MAC>& devices) {
    std::vector<IP_MAC> out;
    std::map<std::string, std::size_t> byMac;  // hardware address -> index in `out`
    for (const IP_MAC& d : devices) {
        if (d.MAC.empty()) {
            out.push_back(d);  // nothing to tell it apart by
            continue;
        }
        const auto [it, added] = byMac.emplace(d.MAC, out.size());
        if (added)
            out.push_back(d);
        else
            out[it->second].Addresses += d.Addresses;
    }
    return out;
}

std::vector<NeighbourEntry> ParseArpTable(std::string_view text) {
    std::vector<NeighbourEntry> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto nl = text.find('\n', pos);
        if (nl == std::string_view::npos) nl = text.size();
        const std::string line(text.substr(pos, nl - pos));
        pos = nl + 1;
        char ip[64] = {}, hw[32] = {}, flags[32] = {}, mac[64] = {}, mask[32] = {}, dev[64] = {};
        if (std::sscanf(line.c_str(), "%63s %31s %31s %63s %31s %63s", ip, hw, flags, mac, mask,
                        dev) != 6)
            continue;
        if (!HostOrder(ip)) continue;  // the header line
        NeighbourEntry e;
        e.ip = ip;
        e.mac = zeva::probe::FormatMac(mac);
        e.iface = dev;
        e.flags = static_cast<unsigned>(std::strtoul(flags, nullptr, 16));
        out.push_back(std::move(e));
    }
    return out;
}

std::string PrimaryInterface() {
    if (std::string iface = sys::DefaultRouteInterface(); !iface.empty()) return iface;
    std::vector<_ADAPTER_INFO> adapters;
    CAdapterInfo::GetAdapterInfo(adapters);
    for (const auto& a : adapters)
        if (a.Enabled && !a.IpAddressList.empty() && !a.PointToPoint) return a.AdapterName;
    return {};
}

int ScanLan(const ScanOptions& opt, ScanResult& result, std::string& error) {
    result = {};
    try {
        result.iface = opt.iface.empty() ? PrimaryInterface() : opt.iface;
        if (result.iface.empty()) {
            error = "no network interface with an IPv4 address";
            return -1;
        }
        const auto real = zeva::probe::RealInterfaces();
        if (std::find(real.begin(), real.end(), result.iface) == real.end()) {
            error = "not a network interface with neighbours: " + result.iface;
            return -1;
        }
        _ADAPTER_INFO adapter;
        if (CAdapterInfo::GetAdapter(result.iface, adapter) != 0) {
            error = "no such interface: " + result.iface;
            return -1;
        }
        if (adapter.IpAddressList.empty()) {
            error = result.iface + " has no IPv4 address";
            return -1;
        }
        const auto own = HostOrder(adapter.IpAddressList[0].IpAddress);
        const auto mask = HostOrder(adapter.IpAddressList[0].IpMask);
        if (!own || !mask) {
            error = result.iface + " has no usable IPv4 address";
            return -1;
        }
        result.ownIp = adapter.IpAddressList[0].IpAddress;
        const auto targets = ScanTargets(*own, *mask);
        result.addressesScanned = targets.size();

        const sys::Adapter scanned{adapter.AdapterName, adapter.Index, adapter.MacAddress};
        sys::Found found;
        std::string rawError;
        const bool canArp = !adapter.PointToPoint && !adapter.MacAddress.empty();
        const sys::ArpAsked asked = canArp && opt.allowRawSocket
                                        ? sys::ArpScan(opt, scanned, *own, targets, found, rawError)
                                        : sys::ArpAsked::NotPermitted;
        if (asked == sys::ArpAsked::Asked) {
            result.method = "arp";
        } else {
            result.method = "neighbour-table";
            if (asked == sys::ArpAsked::Unsupported) result.incomplete = rawError;
            NeighbourScan(opt, scanned, targets, found);
        }
        const auto& db = OuiDatabase::Default();
        result.devices.push_back(
            {result.ownIp, adapter.MacAddress, VendorText(adapter.MacAddress, db)});
        for (const auto& [ip, mac] : found)
            result.devices.push_back({Dotted(ip), mac, VendorText(mac, db)});
        result.devices = FoldSharedHardware(result.devices);
        return 0;
    } catch (const std::exception& e) {
        error = e.what();
        return -1;
    }
}

}  // namespace zeva::lan
