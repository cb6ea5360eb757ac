#pragma once
// What the IP helper functions tell about the network interfaces: the
// Windows half's own view, loopback included, for the probes and their tests.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zeva::probe::win {

// Kept apart from AdapterInfo.h, whose names the IP helper's headers also use.
struct SystemAdapter {
    std::string name;  // the adapter's id ("{GUID}")
    std::string description;
    std::string mac;  // "00-11-22-33-44-55"; empty when it has none
    unsigned index = 0;
    bool enabled = false;
    bool connected = false;
    bool wireless = false;
    bool pointToPoint = false;
    bool loopback = false;
    bool tunnel = false;  // IPv6 transition tunnels (Teredo, ISATAP, 6to4): no adapter of their own
    std::vector<std::pair<std::string, std::string>> addresses;  // IPv4 address, mask
    std::vector<std::string> gateways;
};
// Every adapter (GetAdaptersAddresses), loopback included, by interface index.
std::optional<std::vector<SystemAdapter>> ListAdapters();

struct InterfaceCounters {
    std::uint32_t index = 0;
    std::string key;  // unique per interface (its LUID)
    bool loopback = false;
    bool counted = false;  // carries traffic of its own: no filter, tunnel or loopback
    std::uint64_t rxBytes = 0;
    std::uint64_t txBytes = 0;
};
// Every row of the interface table (GetIfTable2).
std::optional<std::vector<InterfaceCounters>> ReadInterfaceCounters();

struct DefaultRoute {
    std::uint32_t index = 0;
    std::string gateway;  // dotted
    std::uint32_t metric = 0;
};
// The IPv4 default routes (GetIpForwardTable2), lowest metric first.
std::vector<DefaultRoute> DefaultRoutes();

// UTF-16 from the system as UTF-8.
std::string Utf8(const wchar_t* text);
// "a.b.c.d" of an address in host byte order.
std::string Dotted(std::uint32_t ip);

}  // namespace zeva::probe::win
