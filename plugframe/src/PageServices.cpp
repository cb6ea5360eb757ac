#include "PageServices.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

#include "AdapterInfo.h"
#include "DialUp.h"
#include "EventLog.h"
#include "HardwareInfo.h"
#include "IEMgr.h"
#include "IPtoTestingPC.h"
#include "NetNames.h"
#include "NetworkFlux.h"
#include "Radar.h"
#include "SocketConnector.h"
#include "SystemConfig.h"
#include "SystemResolver_p.h"
#include "UrlCheck.h"
#include "ZEVAHttpSpeed.h"
#include "ZEVAMessageBox.h"
#include "ZEVAVDownSpeedEx.h"
#include "platform/InternetSettings.h"
#include "platform/Shell.h"

namespace zeva::plug {

namespace {

class RealDownloadEngine final : public IDownloadEngine {
public:
    void EnableProxy(bool useUserProxy) override { engine_.EnableProxy(useUserProxy); }
    int StartTest(const std::vector<std::string>& urls, unsigned long durationMs, HWND window,
                  UINT message) override {
        return engine_.StartTest(urls, durationMs, window, message);
    }
    void StopTest() override { engine_.StopTest(); }

private:
    CZEVAVDownSpeedEx engine_{true};
};

class RealHttpEngine final : public IHttpEngine {
public:
    int StartTest(const std::string& url, int seconds, HWND window, UINT message,
                  bool reuse) override {
        return engine_.StartTest(url, seconds, window, message, reuse);
    }
    void StopTest() override { engine_.StopTest(); }

private:
    CZEVAHttpSpeed engine_{true};
};

long ElapsedSince(std::chrono::steady_clock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count());
}

class RealConnector final : public IConnector {
public:
    long Connect(const std::string& host, unsigned short port, int timeoutSeconds) override {
        CE_SocketStream stream;
        CE_SocketConnector connector;
        const auto start = std::chrono::steady_clock::now();
        if (connector.Connect(stream, host, port, timeoutSeconds) != 0) return -1;
        return ElapsedSince(start);
    }
    long ConnectVia(const std::string& host, unsigned short port, const std::string& proxyHost,
                    unsigned short proxyPort, int timeoutSeconds) override {
        CE_SocketStream stream;
        CE_SocketConnector connector;
        const auto start = std::chrono::steady_clock::now();
        if (connector.Connect(stream, host, port, proxyHost, proxyPort, "", "", timeoutSeconds) !=
            0)
            return -1;
        return ElapsedSince(start);
    }
    bool OpenUrl(const std::string& url, int timeoutSeconds) override {
        std::string error;
        return zeva::CheckUrlReachable(url, error, timeoutSeconds) == 0;
    }
};

ProxyValues RealProxyValues() {
    const zeva::InternetProxySettings settings = zeva::ReadInternetProxySettings();
    ProxyValues v;
    v.found = settings.keyFound;
    v.enable = settings.proxyEnable.value_or(0);
    v.server = settings.proxyServer.value_or("");
    return v;
}

class RealProbes final : public ISystemProbes {
public:
    void GetNetworkFlux(std::uint32_t& received, std::uint32_t& sent) override {
        unsigned long r = 0, s = 0;
        CNetworkFlux::GetNetworkFlux(r, s);
        received = static_cast<std::uint32_t>(r);
        sent = static_cast<std::uint32_t>(s);
    }
    int CpuPercent() override {
        // The load is measured since the previous call on the same object.
        std::lock_guard<std::mutex> hold(cpuLock_);
        int percent = 0;
        std::string error;
        cpu_.GetCpuUsage(percent, error);
        return percent;
    }
    void Memory(std::uint64_t& total, std::uint64_t& available) override {
        CSystemConfig config;
        COMMON_MemoryStatus status;
        std::string error;
        config.GetMemoryStatus(status, error);
        total = status.ullTotalPhys;
        available = status.ullAvailPhys;
    }
    std::string ProcessorText() override {
        std::string text;
        ::GetCPU(text);
        return text;
    }
    std::string MemoryText() override {
        std::string text;
        ::GetMemory(text);
        return text;
    }
    std::vector<AdapterFacts> Adapters() override {
        std::vector<_ADAPTER_INFO> list;
        CAdapterInfo::GetAdapterInfo(list);
        std::vector<AdapterFacts> out;
        for (const _ADAPTER_INFO& a : list) {
            AdapterFacts f;
            for (const _IP_ADDR_STRING& ip : a.IpAddressList) f.addresses.push_back(ip.IpAddress);
            for (const _IP_ADDR_STRING& gw : a.GatewayList) f.gateways.push_back(gw.IpAddress);
            f.mac = a.MacAddress;
            out.push_back(std::move(f));
        }
        return out;
    }
    bool ProxySet() override {
        COMMON_ServerAddress proxy;
        bool enabled = false;
        std::string error;
        CIEMgr::GetIEProxy(proxy, enabled, error);
        return enabled;
    }
    void HardwareInfo(std::string& processorId, std::string& diskSerial) override {
        ::GetHardwareInfo(processorId, diskSerial);
    }

private:
    std::mutex cpuLock_;
    CSystemConfig cpu_;
};

// The stored user name belongs to the link the last look-up found.
class RealDialUp final : public IDialUpProbe {
public:
    int GetActiveDialUp(bool& active, std::string& name) override {
        std::lock_guard<std::mutex> hold(lock_);
        dial_ = CDialUp("", "");
        return CDialUp::GetActiveDialUp(dial_, active, name, DIAL_TYPE_ANY);
    }
    int GetStoredUserName(std::string& user) override {
        std::lock_guard<std::mutex> hold(lock_);
        return dial_.GetStoredUserName(user);
    }

private:
    std::mutex lock_;
    CDialUp dial_{"", ""};
};

class RealNics final : public INicProbe {
public:
    int RetrieveAdapterIdList(std::vector<tag_ADAPTER>& adapters, std::string& error) override {
        return CNetworkAdapter::RetrieveAdapterIdList(adapters, error);
    }
    int IsEnabled(const std::string& id, COMMON_eNicState& state) override {
        return CNetworkAdapter(id).IsEnabled(state);
    }
    int RetrieveIPv4Data(const std::string& id, _ADAPTER_INFO& info) override {
        return CNetworkAdapter(id).RetrieveIPv4Data(info, false);
    }
    int IsWirelessAdapter(const std::string& id, bool& wireless) override {
        return CNetworkAdapter(id).IsWirelessAdapter(wireless);
    }
    int GetSignalStrenghLevel(const std::string& id, int& level) override {
        return CNetworkAdapter(id).GetSignalStrenghLevel(level);
    }
};

// The ARP scan of the primary interface's subnet and the name search of
// NetBIOS, multicast DNS and the system's reverse DNS.
class RealScanner final : public ILanScanner {
public:
    int Scan(std::vector<LanDevice>& devices) override {
        std::string note;
        return ScanWithNote(devices, note);
    }
    int ScanWithNote(std::vector<LanDevice>& devices, std::string& note) override {
        std::vector<IP_MAC> found;
        const int count = CIPtoTestingPC().Scanning(found, false, note);
        devices.reserve(devices.size() + found.size());
        for (const IP_MAC& d : found) devices.push_back({d.IP, d.MAC, d.Vendor, {}, d.Addresses});
        return count;
    }
    std::vector<NeighbourEntry> FindNames(const std::vector<std::string>& ips,
                                          const std::function<bool()>& stop) override {
        std::vector<NeighbourEntry> out;
        for (const zeva::netnames::FoundName& f : zeva::netnames::LookupNames(ips, {}, stop))
            out.push_back({f.ip, f.name});
        return out;
    }
    std::string ComputerName() override { return zeva::netnames::LocalComputerName(); }
    std::string LocalIp() override {
        std::string ip;
        CIPtoTestingPC().GetLocalIP(ip);
        return ip;
    }
};

class RealRadar final : public IWaitIndicator {
public:
    void Show() override {
        if (!radar_) radar_ = std::make_unique<CRadar>(nullptr);
        radar_->Show();
    }
    void Close() override {
        if (radar_) radar_->Close();
    }
    bool IsShown() const override { return radar_ && radar_->IsShown(); }

private:
    std::unique_ptr<CRadar> radar_;
};

class RealMessageBox final : public IMessageBox {
public:
    void Show(const std::string& text, CWnd* parent) override {
        ZEVAMessageBox(text, MB_ICONEXCLAMATION, 0, parent);
    }
};

class RealLinkOpener final : public ILinkOpener {
public:
    bool Open(const std::string& url) override {
        // The desktop handler takes the scheme in lower case only.
        std::string normal = url;
        for (std::size_t i = 0; i < normal.size() && normal[i] != ':'; ++i)
            normal[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(normal[i])));
        std::string error;
        if (zeva::OpenUrl(normal, &error)) return true;
        std::fprintf(stderr, "link: %s\n", error.c_str());
        return false;
    }
};

class RealEventLog final : public IEventLog {
public:
    void Write(const std::string& module, const std::string& buildTime,
               const std::string& sourceFile, const std::string& function, int line,
               const std::string& message, const std::string& category) override {
        WriteSysEventLog(module, buildTime, sourceFile, function, line, message, category);
    }
};

}  // namespace

PageServices PageServices::RealLocal() {
    PageServices s;
    s.newDownloadEngine = [] { return std::unique_ptr<IDownloadEngine>(new RealDownloadEngine); };
    s.newHttpEngine = [] { return std::unique_ptr<IHttpEngine>(new RealHttpEngine); };
    s.newRadar = [] { return std::unique_ptr<IWaitIndicator>(new RealRadar); };
    s.probes = std::make_shared<RealProbes>();
    s.dialUp = std::make_shared<RealDialUp>();
    s.nics = std::make_shared<RealNics>();
    s.scanner = std::make_shared<RealScanner>();
    s.resolver = NewSystemResolver();
    s.connector = std::make_shared<RealConnector>();
    s.proxyValues = RealProxyValues;
    s.messageBox = std::make_shared<RealMessageBox>();
    s.eventLog = std::make_shared<RealEventLog>();
    s.linkOpener = std::make_shared<RealLinkOpener>();
    return s;
}

}  // namespace zeva::plug
