#include "LanServices.h"

#include "IPtoTestingPC.h"
#include "NetNames.h"

namespace languard {

namespace {

class RealLanServices : public ILanServices {
public:
    std::vector<LanDevice> Scan() override {
        CIPtoTestingPC scanner;
        std::vector<IP_MAC> found;
        scanner.Scanning(found, false);
        std::vector<LanDevice> out;
        out.reserve(found.size());
        for (const IP_MAC& d : found) out.push_back({d.IP, d.MAC, d.Vendor, {}, d.Addresses});
        return out;
    }

    std::vector<NeighbourEntry> FindNames(const std::vector<std::string>& ips,
                                          const std::function<bool()>& stop) override {
        std::vector<NeighbourEntry> out;
        for (const zeva::netnames::FoundName& f : zeva::netnames::LookupNames(ips, {}, stop))
            out.push_back({f.ip, f.name});
        return out;
    }

    std::string ComputerName() override { return zeva::netnames::LocalComputerName(); }
};

}  // namespace

std::shared_ptr<ILanServices> DefaultLanServices() {
    return std::make_shared<RealLanServices>();
}

}  // namespace languard
