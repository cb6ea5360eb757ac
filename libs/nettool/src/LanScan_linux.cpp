// The network scan's Linux half: ARP on a packet socket, the kernel's
// neighbour table and routes from /proc.
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
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "LanScanSystem_p.h"
#include "SysProbe.h"

namespace zeva::lan::sys {

namespace {

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

}  // namespace

ArpAsked ArpScan(const ScanOptions& opt, const Adapter& adapter, std::uint32_t ownIp,
                 const std::vector<std::uint32_t>& targetList, Found& found, std::string& error) {
    const std::string& iface = adapter.name;
    const std::string& ownMac = adapter.mac;
    const int fd = socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, htons(ETH_P_ARP));
    if (fd < 0) {
        error = std::string("raw socket: ") + std::strerror(errno);
        return ArpAsked::NotPermitted;
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
        return ArpAsked::NotPermitted;
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
        return ArpAsked::NotPermitted;
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
    return ArpAsked::Asked;
}

std::vector<NeighbourEntry> ResolvedNeighbours(const Adapter& adapter) {
    std::vector<NeighbourEntry> out;
    const auto text = zeva::probe::ReadText("/proc/net/arp").value_or("");
    for (auto& e : ParseArpTable(text)) {
        // ATF_COM: the entry is complete.
        if (e.iface == adapter.name && (e.flags & 0x2) != 0) out.push_back(std::move(e));
    }
    return out;
}

std::string DefaultRouteInterface() {
    const auto routes =
        zeva::probe::ParseRoute(zeva::probe::ReadText("/proc/net/route").value_or(""));
    for (const auto& r : routes)
        if (r.destination == "0.0.0.0" && r.mask == "0.0.0.0") return r.iface;
    return {};
}

}  // namespace zeva::lan::sys
