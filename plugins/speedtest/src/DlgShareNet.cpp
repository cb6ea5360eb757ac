#include "DlgShareNet.h"

#include <algorithm>
#include <cstdio>

#include "Resources.h"
#include "platform/CodePage.h"

using namespace speedtest;
using namespace speedtest::sharenet_ids;
using zeva::Acp;

namespace {
// Column alignments as the list's format numbers them.
constexpr int kAlignLeft = 0;
constexpr int kAlignCentre = 2;
}  // namespace

std::vector<LanDevice> speedtest::SharingDevices(std::vector<LanDevice> devices,
                                                 const std::string& localIp,
                                                 const std::vector<AdapterFacts>& adapters) {
    for (const AdapterFacts& a : adapters) {
        if (a.addresses.empty() || a.addresses.front() != localIp) continue;
        if (a.gateways.empty()) break;
        const std::string& gateway = a.gateways.front();
        auto it = std::find_if(devices.begin(), devices.end(),
                               [&](const LanDevice& d) { return d.Ip == gateway; });
        if (it != devices.end()) devices.erase(it);
        break;
    }
    return devices;
}

struct CDlgShareNet::Found {
    std::string localIp;
    std::vector<LanDevice> devices;
};

CDlgShareNet::CDlgShareNet() : CDlgShareNet(RealServices()) {}

CDlgShareNet::CDlgShareNet(PageServices services)
    : CImageDialog(kTplShareNet, nullptr), services_(std::move(services)) {
    RegisterResources();
    SetResourceModule(ZEVA_THIS_MODULE);
    Bind({{kList, &list_}, {kClose, &close_}, {kCount, &count_}});
    HandleClick(kClose, [this] { EndDialog(IDCANCEL); });
    SetCaptionDrag(kDragAnywhere);
    SetStaticLook(RGB(51, 51, 51));
}

BOOL CDlgShareNet::OnInitDialog() {
    CImageDialog::OnInitDialog();
    SetBackgroundImage(img::kShareNetBackground);
    CenterWindow(CWnd::GetDesktopWindow());
    list_.SetExtendedStyle(list_.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    list_.InsertColumn(0, "NO", kAlignCentre, 35);
    list_.InsertColumn(1, "MAC", kAlignCentre, 115);
    list_.InsertColumn(2, "IP", kAlignCentre, 98);
    list_.InsertColumn(3, "", kAlignLeft, 45);
    close_.SetImages(img::kCloseNormal, img::kCloseHover, img::kClosePressed);
    // The scan takes seconds: the window shows at once and fills when it ends.
    count_.SetWindowText(Acp("正在搜索局域网内的设备，请稍候..."));
    auto work = [probes = services_.probes, scanner = services_.scanner] {
        Found f;
        f.localIp = scanner->LocalIp();
        std::vector<LanDevice> devices;
        scanner->Scan(devices);
        f.devices = SharingDevices(std::move(devices), f.localIp, probes->Adapters());
        return f;
    };
    async_.Run(std::move(work), [this](const Found& f) { Show(f); });
    return 1;
}

void CDlgShareNet::Show(const Found& f) {
    char text[128];
    std::snprintf(text, sizeof text, Acp("发现%d台设备正在与您使用同一个网络!").c_str(),
                  static_cast<int>(f.devices.size()));
    count_.SetWindowText(text);
    list_.DeleteAllItems();
    for (std::size_t i = 0; i < f.devices.size(); ++i) {
        const int row = list_.InsertItem(static_cast<int>(i), std::to_string(i + 1));
        list_.SetItemText(row, 1, f.devices[i].Mac);
        list_.SetItemText(row, 2, f.devices[i].Ip);
        list_.SetItemText(row, 3, f.devices[i].Ip == f.localIp ? Acp("本机") : "");
    }
}
