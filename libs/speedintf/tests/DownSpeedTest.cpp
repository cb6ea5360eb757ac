#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "ZEVAVDownSpeedEx.h"
#include "platform/Clock.h"
#include "platform/InternetSettings.h"
#include "platform/Registry.h"

#if defined(__SANITIZE_THREAD__)
// The loopback test server's library is not built with ThreadSanitizer, so
// the locking inside it is invisible to the sanitizer: its reports about the
// library's own memory are not ours to judge.
extern "C" const char* __tsan_default_suppressions() {
    return "race:libcpp-httplib.so\n";
}
#endif

using namespace enginetest;
using namespace std::chrono_literals;

TEST(DownSpeed, RefusesEmptyListsZeroDurationAndASecondStart) {
    DirectNetwork direct;
    LoopbackServer server;
    CZEVAVDownSpeedEx engine(true);
    EXPECT_EQ(engine.StartTest({}, 1000, nullptr, 1627), 2);
    EXPECT_EQ(engine.StartTest({"", ""}, 1000, nullptr, 1627), 2);
    EXPECT_EQ(engine.StartTest({server.Url("/big")}, 0, nullptr, 1627), 2);
    zeva::ManualClock clock;  // the test never ends by itself
    zeva::ScopedClock scoped(clock);
    ASSERT_EQ(engine.StartTest({server.Url("/big")}, 1000, nullptr, 1627), 0);
    EXPECT_TRUE(engine.IsRunning());
    EXPECT_EQ(engine.StartTest({server.Url("/big")}, 1000, nullptr, 1627), 1);
    engine.StopTest();
    EXPECT_FALSE(engine.IsRunning());
}

TEST(DownSpeed, ProgressEveryHalfSecondOfTheProgramClockThenTheAverage) {
    DirectNetwork direct;
    LoopbackServer server;
    zeva::ManualClock clock;
    zeva::ScopedClock scoped(clock);
    Collector window;
    CZEVAVDownSpeedEx engine(true);
    engine.EnableProxy(false);
    ASSERT_EQ(engine.StartTest({server.Url("/big")}, 2000, window.hwnd(), Collector::kMessage), 0);
    // Some 80 ms of real transfer, so the engine has read data before the
    // first sample (Wine's sockets tell of new data later than Linux's).
    ASSERT_TRUE(Collector::Until([&] { return server.sent() >= 256 * 1024; }));
    for (int step = 1; step <= 3; ++step) {
        clock.Advance(500ms);
        ASSERT_TRUE(window.WaitFor(static_cast<std::size_t>(step))) << "step " << step;
        EXPECT_EQ(window.messages().back().l, step * 25);
    }
    EXPECT_EQ(server.requests(), 4);  // four parallel streams on the one address
    clock.Advance(500ms);
    ASSERT_TRUE(window.WaitFor(4));
    EXPECT_EQ(window.messages().back().l, 100);
    EXPECT_GT(window.messages().back().w, 0u);
    for (const auto& m : window.messages()) EXPECT_GT(m.w, 0u);
    EXPECT_TRUE(Collector::Until([&] { return !engine.IsRunning(); }));
    clock.Advance(1000ms);
    enginetest::Pump();
    EXPECT_EQ(window.messages().size(), 4u);  // nothing after the end
}

TEST(DownSpeed, TheAverageLeavesTheRampUpOut) {
    DirectNetwork direct;
    LoopbackServer server;
    zeva::ManualClock clock;
    zeva::ScopedClock scoped(clock);
    Collector window;
    CZEVAVDownSpeedEx engine(false);  // one stream: the server's burst arrives once
    ASSERT_EQ(engine.StartTest({server.Url("/burst")}, 2000, window.hwnd(), Collector::kMessage),
              0);
    // The first 1 MiB arrives within the ramp-up (the first fifth: 400 ms).
    ASSERT_TRUE(Collector::Until([&] { return server.sent() >= (1u << 20); }));
    std::this_thread::sleep_for(200ms);  // loopback delivery of what was sent
    clock.Advance(500ms);
    ASSERT_TRUE(window.WaitFor(1));
    EXPECT_NEAR(static_cast<double>(window.messages()[0].w), 2048.0,
                2048.0 * 0.05);  // 1 MiB in 0.5 s
    server.OpenGate();
    ASSERT_TRUE(Collector::Until([&] { return server.sent() >= (3u << 19); }));
    std::this_thread::sleep_for(200ms);
    clock.Advance(1500ms);
    ASSERT_TRUE(window.WaitFor(2));
    ASSERT_EQ(window.messages().back().l, 100);
    // 512 KiB over the 1.5 s after the ramp-up, not 1.5 MiB over 2 s.
    EXPECT_NEAR(static_cast<double>(window.messages().back().w), 512.0 / 1.5, 512.0 / 1.5 * 0.05);
}

TEST(DownSpeed, UnreachableAddressesGiveMinusOne) {
    DirectNetwork direct;
    zeva::ManualClock clock;  // standing still: no progress message can come first
    zeva::ScopedClock scoped(clock);
    Collector window;
    CZEVAVDownSpeedEx engine(true);
    const std::string dead1 =
        "http://127.0.0.1:" + std::to_string(zeva::test::ClosedLoopbackPort()) + "/big";
    const std::string dead2 =
        "http://127.0.0.1:" + std::to_string(zeva::test::ClosedLoopbackPort()) + "/big";
    ASSERT_EQ(engine.StartTest({dead1, dead2}, 15000, window.hwnd(), Collector::kMessage), 0);
    ASSERT_TRUE(window.WaitFor(1));
    EXPECT_EQ(window.messages()[0].l, -1);
    EXPECT_TRUE(Collector::Until([&] { return !engine.IsRunning(); }));
    enginetest::Pump();
    EXPECT_EQ(window.messages().size(), 1u);

    LoopbackServer server;  // an address that answers only with 404
    Collector window2;
    ASSERT_EQ(
        engine.StartTest({server.Url("/missing")}, 15000, window2.hwnd(), Collector::kMessage), 0);
    ASSERT_TRUE(window2.WaitFor(1));
    EXPECT_EQ(window2.messages()[0].l, -1);

    // Empty answers are no test data either, and are not fetched in a loop.
    // A new test may start as soon as the last message is seen.
    Collector window3;
    ASSERT_EQ(engine.StartTest({server.Url("/empty")}, 15000, window3.hwnd(), Collector::kMessage),
              0);
    ASSERT_TRUE(window3.WaitFor(1));
    EXPECT_EQ(window3.messages()[0].l, -1);
    EXPECT_LE(server.requests(), 4);
}

TEST(DownSpeed, OneGoodAddressIsEnoughAndEndedStreamsStartOver) {
    DirectNetwork direct;
    LoopbackServer server;
    zeva::ManualClock clock;
    zeva::ScopedClock scoped(clock);
    Collector window;
    CZEVAVDownSpeedEx engine(true);
    const std::string dead =
        "http://127.0.0.1:" + std::to_string(zeva::test::ClosedLoopbackPort()) + "/small";
    ASSERT_EQ(
        engine.StartTest({dead, server.Url("/small")}, 1000, window.hwnd(), Collector::kMessage),
        0);
    // Files of 10 KB end at once: the streams keep fetching them again.
    ASSERT_TRUE(Collector::Until([&] { return server.requests() > 20; }));
    clock.Advance(1000ms);
    ASSERT_TRUE(window.WaitFor(1));
    EXPECT_EQ(window.messages().back().l, 100);
    EXPECT_GT(window.messages().back().w, 0u);
}

TEST(DownSpeed, AServerThatGoesAwayMidTestIsRetriedAndTheTestStillEnds) {
    DirectNetwork direct;
    auto server = std::make_unique<LoopbackServer>();
    zeva::ManualClock clock;
    zeva::ScopedClock scoped(clock);
    Collector window;
    CZEVAVDownSpeedEx engine(true);
    ASSERT_EQ(engine.StartTest({server->Url("/big")}, 2000, window.hwnd(), Collector::kMessage), 0);
    ASSERT_TRUE(Collector::Until([&] { return server->sent() > 0; }));
    clock.Advance(500ms);
    ASSERT_TRUE(window.WaitFor(1));
    server.reset();  // every stream breaks off
    std::this_thread::sleep_for(100ms);
    clock.Advance(500ms);
    ASSERT_TRUE(window.WaitFor(2));
    EXPECT_EQ(window.messages()[1].l, 50);
    clock.Advance(1000ms);
    ASSERT_TRUE(window.WaitFor(3));
    EXPECT_EQ(window.messages().back().l, 100);  // data came, so the test counts
}

TEST(DownSpeed, StopTestEndsItAndNoMessageFollows) {
    DirectNetwork direct;
    LoopbackServer server;
    zeva::ManualClock clock;
    zeva::ScopedClock scoped(clock);
    Collector window;
    CZEVAVDownSpeedEx engine(true);
    ASSERT_EQ(engine.StartTest({server.Url("/big")}, 15000, window.hwnd(), Collector::kMessage), 0);
    ASSERT_TRUE(Collector::Until([&] { return server.sent() > 0; }));
    clock.Advance(500ms);
    ASSERT_TRUE(window.WaitFor(1));
    engine.StopTest();
    EXPECT_FALSE(engine.IsRunning());
    enginetest::Pump();
    const std::size_t seen = window.messages().size();
    clock.Advance(15000ms);
    std::this_thread::sleep_for(100ms);
    enginetest::Pump();
    EXPECT_EQ(window.messages().size(), seen);
    // And it can be started again afterwards.
    ASSERT_EQ(engine.StartTest({server.Url("/big")}, 500, window.hwnd(), Collector::kMessage), 0);
    ASSERT_TRUE(Collector::Until([&] { return server.requests() >= 8; }));
    clock.Advance(500ms);
    ASSERT_TRUE(window.WaitFor(seen + 1));
    EXPECT_EQ(window.messages().back().l, 100);
}

TEST(DownSpeed, ProxyChoice) {
    DirectNetwork direct;
    LoopbackServer server;
    LoggingProxy proxy(50000);
    auto key =
        zeva::RegistryKey::Create(zeva::RegistryHive::CurrentUser, zeva::kInternetSettingsKey);
    ASSERT_TRUE(key);
    key->SetDword("ProxyEnable", 1);
    key->SetString("ProxyServer", "127.0.0.1:" + std::to_string(proxy.port()));
    zeva::ManualClock clock;
    zeva::ScopedClock scoped(clock);

    CZEVAVDownSpeedEx viaProxy(false);
    viaProxy.EnableProxy(true);
    ASSERT_EQ(viaProxy.StartTest({server.Url("/small")}, 1000, nullptr, 0), 0);
    ASSERT_TRUE(Collector::Until([&] { return !proxy.Lines().empty(); }));
    viaProxy.StopTest();
    EXPECT_EQ(proxy.Lines()[0], "GET " + server.Url("/small") + " HTTP/1.1");
    EXPECT_EQ(server.requests(), 0);

    CZEVAVDownSpeedEx direct2(false);
    direct2.EnableProxy(false);
    ASSERT_EQ(direct2.StartTest({server.Url("/small")}, 1000, nullptr, 0), 0);
    ASSERT_TRUE(Collector::Until([&] { return server.requests() > 0; }));
    direct2.StopTest();
}
