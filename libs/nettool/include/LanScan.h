#pragma once
// The workings of the local-network scan, for the scan class and the
// command-line tool.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "IPtoTestingPC.h"

namespace zeva::lan {

// Maker names of the IEEE OUI list (Debian's ieee-data).
class OuiDatabase {
public:
    // Loads "oui.txt"-style text; missing files give an empty database.
    static OuiDatabase FromFile(const std::string& path);
    static OuiDatabase FromText(std::string_view text);
    // The list named by ZEVA_OUI_FILE, else /usr/share/ieee-data/oui.txt; loaded once.
    static const OuiDatabase& Default();

    // The maker (UTF-8) of a "00-11-22-..." or "00:11:22:..." address, empty when unknown.
    std::string Lookup(std::string_view mac) const;
    std::size_t size() const { return names_.size(); }

private:
    std::vector<std::pair<std::uint32_t, std::string>> names_;  // sorted by prefix
};

// True when the address is locally administered (randomized by the device).
bool IsLocallyAdministered(std::string_view mac);
// What the scan shows as vendor, in the system code page: the maker, a
// "randomized" label for locally administered addresses, or "unknown".
std::string VendorText(std::string_view mac, const OuiDatabase& db = OuiDatabase::Default());

// The host addresses (host byte order) to scan for an interface address and
// mask: network and broadcast left out (except on /31 and /32), the own
// address left out, at most `cap` addresses from the aligned block holding
// the own address.
std::vector<std::uint32_t> ScanTargets(std::uint32_t ownIp, std::uint32_t mask,
                                       std::size_t cap = 1024);

struct NeighbourEntry {
    std::string ip;
    std::string mac;  // "00-11-..."
    std::string iface;
    unsigned flags = 0;
};
// /proc/net/arp.
std::vector<NeighbourEntry> ParseArpTable(std::string_view text);

// One device per hardware address: an address that answered for several
// IP addresses (a router doing proxy ARP answers for the whole subnet) is
// kept once, at the first of them, with their number in `Addresses`. The
// order of first appearance is kept.
std::vector<IP_MAC> FoldSharedHardware(const std::vector<IP_MAC>& devices);

struct ScanOptions {
    std::string iface;           // empty: the interface of the default route
    int rounds = 2;              // requests per silent address
    int roundWaitMs = 300;       // wait for answers after each round
    bool allowRawSocket = true;  // false: always probe and read the neighbour table
};

struct ScanResult {
    std::string iface;
    std::string ownIp;
    std::string method;  // "arp" or "neighbour-table"
    // Why the devices are only those the system's neighbour table held
    // (UTF-8): the system cannot send ARP requests at all. Empty otherwise.
    std::string incomplete;
    std::size_t addressesScanned = 0;
    std::vector<IP_MAC> devices;  // own computer first, then by address, one per hardware address
};

// The interface of the default route (lowest metric), else the first real
// adapter with an IPv4 address; empty when none.
std::string PrimaryInterface();

// 0, or -1 with a reason in `error`.
int ScanLan(const ScanOptions& options, ScanResult& result, std::string& error);

}  // namespace zeva::lan
