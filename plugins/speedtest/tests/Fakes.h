#pragma once
// Stand-ins for the services the speed-test pages use, with what they were
// asked recorded for the tests.

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Services.h"

namespace speedtest::test {

// A gate a worker waits at until the test opens it.
class Gate {
public:
    void Open() {
        std::lock_guard<std::mutex> hold(m_);
        open_ = true;
        cv_.notify_all();
    }
    void Wait() {
        std::unique_lock<std::mutex> hold(m_);
        cv_.wait(hold, [this] { return open_; });
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool open_ = false;
};

// What every service client of one test answers and was told.
struct ClientScript {
    std::shared_ptr<Gate> listGate;  // when set, the list call waits for it
    std::string account;
    S_NetType netType;
    std::string city;
    int listResult = 0;
    std::vector<S_SpeedConfig> list;
    std::string error = "连接服务器失败，网络可能不畅通！";

    std::mutex lock;
    std::vector<std::string> listRequests;
    std::vector<std::vector<std::string>> reports;
    std::vector<std::vector<S_HttpInfo>> httpUploads;
    std::vector<std::pair<std::string, unsigned>> initialized;
    int accountLookups = 0;
};

class FakeEngine;

struct EngineScript {
    int startResult = 0;
    std::vector<std::vector<std::string>> starts;
    int stops = 0;
    int proxyEnabled = 0;
    HWND window = nullptr;
    UINT message = 0;
    unsigned long duration = 0;
};

class FakeProbes : public ISystemProbes {
public:
    std::atomic<std::uint32_t> received{0}, sent{0};
    std::atomic<int> cpu{10};
    std::uint64_t total = 1000, available = 500;
    std::string localIp = "192.168.1.10";
    int scanned = 1;
    std::vector<std::string> answered = {"192.168.1.10"};
    std::vector<AdapterFacts> adapters = {{{"192.168.1.10"}, {"192.168.1.1"}, "00-11-22-33-44-55"}};
    bool proxy = false;
    bool dialUp = false;
    std::string processorId = "BFEBFBFF000906EA", diskSerial = "WD-123";
    std::atomic<int> cpuCalls{0};

    void GetNetworkFlux(std::uint32_t& r, std::uint32_t& s) override {
        r = received;
        s = sent;
    }
    int CpuPercent() override {
        ++cpuCalls;
        return cpu;
    }
    void Memory(std::uint64_t& t, std::uint64_t& a) override {
        t = total;
        a = available;
    }
    std::string LocalIp() override { return localIp; }
    int Scan(std::vector<std::string>& ips) override {
        ips = answered;
        return scanned;
    }
    std::vector<AdapterFacts> Adapters() override { return adapters; }
    bool ProxySet() override { return proxy; }
    bool DialUpOnThisComputer() override { return dialUp; }
    void HardwareInfo(std::string& p, std::string& d) override {
        p = processorId;
        d = diskSerial;
    }
};

struct LogEntry {
    std::string module, buildTime, file, function;
    int line = 0;
    std::string message, category;
};

class FakeEventLog : public IEventLog {
public:
    std::vector<LogEntry> entries;
    void Write(const std::string& module, const std::string& buildTime, const std::string& file,
               const std::string& function, int line, const std::string& message,
               const std::string& category) override {
        entries.push_back({module, buildTime, file, function, line, message, category});
    }
};

class FakeMessageBox : public IMessageBox {
public:
    std::vector<std::string> shown;  // UTF-8
    void Show(const std::string& text) override;
};

// One set of fakes installed for a test's scope.
struct Fakes {
    std::shared_ptr<ClientScript> client = std::make_shared<ClientScript>();
    std::shared_ptr<EngineScript> engine = std::make_shared<EngineScript>();
    std::shared_ptr<FakeProbes> probes = std::make_shared<FakeProbes>();
    std::shared_ptr<FakeEventLog> log = std::make_shared<FakeEventLog>();
    std::shared_ptr<FakeMessageBox> box = std::make_shared<FakeMessageBox>();
    Services Make() const;
};

// A network type as the service sends it.
S_NetType NetType(const std::string& id, const std::string& rate, const std::string& maxValue);

}  // namespace speedtest::test
