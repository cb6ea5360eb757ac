#pragma once
// Who else uses the customer's network: scans the local network, leaves out
// the gateway and lists the devices, the customer's own computer marked.

#include <string>
#include <vector>

#include "AsyncCalls.h"
#include "Controls.h"
#include "PlugSettings.h"

namespace speedtest {
// The scan's devices without the gateway of the adapter that carries `localIp`.
std::vector<LanDevice> SharingDevices(std::vector<LanDevice> devices, const std::string& localIp,
                                      const std::vector<AdapterFacts>& adapters);
}  // namespace speedtest

class CDlgShareNet : public CImageDialog {
public:
    CDlgShareNet();
    explicit CDlgShareNet(speedtest::PageServices services);
    bool Scanning() const { return async_.Pending() != 0; }

protected:
    BOOL OnInitDialog() override;

private:
    struct Found;
    void Show(const Found& found);

    speedtest::PageServices services_;
    CListCtrl list_;
    CImageButtonX close_;
    CStaticText count_;
    zeva::plug::AsyncCalls async_{*this};
};
