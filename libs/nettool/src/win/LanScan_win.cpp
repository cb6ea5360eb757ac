// The network scan's Windows half: SendARP for each address (the system
// sends the requests; no raw socket is needed), GetIpNetTable2 for the
// neighbour table, GetIpForwardTable2 for the default route.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <iphlpapi.h>
#include <netioapi.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include "LanScanSystem_p.h"
#include "SocketSys.h"
#include "SysProbe.h"

namespace zeva::lan::sys {

namespace {

// SendARP waits about a second for a silent address: ask many at once.
constexpr unsigned kParallelRequests = 32;

std::string MacOf(const unsigned char* bytes, ULONG length) {
    return length == 6 ? zeva::probe::FormatMac(bytes, 6) : std::string();
}

}  // namespace

ArpAsked ArpScan(const ScanOptions& opt, const Adapter& adapter, std::uint32_t ownIp,
                 const std::vector<std::uint32_t>& targets, Found& found, std::string& error) {
    if (targets.empty()) return ArpAsked::Asked;
    std::mutex mutex;
    std::set<std::uint32_t> answered;
    std::atomic<bool> unsupported{false};
    auto ask = [&](std::uint32_t target) {
        ULONG mac[2] = {};
        ULONG length = 6;
        const DWORD rc = SendARP(htonl(target), htonl(ownIp), mac, &length);
        if (rc == ERROR_NOT_SUPPORTED) {
            unsupported = true;
            return;
        }
        if (rc != NO_ERROR) return;
        const std::string text = MacOf(reinterpret_cast<const unsigned char*>(mac), length);
        if (text.empty() || text == adapter.mac || text == "00-00-00-00-00-00") return;
        std::lock_guard lock(mutex);
        found.insert({target, text});
        answered.insert(target);
    };
    // One question first: a system without SendARP says so at once.
    ask(targets.front());
    if (unsupported) {
        error = "SendARP is not supported on this system (error 50)";
        return ArpAsked::Unsupported;
    }
    for (int round = 0; round < std::max(1, opt.rounds); ++round) {
        std::vector<std::uint32_t> silent;
        for (const std::uint32_t t : targets)
            if (!answered.count(t)) silent.push_back(t);
        if (silent.empty()) break;
        std::atomic<std::size_t> next{0};
        std::vector<std::thread> workers;
        for (unsigned w = 0; w < std::min<std::size_t>(kParallelRequests, silent.size()); ++w) {
            workers.emplace_back([&] {
                for (std::size_t i = next++; i < silent.size() && !unsupported; i = next++)
                    ask(silent[i]);
            });
        }
        for (auto& w : workers) w.join();
    }
    return ArpAsked::Asked;
}

std::vector<NeighbourEntry> ResolvedNeighbours(const Adapter& adapter) {
    std::vector<NeighbourEntry> out;
    MIB_IPNET_TABLE2* table = nullptr;
    if (GetIpNetTable2(AF_INET, &table) != NO_ERROR) return out;
    for (ULONG i = 0; i < table->NumEntries; ++i) {
        const MIB_IPNET_ROW2& row = table->Table[i];
        if (row.InterfaceIndex != adapter.index) continue;
        if (row.State != NlnsReachable && row.State != NlnsStale && row.State != NlnsDelay &&
            row.State != NlnsProbe && row.State != NlnsPermanent)
            continue;
        NeighbourEntry e;
        e.ip = zeva::sock::Ipv4Text(ntohl(row.Address.Ipv4.sin_addr.s_addr));
        e.mac = MacOf(row.PhysicalAddress, row.PhysicalAddressLength);
        e.iface = adapter.name;
        e.flags = 0x2;  // complete, as the Linux table marks it
        if (!e.mac.empty()) out.push_back(std::move(e));
    }
    FreeMibTable(table);
    return out;
}

std::string DefaultRouteInterface() {
    MIB_IPFORWARD_TABLE2* table = nullptr;
    if (GetIpForwardTable2(AF_INET, &table) != NO_ERROR) return {};
    const MIB_IPFORWARD_ROW2* best = nullptr;
    for (ULONG i = 0; i < table->NumEntries; ++i) {
        const MIB_IPFORWARD_ROW2& row = table->Table[i];
        if (row.DestinationPrefix.PrefixLength != 0) continue;
        if (best == nullptr || row.Metric < best->Metric) best = &row;
    }
    const NET_IFINDEX index = best != nullptr ? best->InterfaceIndex : 0;
    FreeMibTable(table);
    if (index == 0) return {};
    // The adapter's name ("{GUID}") as the adapter list gives it.
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG rc = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 4 && rc == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        rc = GetAdaptersAddresses(AF_INET,
                                  GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST |
                                      GAA_FLAG_SKIP_DNS_SERVER | GAA_FLAG_SKIP_UNICAST,
                                  nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()),
                                  &size);
    }
    if (rc != NO_ERROR) return {};
    for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a != nullptr;
         a = a->Next)
        if (a->IfIndex == index && a->AdapterName != nullptr) return a->AdapterName;
    return {};
}

}  // namespace zeva::lan::sys
