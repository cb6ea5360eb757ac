#pragma once
// Stand-ins for every service a plug-in page reaches (PageServices.h), with
// what they were asked recorded. One FakeServices per test: its scripts are
// shared by every client, engine and radar the page makes, so a test sets
// answers and reads calls in one place. Texts a test writes and reads are
// UTF-8 where the page sees the system code page (city, error, shown
// messages); the rest pass unchanged.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Gate.h"
#include "PageServices.h"

namespace zeva::test {

using plug::AdapterFacts;
using plug::LanDevice;
using plug::NeighbourEntry;
using plug::PageServices;
using plug::ProxyValues;

// What every service client of one test answers and was told.
struct ClientScript {
    std::shared_ptr<Gate> accountGate;  // when set, the account look-up waits for it
    std::shared_ptr<Gate> listGate;     // when set, the list call waits for it
    std::shared_ptr<Gate> uploadGate;   // when set, the speed and web-page uploads wait for it
    std::function<void()> onList;       // runs when the list is asked
    std::string account;
    S_NetType netType;
    std::string city;    // UTF-8
    int listResult = 0;  // not 0: the list call fails and returns it
    std::vector<S_SpeedConfig> list;
    std::string error = "连接服务器失败，网络可能不畅通！";  // UTF-8
    std::vector<std::string> workOrders;
    int upFinishResult = 0;
    S_UPFINISHOUT upFinishAnswer;

    std::mutex lock;
    int clientsMade = 0;
    std::vector<std::pair<std::string, unsigned>> initialized;  // endpoint, time-out
    int accountLookups = 0;
    int serverLookups = 0;  // account, type or city asked of the server, not the cache
    std::vector<std::string> netTypeAccounts;
    std::vector<std::string> listRequests;
    std::vector<std::vector<std::string>> reports;  // SetSpeedInfo
    std::vector<std::vector<S_HttpInfo>> httpUploads;
    std::vector<std::pair<std::string, std::string>> workOrderQueries;
    std::vector<std::vector<std::string>> workOrderReports;  // UpFinish

    std::size_t HttpUploads() {
        std::lock_guard<std::mutex> hold(lock);
        return httpUploads.size();
    }
    std::size_t Reports() {
        std::lock_guard<std::mutex> hold(lock);
        return reports.size();
    }
};

struct EngineScript {
    int startResult = 0;
    std::vector<std::vector<std::string>> starts;
    int stops = 0;
    std::vector<bool> proxyFlags;
    HWND window = nullptr;
    UINT message = 0;
    unsigned long duration = 0;
};

struct HttpEngineScript {
    struct Start {
        std::string url;
        int seconds = 0;
        HWND window = nullptr;
        UINT message = 0;
        bool reuse = false;
    };
    std::vector<Start> starts;
    std::map<std::size_t, int> refuse;  // start number (0-based) -> result
    int stops = 0;
};

// Every radar the page makes shows in this one record.
struct RadarScript {
    bool shown = false;
    int shows = 0;
    int closes = 0;
};

// The machine: load, memory, adapters, proxy, dial-up and interfaces.
class FakeMachine : public plug::ISystemProbes, public plug::IDialUpProbe, public plug::INicProbe {
public:
    std::atomic<std::uint32_t> received{0}, sent{0};
    std::atomic<int> cpu{10};
    std::uint64_t total = 1000, available = 500;
    std::string processorText = "Test CPU x 4", memoryText = "7.7GB";
    std::vector<AdapterFacts> adapters = {{{"192.168.1.10"}, {"192.168.1.1"}, "00-11-22-33-44-55"}};
    bool proxy = false;
    std::string processorId = "BFEBFBFF000906EA", diskSerial = "WD-123";
    std::atomic<int> cpuCalls{0};

    int dialResult = 0;
    bool dialActive = false;
    int storedUserResult = -1;
    std::string storedUser;
    int storedUserCalls = 0;

    struct Nic {
        std::string id;
        bool enabled = true;
        std::string mac;
        bool wireless = false;
        int signalResult = 0;
        int level = 0;
    };
    std::vector<Nic> nics;

    void GetNetworkFlux(std::uint32_t& r, std::uint32_t& s) override;
    int CpuPercent() override;
    void Memory(std::uint64_t& t, std::uint64_t& a) override;
    std::string ProcessorText() override { return processorText; }
    std::string MemoryText() override { return memoryText; }
    std::vector<AdapterFacts> Adapters() override;
    bool ProxySet() override { return proxy; }
    void HardwareInfo(std::string& p, std::string& d) override;

    int GetActiveDialUp(bool& active, std::string& name) override;
    int GetStoredUserName(std::string& user) override;

    int RetrieveAdapterIdList(std::vector<tag_ADAPTER>& list, std::string& error) override;
    int IsEnabled(const std::string& id, COMMON_eNicState& state) override;
    int RetrieveIPv4Data(const std::string& id, _ADAPTER_INFO& info) override;
    int IsWirelessAdapter(const std::string& id, bool& wireless) override;
    int GetSignalStrenghLevel(const std::string& id, int& level) override;

private:
    const Nic* Find(const std::string& id) const;
    std::mutex lock_;
};

// Scans answer from a queue (then with the last one again); names come from
// a table, for the addresses asked.
class FakeScanner : public plug::ILanScanner {
public:
    std::deque<std::vector<LanDevice>> scans;
    std::optional<int> count;  // what a scan returns; the devices' number when unset
    std::string note;          // what every scan says of its own completeness
    std::vector<NeighbourEntry> names;
    std::string own;  // the computer's name
    std::string localIp = "192.168.1.10";
    std::vector<std::vector<std::string>> asked;
    bool sawStop = false;
    Gate* scanGate = nullptr;  // when set, a scan waits for it

    int Scan(std::vector<LanDevice>& devices) override;
    int ScanWithNote(std::vector<LanDevice>& devices, std::string& note) override;
    std::vector<NeighbourEntry> FindNames(const std::vector<std::string>& ips,
                                          const std::function<bool()>& stop) override;
    std::string ComputerName() override { return own; }
    std::string LocalIp() override { return localIp; }

    int ScanCalls();
    void AwaitScanCalls(int n);

private:
    std::mutex m_;
    std::condition_variable entered_;
    int scanCalls_ = 0;
};

class FakeResolver : public plug::IResolver {
public:
    struct Answer {
        std::string ip;  // empty: the name does not resolve
        unsigned ms = 0;
    };
    std::map<std::string, Answer> answers;
    std::vector<std::pair<std::string, unsigned>> asked;  // host, limit
    std::mutex lock;
    unsigned Resolve(const std::string& host, unsigned limitMs, std::string& first) override;
};

class FakeConnector : public plug::IConnector {
public:
    std::map<std::string, long> connectMs;  // "host:port" -> ms; missing: fails
    std::map<std::string, bool> openable;   // url -> opens
    std::vector<std::string> connects, opens;
    std::mutex lock;
    long Connect(const std::string& host, unsigned short port, int seconds) override;
    long ConnectVia(const std::string& host, unsigned short port, const std::string& proxyHost,
                    unsigned short proxyPort, int seconds) override;
    bool OpenUrl(const std::string& url, int seconds) override;
};

class FakeMessageBox : public plug::IMessageBox {
public:
    std::vector<std::string> shown;  // UTF-8
    void Show(const std::string& text, CWnd* parent) override;
};

class FakeLinkOpener : public plug::ILinkOpener {
public:
    std::vector<std::string> opened;
    bool Open(const std::string& url) override {
        opened.push_back(url);
        return true;
    }
};

struct LogEntry {
    std::string module, buildTime, file, function;
    int line = 0;
    std::string message, category;
};

class FakeEventLog : public plug::IEventLog {
public:
    std::vector<LogEntry> entries;
    void Write(const std::string& module, const std::string& buildTime, const std::string& file,
               const std::string& function, int line, const std::string& message,
               const std::string& category) override;
};

struct FakeServices {
    std::shared_ptr<ClientScript> client = std::make_shared<ClientScript>();
    std::shared_ptr<EngineScript> engine = std::make_shared<EngineScript>();
    std::shared_ptr<HttpEngineScript> http = std::make_shared<HttpEngineScript>();
    std::shared_ptr<RadarScript> radar = std::make_shared<RadarScript>();
    std::shared_ptr<FakeMachine> probes = std::make_shared<FakeMachine>();
    std::shared_ptr<FakeScanner> scanner = std::make_shared<FakeScanner>();
    std::shared_ptr<FakeResolver> resolver = std::make_shared<FakeResolver>();
    std::shared_ptr<FakeConnector> connector = std::make_shared<FakeConnector>();
    std::shared_ptr<ProxyValues> proxy = std::make_shared<ProxyValues>();
    std::shared_ptr<FakeMessageBox> box = std::make_shared<FakeMessageBox>();
    std::shared_ptr<FakeEventLog> log = std::make_shared<FakeEventLog>();
    std::shared_ptr<FakeLinkOpener> opener = std::make_shared<FakeLinkOpener>();

    // Every service a fake; the returned set shares these scripts.
    PageServices Make() const;
};

// A network type as the service sends it.
S_NetType NetType(const std::string& id, const std::string& rate, const std::string& maxValue);

}  // namespace zeva::test
