#pragma once
// What the plug-in pages reach outside themselves: the back-office service,
// the download-rate and web-page engines, the machine's probes, the network
// scanner, the name resolver and connector, the waiting animation, message
// boxes and the event log. Each is a small interface; a page takes one
// PageServices in its constructor, PageServices::Real() by default, and
// tests hand in the fakes of testsupport/FakeServices.h. A page leaves the
// members it does not use alone.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "NetworkAdapter.h"
#include "ZEVAClientIntf.h"
#include "platform/WinTypes.h"

class CWnd;

namespace zeva::plug {

// One back-office client per operation or page, as the client library is
// meant to be used: Initialize first (the user's Internet Settings proxy).
class IServiceClient {
public:
    virtual ~IServiceClient() = default;
    virtual void Initialize(const std::string& serviceUrl, unsigned timeoutSeconds) = 0;
    virtual std::string GetLastErrorInfo() = 0;
    virtual int GetCurrentAccount(std::string& account, bool fromServer) = 0;
    virtual int GetAccountNetType(const std::string& account, S_NetType& netType,
                                  bool fromServer) = 0;
    virtual int GetAccountCity(const std::string& account, std::string& city, bool fromServer) = 0;
    virtual int GetSpeedConfigList(const std::string& request,
                                   std::vector<S_SpeedConfig>& list) = 0;
    // The seventeen texts of a speed report, in parameter order.
    virtual int SetSpeedInfo(const std::vector<std::string>& fields) = 0;
    virtual int SetHttpInfo(std::vector<S_HttpInfo>& records) = 0;
    virtual int GetUserNameAndWorkListNum(const std::string& operationCode,
                                          const std::string& accounts,
                                          std::vector<std::string>& list) = 0;
    // The twenty-one texts of a work-order report, in parameter order.
    virtual int UpFinish(const std::vector<std::string>& fields, S_UPFINISHOUT& out) = 0;
};

// The download-rate engine: progress posted as `message` to `window`; no
// message is posted after StopTest returns.
class IDownloadEngine {
public:
    virtual ~IDownloadEngine() = default;
    virtual void EnableProxy(bool useUserProxy) = 0;
    virtual int StartTest(const std::vector<std::string>& urls, unsigned long durationMs,
                          HWND window, UINT message) = 0;
    virtual void StopTest() = 0;
};

// The web-page engine: one address at a time, progress posted as `message`.
class IHttpEngine {
public:
    virtual ~IHttpEngine() = default;
    virtual int StartTest(const std::string& url, int seconds, HWND window, UINT message,
                          bool reuse) = 0;
    virtual void StopTest() = 0;
};

// Name look-ups within a time limit; called off the window thread.
class IResolver {
public:
    virtual ~IResolver() = default;
    // The milliseconds the look-up of `host` took; `firstAddress` gets its
    // first IPv4 address as dotted text, empty when none came in `timeoutMs`.
    virtual unsigned Resolve(const std::string& host, unsigned timeoutMs,
                             std::string& firstAddress) = 0;
};

// Timed TCP connections and page fetches; called off the window thread.
class IConnector {
public:
    virtual ~IConnector() = default;
    // Milliseconds to connect to host:port, or -1 when it failed.
    virtual long Connect(const std::string& host, unsigned short port, int timeoutSeconds) = 0;
    // The same through an HTTP proxy's CONNECT tunnel.
    virtual long ConnectVia(const std::string& host, unsigned short port,
                            const std::string& proxyHost, unsigned short proxyPort,
                            int timeoutSeconds) = 0;
    // Whether `url` opens as a web page, fetched afresh, within the time.
    virtual bool OpenUrl(const std::string& url, int timeoutSeconds) = 0;
};

// The Internet Settings values "ProxyEnable" and "ProxyServer"; nothing
// when the settings do not exist.
struct ProxyValues {
    bool found = false;
    std::uint32_t enable = 0;
    std::string server;
};

struct AdapterFacts {
    std::vector<std::string> addresses;
    std::vector<std::string> gateways;
    std::string mac;
};

// Probes of the machine. Called from the window thread and from workers,
// so implementations keep no state a second caller could disturb.
class ISystemProbes {
public:
    virtual ~ISystemProbes() = default;
    // The received and sent byte counters (32-bit, wrapping).
    virtual void GetNetworkFlux(std::uint32_t& received, std::uint32_t& sent) = 0;
    // Processor load since the previous call.
    virtual int CpuPercent() = 0;
    // Total and available physical memory.
    virtual void Memory(std::uint64_t& total, std::uint64_t& available) = 0;
    // The processor's and the memory's description texts.
    virtual std::string ProcessorText() = 0;
    virtual std::string MemoryText() = 0;
    virtual std::vector<AdapterFacts> Adapters() = 0;
    virtual bool ProxySet() = 0;
    virtual void HardwareInfo(std::string& processorId, std::string& diskSerial) = 0;
};

// The dial-up links of this computer.
class IDialUpProbe {
public:
    virtual ~IDialUpProbe() = default;
    // Looks for a running dial-up link of any type; 0 on success.
    virtual int GetActiveDialUp(bool& active, std::string& name) = 0;
    // The user name stored for the link the last GetActiveDialUp found; 0 on success.
    virtual int GetStoredUserName(std::string& user) = 0;
};

// The network interfaces one by one, by id.
class INicProbe {
public:
    virtual ~INicProbe() = default;
    virtual int RetrieveAdapterIdList(std::vector<tag_ADAPTER>& adapters, std::string& error) = 0;
    virtual int IsEnabled(const std::string& id, COMMON_eNicState& state) = 0;
    virtual int RetrieveIPv4Data(const std::string& id, _ADAPTER_INFO& info) = 0;
    virtual int IsWirelessAdapter(const std::string& id, bool& wireless) = 0;
    virtual int GetSignalStrenghLevel(const std::string& id, int& level) = 0;
};

// One device of the local network; texts in the system code page.
struct LanDevice {
    std::string Ip;  // dotted IPv4
    std::string Mac;
    std::string Vendor;
    std::string Name;  // filled in by the LAN check page
    // Addresses this hardware address answered for (more than 1: a router
    // answering on others' behalf), shown with the name.
    std::size_t Addresses = 1;
};

// A name found for an address.
struct NeighbourEntry {
    std::string Ip;
    std::string Name;
};

// The local network: its scan, its devices' names, this computer.
class ILanScanner {
public:
    virtual ~ILanScanner() = default;
    // On a worker: the devices that answered, this computer among them; the
    // count of devices, or -1 when nothing could be scanned.
    virtual int Scan(std::vector<LanDevice>& devices) = 0;
    // The same; `note` (system code page) tells the user why the list holds
    // only the devices the system already knew, or why nothing could be
    // scanned. Empty after a full scan.
    virtual int ScanWithNote(std::vector<LanDevice>& devices, std::string& note) {
        note.clear();
        return Scan(devices);
    }
    // On a worker: names for some of `ips`, within about two seconds, sooner
    // once `stop()` reads true.
    virtual std::vector<NeighbourEntry> FindNames(const std::vector<std::string>& ips,
                                                  const std::function<bool()>& stop) = 0;
    // This computer's name, empty when it has none.
    virtual std::string ComputerName() = 0;
    // This computer's address on the local network.
    virtual std::string LocalIp() = 0;
};

// The waiting animation shown while a page looks things up.
class IWaitIndicator {
public:
    virtual ~IWaitIndicator() = default;
    virtual void Show() = 0;
    virtual void Close() = 0;
    virtual bool IsShown() const = 0;
};

class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    // Shows `text` (system code page) modally above `parent`; returns when
    // it is answered, the answer is not used.
    virtual void Show(const std::string& text, CWnd* parent) = 0;
};

// Opens a web address with the desktop's handler.
class ILinkOpener {
public:
    virtual ~ILinkOpener() = default;
    // False when it could not be started.
    virtual bool Open(const std::string& url) = 0;
};

class IEventLog {
public:
    virtual ~IEventLog() = default;
    virtual void Write(const std::string& module, const std::string& buildTime,
                       const std::string& sourceFile, const std::string& function, int line,
                       const std::string& message, const std::string& category) = 0;
};

struct PageServices {
    std::function<std::unique_ptr<IServiceClient>()> newClient;
    std::function<std::unique_ptr<IDownloadEngine>()> newDownloadEngine;
    std::function<std::unique_ptr<IHttpEngine>()> newHttpEngine;
    std::function<std::unique_ptr<IWaitIndicator>()> newRadar;
    std::shared_ptr<ISystemProbes> probes;
    std::shared_ptr<IDialUpProbe> dialUp;
    std::shared_ptr<INicProbe> nics;
    std::shared_ptr<ILanScanner> scanner;
    std::shared_ptr<IResolver> resolver;
    std::shared_ptr<IConnector> connector;
    std::function<ProxyValues()> proxyValues;
    std::shared_ptr<IMessageBox> messageBox;
    std::shared_ptr<IEventLog> eventLog;
    std::shared_ptr<ILinkOpener> linkOpener;

    // The real components.
    static PageServices Real();
    // The same without the back office (no newClient), for the plug-ins
    // that do not link the service client library.
    static PageServices RealLocal();
};

}  // namespace zeva::plug
