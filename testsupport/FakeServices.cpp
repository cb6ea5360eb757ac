#include "FakeServices.h"

#include "platform/CodePage.h"

namespace zeva::test {

namespace {

class FakeClient : public plug::IServiceClient {
public:
    explicit FakeClient(std::shared_ptr<ClientScript> s) : s_(std::move(s)) {}
    void Initialize(const std::string& url, unsigned timeout) override {
        std::lock_guard<std::mutex> hold(s_->lock);
        s_->initialized.emplace_back(url, timeout);
    }
    std::string GetLastErrorInfo() override { return zeva::Acp(s_->error); }
    int GetCurrentAccount(std::string& account, bool fromServer) override {
        if (s_->accountGate) s_->accountGate->Wait();
        std::lock_guard<std::mutex> hold(s_->lock);
        ++s_->accountLookups;
        if (fromServer) ++s_->serverLookups;
        account = s_->account;
        return 0;
    }
    int GetAccountNetType(const std::string& account, S_NetType& netType,
                          bool fromServer) override {
        std::lock_guard<std::mutex> hold(s_->lock);
        if (fromServer) ++s_->serverLookups;
        s_->netTypeAccounts.push_back(account);
        netType = s_->netType;
        return 0;
    }
    int GetAccountCity(const std::string&, std::string& city, bool fromServer) override {
        std::lock_guard<std::mutex> hold(s_->lock);
        if (fromServer) ++s_->serverLookups;
        city = zeva::Acp(s_->city);
        return 0;
    }
    int GetSpeedConfigList(const std::string& request, std::vector<S_SpeedConfig>& list) override {
        if (s_->listGate) s_->listGate->Wait();
        if (s_->onList) s_->onList();
        std::lock_guard<std::mutex> hold(s_->lock);
        s_->listRequests.push_back(request);
        if (s_->listResult != 0) return s_->listResult;
        list.insert(list.end(), s_->list.begin(), s_->list.end());
        return 0;
    }
    int SetSpeedInfo(const std::vector<std::string>& fields) override {
        if (s_->uploadGate) s_->uploadGate->Wait();
        std::lock_guard<std::mutex> hold(s_->lock);
        s_->reports.push_back(fields);
        return 0;
    }
    int SetHttpInfo(std::vector<S_HttpInfo>& records) override {
        if (s_->uploadGate) s_->uploadGate->Wait();
        std::lock_guard<std::mutex> hold(s_->lock);
        s_->httpUploads.push_back(records);
        return 0;
    }
    int GetUserNameAndWorkListNum(const std::string& operationCode, const std::string& accounts,
                                  std::vector<std::string>& list) override {
        std::lock_guard<std::mutex> hold(s_->lock);
        s_->workOrderQueries.emplace_back(operationCode, accounts);
        list.insert(list.end(), s_->workOrders.begin(), s_->workOrders.end());
        return 0;
    }
    int UpFinish(const std::vector<std::string>& fields, S_UPFINISHOUT& out) override {
        std::lock_guard<std::mutex> hold(s_->lock);
        s_->workOrderReports.push_back(fields);
        out = s_->upFinishAnswer;
        return s_->upFinishResult;
    }

private:
    std::shared_ptr<ClientScript> s_;
};

class FakeDownloadEngine : public plug::IDownloadEngine {
public:
    explicit FakeDownloadEngine(std::shared_ptr<EngineScript> s) : s_(std::move(s)) {}
    void EnableProxy(bool on) override { s_->proxyFlags.push_back(on); }
    int StartTest(const std::vector<std::string>& urls, unsigned long durationMs, HWND window,
                  UINT message) override {
        s_->starts.push_back(urls);
        s_->window = window;
        s_->message = message;
        s_->duration = durationMs;
        return s_->startResult;
    }
    void StopTest() override { ++s_->stops; }

private:
    std::shared_ptr<EngineScript> s_;
};

class FakeHttpEngine : public plug::IHttpEngine {
public:
    explicit FakeHttpEngine(std::shared_ptr<HttpEngineScript> s) : s_(std::move(s)) {}
    int StartTest(const std::string& url, int seconds, HWND window, UINT message,
                  bool reuse) override {
        const std::size_t n = s_->starts.size();
        s_->starts.push_back({url, seconds, window, message, reuse});
        auto it = s_->refuse.find(n);
        return it == s_->refuse.end() ? 0 : it->second;
    }
    void StopTest() override { ++s_->stops; }

private:
    std::shared_ptr<HttpEngineScript> s_;
};

class FakeRadar : public plug::IWaitIndicator {
public:
    explicit FakeRadar(std::shared_ptr<RadarScript> s) : s_(std::move(s)) {}
    void Show() override {
        s_->shown = true;
        ++s_->shows;
    }
    void Close() override {
        s_->shown = false;
        ++s_->closes;
    }
    bool IsShown() const override { return s_->shown; }

private:
    std::shared_ptr<RadarScript> s_;
};

}  // namespace

void FakeMachine::GetNetworkFlux(std::uint32_t& r, std::uint32_t& s) {
    r = received;
    s = sent;
}

int FakeMachine::CpuPercent() {
    ++cpuCalls;
    return cpu;
}

void FakeMachine::Memory(std::uint64_t& t, std::uint64_t& a) {
    std::lock_guard<std::mutex> hold(lock_);
    t = total;
    a = available;
}

std::vector<AdapterFacts> FakeMachine::Adapters() {
    std::lock_guard<std::mutex> hold(lock_);
    return adapters;
}

void FakeMachine::HardwareInfo(std::string& p, std::string& d) {
    p = processorId;
    d = diskSerial;
}

int FakeMachine::GetActiveDialUp(bool& active, std::string& name) {
    active = dialActive;
    name = dialActive ? "dsl-provider" : "";
    return dialResult;
}

int FakeMachine::GetStoredUserName(std::string& user) {
    ++storedUserCalls;
    user = storedUser;
    return storedUserResult;
}

const FakeMachine::Nic* FakeMachine::Find(const std::string& id) const {
    for (const Nic& n : nics)
        if (n.id == id) return &n;
    return nullptr;
}

int FakeMachine::RetrieveAdapterIdList(std::vector<tag_ADAPTER>& list, std::string&) {
    for (const Nic& n : nics) list.push_back({n.id, n.id});
    return 0;
}

int FakeMachine::IsEnabled(const std::string& id, COMMON_eNicState& state) {
    const Nic* n = Find(id);
    if (!n) return -1;
    state = n->enabled ? NIC_STATE_ENABLED : NIC_STATE_DISABLED;
    return 0;
}

int FakeMachine::RetrieveIPv4Data(const std::string& id, _ADAPTER_INFO& info) {
    const Nic* n = Find(id);
    if (!n) return -1;
    info.AdapterName = id;
    info.MacAddress = n->mac;
    return 0;
}

int FakeMachine::IsWirelessAdapter(const std::string& id, bool& wireless) {
    const Nic* n = Find(id);
    if (!n) return -1;
    wireless = n->wireless;
    return 0;
}

int FakeMachine::GetSignalStrenghLevel(const std::string& id, int& level) {
    const Nic* n = Find(id);
    if (!n || !n->wireless) return -1;
    level = n->level;
    return n->signalResult;
}

int FakeScanner::Scan(std::vector<LanDevice>& devices) {
    Gate* gate = nullptr;
    int result = 0;
    {
        std::lock_guard<std::mutex> hold(m_);
        ++scanCalls_;
        gate = scanGate;
        if (!scans.empty()) {
            devices = scans.front();
            if (scans.size() > 1) scans.pop_front();
        }
        result = count ? *count : static_cast<int>(devices.size());
    }
    entered_.notify_all();
    if (gate) gate->Wait();
    return result;
}

int FakeScanner::ScanWithNote(std::vector<LanDevice>& devices, std::string& said) {
    {
        std::lock_guard<std::mutex> hold(m_);
        said = note;
    }
    return Scan(devices);
}

std::vector<NeighbourEntry> FakeScanner::FindNames(const std::vector<std::string>& ips,
                                                   const std::function<bool()>& stop) {
    std::lock_guard<std::mutex> hold(m_);
    asked.push_back(ips);
    sawStop = sawStop || stop();
    std::vector<NeighbourEntry> out;
    for (const NeighbourEntry& e : names) {
        for (const std::string& ip : ips) {
            if (e.Ip == ip) out.push_back(e);
        }
    }
    return out;
}

int FakeScanner::ScanCalls() {
    std::lock_guard<std::mutex> hold(m_);
    return scanCalls_;
}

void FakeScanner::AwaitScanCalls(int n) {
    std::unique_lock<std::mutex> hold(m_);
    entered_.wait(hold, [&] { return scanCalls_ >= n; });
}

unsigned FakeResolver::Resolve(const std::string& host, unsigned limitMs, std::string& first) {
    std::lock_guard<std::mutex> hold(lock);
    asked.emplace_back(host, limitMs);
    auto it = answers.find(host);
    first = it == answers.end() ? "" : it->second.ip;
    return it == answers.end() ? limitMs : it->second.ms;
}

long FakeConnector::Connect(const std::string& host, unsigned short port, int seconds) {
    std::lock_guard<std::mutex> hold(lock);
    const std::string key = host + ":" + std::to_string(port);
    connects.push_back(key + "/" + std::to_string(seconds));
    auto it = connectMs.find(key);
    return it == connectMs.end() ? -1 : it->second;
}

long FakeConnector::ConnectVia(const std::string& host, unsigned short port,
                               const std::string& proxyHost, unsigned short proxyPort,
                               int seconds) {
    std::lock_guard<std::mutex> hold(lock);
    const std::string key = host + ":" + std::to_string(port);
    connects.push_back(key + " via " + proxyHost + ":" + std::to_string(proxyPort) + "/" +
                       std::to_string(seconds));
    auto it = connectMs.find(key);
    return it == connectMs.end() ? -1 : it->second;
}

bool FakeConnector::OpenUrl(const std::string& url, int) {
    std::lock_guard<std::mutex> hold(lock);
    opens.push_back(url);
    auto it = openable.find(url);
    return it != openable.end() && it->second;
}

void FakeMessageBox::Show(const std::string& text, CWnd*) {
    shown.push_back(zeva::AcpToUtf8(text));
}

void FakeEventLog::Write(const std::string& module, const std::string& buildTime,
                         const std::string& file, const std::string& function, int line,
                         const std::string& message, const std::string& category) {
    entries.push_back({module, buildTime, file, function, line, message, category});
}

PageServices FakeServices::Make() const {
    PageServices s;
    s.newClient = [c = client]() -> std::unique_ptr<plug::IServiceClient> {
        {
            std::lock_guard<std::mutex> hold(c->lock);
            ++c->clientsMade;
        }
        return std::make_unique<FakeClient>(c);
    };
    s.newDownloadEngine = [e = engine] {
        return std::unique_ptr<plug::IDownloadEngine>(new FakeDownloadEngine(e));
    };
    s.newHttpEngine = [h = http] {
        return std::unique_ptr<plug::IHttpEngine>(new FakeHttpEngine(h));
    };
    s.newRadar = [r = radar] { return std::unique_ptr<plug::IWaitIndicator>(new FakeRadar(r)); };
    s.probes = probes;
    s.dialUp = probes;
    s.nics = probes;
    s.scanner = scanner;
    s.resolver = resolver;
    s.connector = connector;
    s.proxyValues = [p = proxy] { return *p; };
    s.messageBox = box;
    s.eventLog = log;
    s.linkOpener = opener;
    return s;
}

S_NetType NetType(const std::string& id, const std::string& rate, const std::string& maxValue) {
    S_NetType t;
    t.Id = id;
    t.BandRate = rate;
    t.MaxValue = maxValue;
    return t;
}

}  // namespace zeva::test
