#include <gtest/gtest.h>

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

TEST(HttpSpeed, UnreachableGivesMinusOneWithZeroAndTimeOutGivesTheTimeSpent) {
    DirectNetwork direct;
    Collector window;
    CZEVAHttpSpeed engine(true);
    ASSERT_EQ(engine.StartTest(
                  "http://127.0.0.1:" + std::to_string(zeva::test::ClosedLoopbackPort()) + "/", 5,
                  window.hwnd(), Collector::kMessage, false),
              0);
    ASSERT_TRUE(window.WaitFor(1));
    ASSERT_TRUE(Collector::Until([&] { return !engine.IsRunning(); }));
    zeva::PumpMessages();
    EXPECT_EQ(window.messages().back().l, -1);
    EXPECT_EQ(window.messages().back().w, 0u);

    LoopbackServer server;
    Collector slow;
    ASSERT_EQ(engine.StartTest(server.Url("/slow"), 1, slow.hwnd(), Collector::kMessage, false), 0);
    ASSERT_TRUE(Collector::Until([&] { return !engine.IsRunning(); }, 4000));
    zeva::PumpMessages();
    ASSERT_FALSE(slow.messages().empty());
    EXPECT_EQ(slow.messages().back().l, -1);
    EXPECT_GE(slow.messages().back().w, 900u);  // reached: the time spent counts
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
    zeva::PumpMessages();
    const std::size_t seen = window.messages().size();
    for (const auto& m : window.messages()) EXPECT_NE(m.l, 100);
    std::this_thread::sleep_for(300ms);
    zeva::PumpMessages();
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
