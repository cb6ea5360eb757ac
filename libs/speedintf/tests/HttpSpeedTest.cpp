#include <gtest/gtest.h>

#include <optional>

#include "EngineTestSupport.h"
#include "ZEVAHttpSpeed.h"
#include "platform/InternetSettings.h"
#include "platform/Registry.h"

using namespace enginetest;
using namespace std::chrono_literals;

TEST(HttpSpeed, FiveStepsThenTheResponseTimeAndAgainWithReuse) {
    DirectNetwork direct;
    LoopbackServer server;
    Collector window;
    CZEVAHttpSpeed engine(true);
    ASSERT_EQ(engine.StartTest(server.Url("/page"), 5, window.hwnd(), Collector::kMessage, false),
              0);
    ASSERT_TRUE(window.WaitFor(5));
    std::vector<LPARAM> steps;
    for (const auto& m : window.messages()) steps.push_back(m.l);
    EXPECT_EQ(steps, (std::vector<LPARAM>{20, 40, 60, 80, 100}));
    EXPECT_GE(window.messages().back().w, 1u);
    EXPECT_LT(window.messages().back().w, 5000u);

    // The next site may start as soon as the last message is seen.
    ASSERT_EQ(engine.StartTest(server.Url("/missing"), 5, window.hwnd(), Collector::kMessage, true),
              0);
    ASSERT_TRUE(window.WaitFor(10));
    EXPECT_EQ(window.messages().back().l, 100);  // a 404 is still an answer
    EXPECT_EQ(server.requests(), 1);             // only /page has a handler that counts
}

namespace {

// A port whose connections the kernel accepts and nobody ever answers.
class SilentServer {
public:
    SilentServer() {
        unsigned short port = 0;
        listener_.Reset(zeva::sock::ListenTcpLoopback(port, 16));
        if (listener_.valid()) port_ = port;
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
    int port() const { return port_; }

private:
    zeva::sock::Socket listener_;
    int port_ = 0;
};

// The last message of a one-second test of `url`.
std::optional<Message> LastOfShortTest(CZEVAHttpSpeed& engine, const std::string& url) {
    Collector window;
    if (engine.StartTest(url, 1, window.hwnd(), Collector::kMessage, false) != 0) return {};
    if (!Collector::Until([&] { return !engine.IsRunning(); }, 4000)) return {};
    enginetest::Pump();
    if (window.messages().empty()) return {};
    return window.messages().back();
}

}  // namespace

TEST(HttpSpeed, OnlyASiteThatBeganToAnswerCountsTheTimeOfAFailure) {
    DirectNetwork direct;
    LoopbackServer server;
    SilentServer silent;
    ASSERT_NE(silent.port(), 0);
    CZEVAHttpSpeed engine(true);
    const struct {
        std::string what, url;
        bool timeCounts;
    } cases[] = {
        {"nothing listens",
         "http://127.0.0.1:" + std::to_string(zeva::test::ClosedLoopbackPort()) + "/", false},
        {"accepts and never answers", silent.Url(), false},
        {"reads the request and answers too late", server.Url("/slow"), false},
        {"answer begun, never finished", server.Url("/burst"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto last = LastOfShortTest(engine, c.url);
        ASSERT_TRUE(last.has_value());
        EXPECT_EQ(last->l, -1);
        if (c.timeCounts)
            EXPECT_GE(last->w, 900u);
        else
            EXPECT_EQ(last->w, 0u);
    }
}

TEST(HttpSpeed, StopTestAbortsAndNoMessageFollows) {
    DirectNetwork direct;
    LoopbackServer server;
    Collector window;
    CZEVAHttpSpeed engine(true);
    EXPECT_EQ(engine.StartTest("", 5, window.hwnd(), Collector::kMessage, false), 2);
    EXPECT_EQ(engine.StartTest(server.Url("/slow"), 0, window.hwnd(), Collector::kMessage, false),
              2);
    ASSERT_EQ(engine.StartTest(server.Url("/slow"), 5, window.hwnd(), Collector::kMessage, false),
              0);
    EXPECT_EQ(engine.StartTest(server.Url("/page"), 5, window.hwnd(), Collector::kMessage, false),
              1);
    ASSERT_TRUE(Collector::Until([&] { return server.requests() == 1; }));
    const auto start = std::chrono::steady_clock::now();
    engine.StopTest();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
    enginetest::Pump();
    const std::size_t seen = window.messages().size();
    for (const auto& m : window.messages()) EXPECT_NE(m.l, 100);
    std::this_thread::sleep_for(300ms);
    enginetest::Pump();
    EXPECT_EQ(window.messages().size(), seen);
}

TEST(HttpSpeed, FetchesThroughTheUsersProxy) {
    DirectNetwork direct;
    LoopbackServer server;
    LoggingProxy proxy(100);
    auto key =
        zeva::RegistryKey::Create(zeva::RegistryHive::CurrentUser, zeva::kInternetSettingsKey);
    ASSERT_TRUE(key);
    key->SetDword("ProxyEnable", 1);
    key->SetString("ProxyServer", "127.0.0.1:" + std::to_string(proxy.port()));
    Collector window;
    CZEVAHttpSpeed engine(true);
    ASSERT_EQ(engine.StartTest(server.Url("/page"), 5, window.hwnd(), Collector::kMessage, false),
              0);
    ASSERT_TRUE(window.WaitFor(5));
    EXPECT_EQ(window.messages().back().l, 100);
    ASSERT_EQ(proxy.Lines().size(), 1u);
    EXPECT_EQ(proxy.Lines()[0], "GET " + server.Url("/page") + " HTTP/1.1");
    EXPECT_EQ(server.requests(), 0);
}
