#pragma once
// What the LAN check page needs from outside: the scan of the local network,
// the names of its devices and this computer's name. The page reaches them
// through this interface, so tests can hand it fakes.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace languard {

// One device of the local network; texts in the system code page.
struct LanDevice {
    std::string Ip;  // dotted IPv4
    std::string Mac;
    std::string Vendor;
    std::string Name;  // filled in by the page
    // Addresses this hardware address answered for (more than 1: a router
    // answering on others' behalf), shown with the name.
    std::size_t Addresses = 1;
};

// A name found for an address.
struct NeighbourEntry {
    std::string Ip;
    std::string Name;
};

class ILanServices {
public:
    virtual ~ILanServices() = default;
    // On a worker: the devices of the local network, this computer first;
    // empty when nothing could be scanned.
    virtual std::vector<LanDevice> Scan() = 0;
    // On a worker: names for some of `ips`, within about two seconds, sooner
    // once `stop()` reads true.
    virtual std::vector<NeighbourEntry> FindNames(const std::vector<std::string>& ips,
                                                  const std::function<bool()>& stop) = 0;
    // On the window thread: this computer's name, empty when it has none.
    virtual std::string ComputerName() = 0;
};

// The real ones: the ARP scan of the primary interface's subnet and the
// name search of NetBIOS, multicast DNS and the system's reverse DNS.
std::shared_ptr<ILanServices> DefaultLanServices();

}  // namespace languard
