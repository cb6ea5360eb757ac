#include "Fakes.h"

#include "platform/CodePage.h"

namespace speedtest::test {

namespace {

class FakeClient : public IServiceClient {
public:
    explicit FakeClient(std::shared_ptr<ClientScript> s) : s_(std::move(s)) {}
    void Initialize(const std::string& url, unsigned timeout) override {
        std::lock_guard<std::mutex> hold(s_->lock);
        s_->initialized.emplace_back(url, timeout);
    }
    int GetCurrentAccount(std::string& account) override {
        std::lock_guard<std::mutex> hold(s_->lock);
        ++s_->accountLookups;
        account = s_->account;
        return 0;
    }
    int GetAccountNetType(const std::string&, S_NetType& netType) override {
        netType = s_->netType;
        return 0;
    }
    int GetAccountCity(const std::string&, std::string& city) override {
        city = zeva::Acp(s_->city);
        return 0;
    }
    int GetSpeedConfigList(const std::string& request, std::vector<S_SpeedConfig>& list) override {
        if (s_->listGate) s_->listGate->Wait();
        std::lock_guard<std::mutex> hold(s_->lock);
        s_->listRequests.push_back(request);
        list = s_->list;
        return s_->listResult;
    }
    int SetSpeedInfo(const std::vector<std::string>& fields) override {
        std::lock_guard<std::mutex> hold(s_->lock);
        s_->reports.push_back(fields);
        return 0;
    }
    int SetHttpInfo(std::vector<S_HttpInfo>& records) override {
        std::lock_guard<std::mutex> hold(s_->lock);
        s_->httpUploads.push_back(records);
        return 0;
    }
    std::string GetLastErrorInfo() override { return zeva::Acp(s_->error); }

private:
    std::shared_ptr<ClientScript> s_;
};

class FakeEngineImpl : public IDownloadEngine {
public:
    explicit FakeEngineImpl(std::shared_ptr<EngineScript> s) : s_(std::move(s)) {}
    void EnableProxy(bool on) override { s_->proxyEnabled += on ? 1 : 0; }
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

}  // namespace

void FakeMessageBox::Show(const std::string& text) {
    shown.push_back(zeva::AcpToUtf8(text));
}

Services Fakes::Make() const {
    Services s;
    s.newClient = [c = client] { return std::unique_ptr<IServiceClient>(new FakeClient(c)); };
    s.newEngine = [e = engine] { return std::unique_ptr<IDownloadEngine>(new FakeEngineImpl(e)); };
    s.probes = probes;
    s.eventLog = log;
    s.messageBox = box;
    return s;
}

S_NetType NetType(const std::string& id, const std::string& rate, const std::string& maxValue) {
    S_NetType t;
    t.Id = id;
    t.BandRate = rate;
    t.MaxValue = maxValue;
    return t;
}

}  // namespace speedtest::test
