#pragma once
// Stand-ins for the web-page test's engine, resolver and connector, and the
// page opened headless with them.

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "DlgResultContainer.h"
#include "DlgResultItem.h"
#include "Fixture.h"
#include "Services.h"

namespace speedtest::test {

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

class FakeHttpEngine : public IHttpEngine {
public:
    explicit FakeHttpEngine(std::shared_ptr<HttpEngineScript> s) : s_(std::move(s)) {}
    int StartTest(const std::string& url, int seconds, HWND window, UINT message, bool reuse) override {
        const std::size_t n = s_->starts.size();
        s_->starts.push_back({url, seconds, window, message, reuse});
        auto it = s_->refuse.find(n);
        return it == s_->refuse.end() ? 0 : it->second;
    }
    void StopTest() override { ++s_->stops; }

private:
    std::shared_ptr<HttpEngineScript> s_;
};

class FakeResolver : public IResolver {
public:
    struct Answer {
        std::string ip;  // empty: the name does not resolve
        unsigned ms = 0;
    };
    std::map<std::string, Answer> answers;
    std::vector<std::pair<std::string, unsigned>> asked;  // host, limit
    std::mutex lock;
    unsigned Resolve(const std::string& host, unsigned limitMs, std::string& first) override {
        std::lock_guard<std::mutex> hold(lock);
        asked.emplace_back(host, limitMs);
        auto it = answers.find(host);
        first = it == answers.end() ? "" : it->second.ip;
        return it == answers.end() ? limitMs : it->second.ms;
    }
};

class FakeConnector : public IConnector {
public:
    std::map<std::string, long> connectMs;  // "host:port" -> ms; missing: fails
    std::map<std::string, bool> openable;   // url -> opens
    std::vector<std::string> connects, opens;
    std::mutex lock;
    long Connect(const std::string& host, unsigned short port, int seconds) override {
        std::lock_guard<std::mutex> hold(lock);
        const std::string key = host + ":" + std::to_string(port);
        connects.push_back(key + "/" + std::to_string(seconds));
        auto it = connectMs.find(key);
        return it == connectMs.end() ? -1 : it->second;
    }
    long ConnectVia(const std::string& host, unsigned short port, const std::string& proxyHost,
                    unsigned short proxyPort, int seconds) override {
        std::lock_guard<std::mutex> hold(lock);
        const std::string key = host + ":" + std::to_string(port);
        connects.push_back(key + " via " + proxyHost + ":" + std::to_string(proxyPort) + "/" +
                           std::to_string(seconds));
        auto it = connectMs.find(key);
        return it == connectMs.end() ? -1 : it->second;
    }
    bool OpenUrl(const std::string& url, int) override {
        std::lock_guard<std::mutex> hold(lock);
        opens.push_back(url);
        auto it = openable.find(url);
        return it != openable.end() && it->second;
    }
};

struct HttpFakes {
    std::shared_ptr<HttpEngineScript> engine = std::make_shared<HttpEngineScript>();
    std::shared_ptr<FakeResolver> resolver = std::make_shared<FakeResolver>();
    std::shared_ptr<FakeConnector> connector = std::make_shared<FakeConnector>();
    std::shared_ptr<ProxyValues> proxy = std::make_shared<ProxyValues>();
    Services Make(Services s) const {
        s.newHttpEngine = [e = engine] { return std::unique_ptr<IHttpEngine>(new FakeHttpEngine(e)); };
        s.resolver = resolver;
        s.connector = connector;
        s.proxyValues = [p = proxy] { return *p; };
        return s;
    }
};

inline const std::vector<std::string> kSixSites = {"www.site1.test", "www.site2.test", "www.site3.test",
                                                   "www.site4.test", "www.site5.test", "www.site6.test"};

class HttpFixture : public SpeedTestFixture {
protected:
    HttpFixture() {
        WriteSetting("Config.dat", "Server", "ServiceURL", "http://127.0.0.1:9/kelv/BService.ws");
        fakes_.client->account = "0571a88001234";
        fakes_.client->netType = NetType("8", "100M", "102400");
        fakes_.client->city = "杭州";
    }
    void WriteSites(const std::vector<std::string>& sites) {
        for (const std::string& s : sites) WriteSetting("SpeedTest.dat", "Http", s, "1");
    }
    void OpenHttp() {
        Open();
        ASSERT_TRUE(driver_.Click(*Landing(), landing_ids::kHttp));
    }
    CDlgHttpTest& Page() const { return *Landing()->HttpPage(); }
    CWnd* H(UINT id) const { return Page().GetDlgItem(static_cast<int>(id)); }
    CButton* Check(int row) const { return dynamic_cast<CButton*>(H(http_ids::kChecks[row])); }
    bool Add(const std::string& address) {
        return driver_.Type(Page(), http_ids::kEntry, zeva::Acp(address)) && driver_.Click(Page(), http_ids::kAdd);
    }
    bool Action() { return driver_.Click(Page(), http_ids::kAction); }
    void Send(unsigned ms, int percent) {
        Page().SendMessage(kMsgHttpProgress, ms, static_cast<LPARAM>(percent));
        driver_.Pump();
    }
    // One site through its five steps, ending with `ms`.
    void Site(unsigned ms) {
        for (int p : {20, 40, 60, 80}) Send(0, p);
        Send(ms, 100);
    }

    HttpFakes http_;
    ScopedServices httpServices_{http_.Make(fakes_.Make())};
};

}  // namespace speedtest::test
