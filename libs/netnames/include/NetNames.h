#pragma once
// Names of the devices on the local network, asked of the devices
// themselves: NetBIOS node status (the names Windows computers and Samba
// servers answer with), multicast DNS reverse look-ups (phones, printers,
// Macs, Linux desktops) and the system's reverse DNS (the router's names for
// its clients). All three go out at once and the search ends within its
// time budget. Names from the network are untrusted: they come back
// cleaned and in the system code page.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zeva::netnames {

enum class NameSource { NetBios, Mdns, Dns };

struct FoundName {
    std::string ip;
    std::string name;  // cleaned, system code page
    NameSource source = NameSource::NetBios;
};

struct LookupOptions {
    // Where the devices are asked (tests point them at loopback responders).
    std::uint16_t netbiosPort = 137;
    std::uint16_t mdnsPort = 5353;
    // DNS servers as "host:port,..."; empty: the system's (resolv.conf and
    // the hosts file).
    std::string dnsServers;
    bool netbios = true;
    bool mdns = true;
    bool dns = true;
    int budgetMs = 2000;  // the whole search
    int resendMs = 600;   // unanswered device questions are repeated this often
};

// One name per address that answered, in the order of `ips`: the NetBIOS
// computer name first, else the multicast DNS name, else the DNS name.
// Returns when every address has its best possible answer, when the budget
// is spent, or soon after `cancelled` reads true.
std::vector<FoundName> LookupNames(const std::vector<std::string>& ips,
                                   const LookupOptions& options,
                                   const std::function<bool()>& cancelled = {});

// Longest name kept, in characters.
inline constexpr std::size_t kMaxNameChars = 63;

// An untrusted name in the system code page: control characters dropped,
// at most kMaxNameChars characters, surrounding blanks and a DNS name's final
// dot removed. `raw` is UTF-8 when it is valid UTF-8, else taken to be in
// the system code page (NetBIOS names come in the sender's OEM code page).
std::string CleanName(std::string_view raw);

// This computer's name as the system knows it, cleaned, system code page;
// empty when it has none.
std::string LocalComputerName();

}  // namespace zeva::netnames
