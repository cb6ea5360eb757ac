#include "LanScan.h"

#include <arpa/inet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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
#include "SysProbe.h"
#include "platform/CodePage.h"

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

bool ParseMacBytes(std::string_view text, unsigned char out[6]) {
    if (text.size() != 17) return false;
    for (std::size_t n = 0; n < 6; ++n) {
        const char hi = text[n * 3], lo = text[n * 3 + 1];
        if (!std::isxdigit(static_cast<unsigned char>(hi)) ||
            !std::isxdigit(static_cast<unsigned char>(lo)))
            return false;
        out[n] = static_cast<unsigned char>(std::stoi(std::string{hi, lo}, nullptr, 16));
    }
    return true;
}

std::string Dotted(std::uint32_t hostOrder) {
    in_addr a{};
    a.s_addr = htonl(hostOrder);
    char buf[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a, buf, sizeof buf);
    return buf;
}

std::optional<std::uint32_t> HostOrder(const std::string& dotted) {
    in_addr a{};
    if (inet_pton(AF_INET, dotted.c_str(), &a) != 1) return std::nullopt;
    return ntohl(a.s_addr);
}

struct [[gnu::packed]] ArpPacket {
    std::uint16_t htype;
    std::uint16_t ptype;
    std::uint8_t hlen;
    std::uint8_t plen;
    std::uint16_t oper;
    std::uint8_t sha[6];
    std::uint8_t spa[4];
    std::uint8_t tha[6];
    std::uint8_t tpa[4];
};
static_assert(sizeof(ArpPacket) == 28);

using Found = std::set<std::pair<std::uint32_t, std::string>>;

void Drain(int fd, std::uint32_t ownIp, const std::set<std::uint32_t>& targets,
           const std::string& ownMac, Found& found, std::set<std::uint32_t>& answered) {
    ArpPacket p{};
    for (;;) {
        const ssize_t n = recv(fd, &p, sizeof p, MSG_DONTWAIT);
        if (n < 0) return;
        if (n < static_cast<ssize_t>(sizeof p)) continue;
        if (ntohs(p.oper) != 2 || ntohs(p.ptype) != ETHERTYPE_IP || p.hlen != 6 || p.plen != 4)
            continue;
        std::uint32_t spa = 0, tpa = 0;
        std::memcpy(&spa, p.spa, 4);
        std::memcpy(&tpa, p.tpa, 4);
        spa = ntohl(spa);
        tpa = ntohl(tpa);
        // Only answers to our own questions about addresses we asked for.
        if (tpa != ownIp || !targets.count(spa)) continue;
        const std::string mac = zeva::probe::FormatMac(p.sha, 6);
        if (mac.empty() || mac == ownMac || mac == "00-00-00-00-00-00") continue;
        found.insert({spa, mac});
        answered.insert(spa);
    }
}

// Raw ARP: ask every address, repeat for the silent ones. Returns false
// (with errno-based reason) when the socket is not permitted.
bool ArpScan(const ScanOptions& opt, const std::string& iface, std::uint32_t ownIp,
             const std::string& ownMac, const std::vector<std::uint32_t>& targetList, Found& found,
             std::string& error) {
    const int fd = socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, htons(ETH_P_ARP));
    if (fd < 0) {
        error = std::string("raw socket: ") + std::strerror(errno);
        return false;
    }
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{fd};
    sockaddr_ll sll{};
    sll.sll_family = AF_PACKET;
    sll.sll_protocol = htons(ETH_P_ARP);
    sll.sll_ifindex = static_cast<int>(if_nametoindex(iface.c_str()));
    if (sll.sll_ifindex == 0 || bind(fd, reinterpret_cast<sockaddr*>(&sll), sizeof sll) != 0) {
        error = "cannot bind to " + iface + ": " + std::strerror(errno);
        return false;
    }
    int rcvbuf = 1 << 20;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);

    ArpPacket req{};
    req.htype = htons(ARPHRD_ETHER);
    req.ptype = htons(ETHERTYPE_IP);
    req.hlen = 6;
    req.plen = 4;
    req.oper = htons(1);
    unsigned char macBytes[6];
    if (!ParseMacBytes(ownMac, macBytes)) {
        error = iface + " has no hardware address";
        return false;
    }
    std::memcpy(req.sha, macBytes, 6);
    const std::uint32_t spa = htonl(ownIp);
    std::memcpy(req.spa, &spa, 4);

    sockaddr_ll dst = sll;
    dst.sll_halen = 6;
    std::memset(dst.sll_addr, 0xFF, 6);

    const std::set<std::uint32_t> targets(targetList.begin(), targetList.end());
    std::set<std::uint32_t> answered;
    for (int round = 0; round < std::max(1, opt.rounds); ++round) {
        std::size_t sent = 0;
        for (const std::uint32_t t : targetList) {
            if (answered.count(t)) continue;
            const std::uint32_t tpa = htonl(t);
            std::memcpy(req.tpa, &tpa, 4);
            for (int attempt = 0; attempt < 20; ++attempt) {
                if (sendto(fd, &req, sizeof req, 0, reinterpret_cast<sockaddr*>(&dst),
                           sizeof dst) >= 0)
                    break;
                if (errno != ENOBUFS && errno != EAGAIN) break;
                // The device queue is full: let it drain.
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            if (++sent % 64 == 0) Drain(fd, ownIp, targets, ownMac, found, answered);
        }
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(opt.roundWaitMs);
        for (;;) {
            Drain(fd, ownIp, targets, ownMac, found, answered);
            if (answered.size() == targets.size()) break;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd pfd{fd, POLLIN, 0};
            poll(&pfd, 1, static_cast<int>(left.count()));
        }
        if (answered.size() == targets.size()) break;
    }
    return true;
}

// Without the privilege for raw sockets: send a datagram to every address so
// the kernel resolves it, then read what its neighbour table learned.
void NeighbourScan(const ScanOptions& opt, const std::string& iface, const std::string& ownMac,
                   const std::vector<std::uint32_t>& targetList, Found& found) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd >= 0) {
        const char byte = 0;
        for (const std::uint32_t t : targetList) {
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_port = htons(9);  // discard
            to.sin_addr.s_addr = htonl(t);
            sendto(fd, &byte, 1, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        }
        close(fd);
    }
    const int waitMs = std::max(1000, std::max(1, opt.rounds) * opt.roundWaitMs);
    std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
    const std::set<std::uint32_t> targets(targetList.begin(), targetList.end());
    const auto text = zeva::probe::ReadText("/proc/net/arp").value_or("");
    for (const auto& e : ParseArpTable(text)) {
        const auto ip = HostOrder(e.ip);
        if (!ip || e.iface != iface || (e.flags & 0x2) == 0 || !targets.count(*ip))
            continue;  // ATF_COM
        if (e.mac.empty() || e.mac == "00-00-00-00-00-00" || e.mac == ownMac) continue;
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
        const char* env = std::getenv("ZEVA_OUI_FILE");
        return FromFile(env != nullptr && *env != '\0' ? env : "/usr/share/ieee-data/oui.txt");
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
    const auto routes =
        zeva::probe::ParseRoute(zeva::probe::ReadText("/proc/net/route").value_or(""));
    for (const auto& r : routes)
        if (r.destination == "0.0.0.0" && r.mask == "0.0.0.0") return r.iface;
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

        Found found;
        std::string rawError;
        const bool canArp = !adapter.PointToPoint && !adapter.MacAddress.empty();
        if (canArp && opt.allowRawSocket &&
            ArpScan(opt, result.iface, *own, adapter.MacAddress, targets, found, rawError)) {
            result.method = "arp";
        } else {
            result.method = "neighbour-table";
            NeighbourScan(opt, result.iface, adapter.MacAddress, targets, found);
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
