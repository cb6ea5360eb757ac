#pragma once
// The devices of the local IPv4 network, found by ARP.

#include <cstddef>
#include <string>
#include <vector>

struct IP_MAC {
    std::string IP;      // dotted address text
    std::string MAC;     // "00-11-22-33-44-55"
    std::string Vendor;  // maker from the IEEE list, in the system code page
    // Addresses this hardware address answered for: more than 1 for a router
    // answering on others' behalf (proxy ARP), listed once at its lowest.
    std::size_t Addresses = 1;
};

class CIPtoTestingPC {
public:
    // The IPv4 address of the primary interface (the one of the default
    // route). 0, or -1 with `ip` empty when the machine has none.
    int GetLocalIP(std::string& ip);

    // Fills `devices` with the devices of the primary interface's subnet
    // (at most 1,024 addresses around this computer's) that answered, this
    // computer first, and returns their count; -1 when no interface can be
    // scanned. `thorough` asks more often and waits longer for slow devices.
    int Scanning(std::vector<IP_MAC>& devices, bool thorough);
    // The same; `note` (system code page) tells the user why the list holds
    // only the devices the system already knew (it cannot send ARP
    // requests), or why nothing could be scanned. Empty after a full scan.
    int Scanning(std::vector<IP_MAC>& devices, bool thorough, std::string& note);
};
