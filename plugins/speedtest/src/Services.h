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
};

// The services the pages use now (the real ones unless a test installed others).
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
