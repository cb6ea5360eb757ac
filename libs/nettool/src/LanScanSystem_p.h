#pragma once
// What the network scan asks the system, one half per system.

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "LanScan.h"

namespace zeva::lan::sys {

// The adapter scanned (kept apart from AdapterInfo.h, whose names the
// Windows IP helper's headers also use).
struct Adapter {
    std::string name;
    unsigned index = 0;
    std::string mac;  // "00-11-22-33-44-55"
};

// Devices found: address (host byte order) and hardware address.
using Found = std::set<std::pair<std::uint32_t, std::string>>;

// What became of the ARP requests of a scan.
enum class ArpAsked {
    Asked,         // every target was asked
    NotPermitted,  // this program could not send them (no raw socket, no
                   // hardware address): the neighbour table stands in
    Unsupported,   // the system cannot send them at all (Wine's SendARP)
};

// Asks every target for its hardware address on the adapter, repeating for
// the silent ones; a reason in `error` when it could not ask.
ArpAsked ArpScan(const ScanOptions& options, const Adapter& adapter, std::uint32_t ownIp,
                 const std::vector<std::uint32_t>& targets, Found& found, std::string& error);

// The complete entries of the system's neighbour table on the adapter.
std::vector<NeighbourEntry> ResolvedNeighbours(const Adapter& adapter);

// The adapter of the default route with the lowest metric; empty when none.
std::string DefaultRouteInterface();

}  // namespace zeva::lan::sys
