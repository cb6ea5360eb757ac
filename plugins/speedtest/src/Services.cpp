#include "Services.h"

#include <netdb.h>
#include <netinet/in.h>
#include <arpa/inet.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <mutex>

#include "AdapterInfo.h"
#include "CryptConfigFile.h"
#include "DialUp.h"
#include "DirectoryEx.h"
#include "DlgMessageBox.h"
#include "EventLog.h"
#include "HardwareInfo.h"
#include "IEMgr.h"
#include "IPtoTestingPC.h"
#include "NetworkFlux.h"
#include "SocketConnector.h"
#include "SystemConfig.h"
#include "UrlCheck.h"
#include "ZEVAHttpSpeed.h"
#include "ZEVAVDownSpeedEx.h"
#include "platform/Event.h"
#include "platform/InternetSettings.h"

namespace speedtest {

namespace {

class RealClient final : public IServiceClient {
public:
    void Initialize(const std::string& serviceUrl, unsigned timeoutSeconds) override {
        client_.Initialize(serviceUrl.c_str(), timeoutSeconds, BCI_PROXY_IE, "", 0, "", "");
    }
    int GetCurrentAccount(std::string& account) override { return client_.GetCurrentAccount(account, false); }
    int GetAccountNetType(const std::string& account, S_NetType& netType) override {
        return client_.GetAccountNetType(account.c_str(), netType, false);
    }
    int GetAccountCity(const std::string& account, std::string& city) override {
        return client_.GetAccountCity(account.c_str(), city, false);
    }
    int GetSpeedConfigList(const std::string& request, std::vector<S_SpeedConfig>& list) override {
        return client_.GetSpeedConfigList(request.c_str(), list);
    }
    int SetSpeedInfo(const std::vector<std::string>& f) override {
        if (f.size() != 17) return -1;
        return client_.SetSpeedInfo(f[0].c_str(), f[1].c_str(), f[2].c_str(), f[3].c_str(), f[4].c_str(),
                                    f[5].c_str(), f[6].c_str(), f[7].c_str(), f[8].c_str(), f[9].c_str(),
                                    f[10].c_str(), f[11].c_str(), f[12].c_str(), f[13].c_str(), f[14].c_str(),
                                    f[15].c_str(), f[16].c_str());
    }
    int SetHttpInfo(std::vector<S_HttpInfo>& records) override { return client_.SetHttpInfo(records); }
    std::string GetLastErrorInfo() override {
        const char* text = client_.GetLastErrorInfo();
        return text ? text : "";
    }

private:
    CZEVAClientIntf client_;
};

class RealEngine final : public IDownloadEngine {
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
    int StartTest(const std::string& url, int seconds, HWND window, UINT message, bool reuse) override {
        return engine_.StartTest(url, seconds, window, message, reuse);
    }
    void StopTest() override { engine_.StopTest(); }

private:
    CZEVAHttpSpeed engine_{true};
};

long ElapsedSince(std::chrono::steady_clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
}

// getaddrinfo has no time limit of its own, so the look-up runs as an
// asynchronous request that is given up at the limit. A request glibc can
// no longer cancel still writes its answer later: it is parked here and
// freed once it is done.
class RealResolver final : public IResolver {
public:
    ~RealResolver() override { Reap(); }

    unsigned Resolve(const std::string& host, unsigned timeoutMs, std::string& firstAddress) override {
        firstAddress.clear();
        Reap();
        const auto start = std::chrono::steady_clock::now();
        auto* request = new Request;
        request->host = host;
        request->hints.ai_family = AF_INET;
        request->hints.ai_socktype = SOCK_STREAM;
        request->cb.ar_name = request->host.c_str();
        request->cb.ar_request = &request->hints;
        gaicb* list[1] = {&request->cb};
        if (getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr) != 0) {
            delete request;
            return static_cast<unsigned>(ElapsedSince(start));
        }
        timespec limit{static_cast<time_t>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000000L};
        const gaicb* const waitList[1] = {&request->cb};
        while (gai_error(&request->cb) == EAI_INPROGRESS) {
            const long left = static_cast<long>(timeoutMs) - ElapsedSince(start);
            if (left <= 0) break;
            limit = {static_cast<time_t>(left / 1000), (left % 1000) * 1000000L};
            gai_suspend(waitList, 1, &limit);
        }
        const unsigned ms = static_cast<unsigned>(ElapsedSince(start));
        if (gai_error(&request->cb) == EAI_INPROGRESS && gai_cancel(&request->cb) != EAI_CANCELED) {
            std::lock_guard<std::mutex> hold(parkedLock_);
            parked_.push_back(request);
            return ms;
        }
        if (gai_error(&request->cb) == 0 && request->cb.ar_result) {
            for (const addrinfo* a = request->cb.ar_result; a; a = a->ai_next) {
                if (a->ai_family != AF_INET) continue;
                char text[INET_ADDRSTRLEN] = {};
                inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr, text, sizeof text);
                firstAddress = text;
                break;
            }
        }
        Free(request);
        return ms;
    }

private:
    struct Request {
        std::string host;
        addrinfo hints{};
        gaicb cb{};
    };
    static void Free(Request* r) {
        if (r->cb.ar_result) freeaddrinfo(r->cb.ar_result);
        delete r;
    }
    // Frees the parked requests that have finished; one still running
    // belongs to glibc's helper until it ends and is left to the process.
    void Reap() {
        std::lock_guard<std::mutex> hold(parkedLock_);
        for (auto it = parked_.begin(); it != parked_.end();) {
            if (gai_error(&(*it)->cb) == EAI_INPROGRESS) {
                ++it;
                continue;
            }
            Free(*it);
            it = parked_.erase(it);
        }
    }
    std::mutex parkedLock_;
    std::vector<Request*> parked_;
};

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
        if (connector.Connect(stream, host, port, proxyHost, proxyPort, "", "", timeoutSeconds) != 0) return -1;
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
    std::string LocalIp() override {
        std::string ip;
        CIPtoTestingPC().GetLocalIP(ip);
        return ip;
    }
    int Scan(std::vector<std::string>& ips) override {
        std::vector<IP_MAC> devices;
        const int count = CIPtoTestingPC().Scanning(devices, false);
        for (const IP_MAC& d : devices) ips.push_back(d.IP);
        return count;
    }
    int ScanDevices(std::vector<LanDevice>& out) override {
        std::vector<IP_MAC> devices;
        const int count = CIPtoTestingPC().Scanning(devices, false);
        for (const IP_MAC& d : devices) out.push_back({d.IP, d.MAC});
        return count;
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
    bool DialUpOnThisComputer() override {
        CDialUp dialUp("", "");
        bool active = false;
        std::string name;
        CDialUp::GetActiveDialUp(dialUp, active, name, DIAL_TYPE_ANY);
        return active;
    }
    void HardwareInfo(std::string& processorId, std::string& diskSerial) override {
        GetHardwareInfo(processorId, diskSerial);
    }

private:
    std::mutex cpuLock_;
    CSystemConfig cpu_;
};

class RealEventLog final : public IEventLog {
public:
    void Write(const std::string& module, const std::string& buildTime, const std::string& file,
               const std::string& function, int line, const std::string& message,
               const std::string& category) override {
        WriteSysEventLog(module, buildTime, file, function, line, message, category);
    }
};

class RealMessageBox final : public IMessageBox {
public:
    void Show(const std::string& text) override {
        CDlgMessageBox box(text);
        box.DoModal();
    }
};

}  // namespace

// Both live from the plug-in's load to its unload, so the static page, which
// is made later, is destroyed while they still exist.
namespace {
Services g_services = RealServices();
zeva::Event g_stopEvent(true, false);
Services& Installed() {
    return g_services;
}
}  // namespace

Services RealServices() {
    Services s;
    s.newClient = [] { return std::unique_ptr<IServiceClient>(new RealClient); };
    s.newEngine = [] { return std::unique_ptr<IDownloadEngine>(new RealEngine); };
    s.probes = std::make_shared<RealProbes>();
    s.eventLog = std::make_shared<RealEventLog>();
    s.messageBox = std::make_shared<RealMessageBox>();
    s.newHttpEngine = [] { return std::unique_ptr<IHttpEngine>(new RealHttpEngine); };
    s.resolver = std::make_shared<RealResolver>();
    s.connector = std::make_shared<RealConnector>();
    s.proxyValues = RealProxyValues;
    return s;
}

Services& CurrentServices() {
    return Installed();
}

ScopedServices::ScopedServices(Services services) : saved_(Installed()) {
    const Services& before = saved_;
    if (!services.newClient) services.newClient = before.newClient;
    if (!services.newEngine) services.newEngine = before.newEngine;
    if (!services.probes) services.probes = before.probes;
    if (!services.eventLog) services.eventLog = before.eventLog;
    if (!services.messageBox) services.messageBox = before.messageBox;
    if (!services.newHttpEngine) services.newHttpEngine = before.newHttpEngine;
    if (!services.resolver) services.resolver = before.resolver;
    if (!services.connector) services.connector = before.connector;
    if (!services.proxyValues) services.proxyValues = before.proxyValues;
    Installed() = std::move(services);
}

ScopedServices::~ScopedServices() {
    Installed() = std::move(saved_);
}

zeva::Event& StopEvent() {
    return g_stopEvent;
}

std::string AppFile(const std::string& name) {
    std::string dir;
    CDirectoryEx::GetApplicationPath(dir);
    return dir + name;
}

std::string ReadSetting(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& def) {
    CCryptConfigFile store(AppFile(file), "");
    std::string value;
    store.ReadString(section, key, def, value);
    return value;
}

std::string LocalTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

}  // namespace speedtest
