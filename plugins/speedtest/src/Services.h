#pragma once
// What the speed-test pages reach outside themselves: the service client
// library, the download-rate engine, the machine's probes, the event log and
// the message box. Each is a small interface whose default is the real
// library; tests install fakes with ScopedServices.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ZEVAClientIntf.h"
#include "platform/WinTypes.h"

namespace zeva {
class Event;
}

namespace speedtest {

// One service client per operation, as the client library is meant to be used.
class IServiceClient {
public:
    virtual ~IServiceClient() = default;
    virtual void Initialize(const std::string& serviceUrl, unsigned timeoutSeconds) = 0;
    // The three look-ups read the client library's local cache.
    virtual int GetCurrentAccount(std::string& account) = 0;
    virtual int GetAccountNetType(const std::string& account, S_NetType& netType) = 0;
    virtual int GetAccountCity(const std::string& account, std::string& city) = 0;
    virtual int GetSpeedConfigList(const std::string& request, std::vector<S_SpeedConfig>& list) = 0;
    // The seventeen texts of a speed report, in parameter order.
    virtual int SetSpeedInfo(const std::vector<std::string>& fields) = 0;
    // The web-page test's records; -1 unless the client can send them.
    virtual int SetHttpInfo(std::vector<S_HttpInfo>& records) {
        (void)records;
        return -1;
    }
    virtual std::string GetLastErrorInfo() = 0;
};

class IDownloadEngine {
public:
    virtual ~IDownloadEngine() = default;
    virtual void EnableProxy(bool useUserProxy) = 0;
    virtual int StartTest(const std::vector<std::string>& urls, unsigned long durationMs, HWND window,
                          UINT message) = 0;
    virtual void StopTest() = 0;
};

// The web-page engine: one address at a time, progress posted as `message`.
class IHttpEngine {
public:
    virtual ~IHttpEngine() = default;
    virtual int StartTest(const std::string& url, int seconds, HWND window, UINT message, bool reuse) = 0;
    virtual void StopTest() = 0;
};

// Name look-ups within a time limit; called off the window thread.
class IResolver {
public:
    virtual ~IResolver() = default;
    // The milliseconds the look-up of `host` took; `firstAddress` gets its
    // first IPv4 address as dotted text, empty when none came in `timeoutMs`.
    virtual unsigned Resolve(const std::string& host, unsigned timeoutMs, std::string& firstAddress) = 0;
};

// Timed TCP connections and page fetches; called off the window thread.
class IConnector {
public:
    virtual ~IConnector() = default;
    // Milliseconds to connect to host:port, or -1 when it failed.
    virtual long Connect(const std::string& host, unsigned short port, int timeoutSeconds) = 0;
    // The same through an HTTP proxy's CONNECT tunnel.
    virtual long ConnectVia(const std::string& host, unsigned short port, const std::string& proxyHost,
                            unsigned short proxyPort, int timeoutSeconds) = 0;
    // Whether `url` opens as a web page, fetched afresh, within the time.
    virtual bool OpenUrl(const std::string& url, int timeoutSeconds) = 0;
};

// The Internet Settings values the web-page test reads: "ProxyEnable" and
// "ProxyServer"; nothing when the settings do not exist.
struct ProxyValues {
    bool found = false;
    std::uint32_t enable = 0;
    std::string server;
};

// One device of a local-network scan.
struct LanDevice {
    std::string ip;
    std::string mac;
};

struct AdapterFacts {
    std::vector<std::string> addresses;
    std::vector<std::string> gateways;
    std::string mac;
};

// Probes of the machine. Called from the window thread, the sampler and the
// end-of-test analysis worker, so implementations keep no shared state.
class ISystemProbes {
public:
    virtual ~ISystemProbes() = default;
    virtual void GetNetworkFlux(std::uint32_t& received, std::uint32_t& sent) = 0;
    virtual int CpuPercent() = 0;
    // Total and available physical memory.
    virtual void Memory(std::uint64_t& total, std::uint64_t& available) = 0;
    virtual std::string LocalIp() = 0;
    // Devices that answered on the local network; their addresses in `ips`.
    virtual int Scan(std::vector<std::string>& ips) = 0;
    // The same scan with each device's hardware address.
    virtual int ScanDevices(std::vector<LanDevice>& devices) {
        std::vector<std::string> ips;
        const int count = Scan(ips);
        for (std::string& ip : ips) devices.push_back({std::move(ip), {}});
        return count;
    }
    virtual std::vector<AdapterFacts> Adapters() = 0;
    virtual bool ProxySet() = 0;
    virtual bool DialUpOnThisComputer() = 0;
    virtual void HardwareInfo(std::string& processorId, std::string& diskSerial) = 0;
};

class IEventLog {
public:
    virtual ~IEventLog() = default;
    virtual void Write(const std::string& module, const std::string& buildTime, const std::string& file,
                       const std::string& function, int line, const std::string& message,
                       const std::string& category) = 0;
};

class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    // Shows `text` (system code page) modally; the answer is not used.
    virtual void Show(const std::string& text) = 0;
};

struct Services {
    std::function<std::unique_ptr<IServiceClient>()> newClient;
    std::function<std::unique_ptr<IDownloadEngine>()> newEngine;
    std::shared_ptr<ISystemProbes> probes;
    std::shared_ptr<IEventLog> eventLog;
    std::shared_ptr<IMessageBox> messageBox;
    std::function<std::unique_ptr<IHttpEngine>()> newHttpEngine;
    std::shared_ptr<IResolver> resolver;
    std::shared_ptr<IConnector> connector;
    std::function<ProxyValues()> proxyValues;
};

// The services the pages use now (the real ones unless a test installed
// others; a service a test leaves empty is the real one).
Services& CurrentServices();
Services RealServices();

class ScopedServices {
public:
    explicit ScopedServices(Services services);
    ~ScopedServices();
    ScopedServices(const ScopedServices&) = delete;
    ScopedServices& operator=(const ScopedServices&) = delete;

private:
    Services saved_;
};

// The plug-in's one stop event (manual reset, not signalled at load), shared
// by the test pages and their samplers.
zeva::Event& StopEvent();

// Settings of the application directory.
std::string AppFile(const std::string& name);
std::string ReadSetting(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& def);

// Local time as "%Y-%m-%d %H:%M:%S".
std::string LocalTimeText();

}  // namespace speedtest
