#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "DownloadNotify.h"
#include "MessageWindow.h"
#include "TestHttpServer.h"
#include "TestSupport.h"
#include "ZEVAUpdateIntf.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/InternetSettings.h"
#include "platform/Registry.h"

using zeva::test::Fault;
using zeva::test::TestHttpServer;
namespace fs = std::filesystem;

namespace {

struct Posted {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Records what the library posts, in place of the window-message layer.
class PostRecorder {
public:
    PostRecorder() {
        zeva::SetDownloadMessagePoster([this](HWND w, UINT m, WPARAM wp, LPARAM lp) {
            const std::lock_guard lock(mutex_);
            posted_.push_back({w, m, wp, lp});
            return BOOL{1};
        });
    }
    ~PostRecorder() { zeva::SetDownloadMessagePoster({}); }
    std::vector<Posted> posted() const {
        const std::lock_guard lock(mutex_);
        return posted_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Posted> posted_;
};

HWND FakeWindow() {
    static int dummy;
    return reinterpret_cast<HWND>(&dummy);
}

std::string Blob(size_t n, char seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(seed + static_cast<char>(i * 7 % 251));
    return s;
}

class UpdateIntfTest : public ::testing::Test {
protected:
    zeva::test::TempDir dir;
    // No proxy in the surroundings unless a test sets one.
    zeva::test::ScopedEnv registry{"ZEVA_REGISTRY_DIR", (dir / "registry").string()};
    zeva::test::ScopedEnv httpProxy{"http_proxy", std::nullopt};
    zeva::test::ScopedEnv httpProxyUpper{"HTTP_PROXY", std::nullopt};
    zeva::test::ScopedEnv acp{"ZEVA_ACP", std::nullopt};

    std::string Local(const std::string& name) const { return (dir / name).string(); }
};

TEST_F(UpdateIntfTest, FetchesTypeAndEncodedNameAndStoresWholeFile) {
    TestHttpServer server;
    const std::string body = Blob(300000, 'a');
    // "插件\新 文件.dll" in the system code page, separators as the catalogs write them.
    const std::string name = zeva::Acp("插件\\新 文件.dll");
    server.Put("/7/插件/新 文件.dll", body);
    CZEVAUpdateIntf intf({{"127.0.0.1", server.port()}}, false);
    ASSERT_EQ(intf.GetRemoteFile(7, name.c_str(), Local("out.bin").c_str(), nullptr, 0), 0)
        << intf.GetLastErrorInfo();
    EXPECT_EQ(zeva::test::ReadFile(dir / "out.bin"), body);
    EXPECT_FALSE(fs::exists(dir / "out.bin.part"));
    ASSERT_EQ(server.Targets().size(), 1u);
    EXPECT_EQ(server.Targets()[0], "/7/%E6%8F%92%E4%BB%B6/%E6%96%B0%20%E6%96%87%E4%BB%B6.dll");
}

TEST_F(UpdateIntfTest, EncodeRemotePathKeepsGbkTrailBackslashInsideCharacter) {
    // "表" in GBK is 0xB1 0xED; "癨" ends in 0x5C, which must not split the segment.
    const std::string gbk = std::string("a\\") + "\xB0\x5C" + "\\b";
    EXPECT_EQ(zeva::EncodeRemotePath(gbk), "a/%E7%99%A8/b");
    EXPECT_EQ(zeva::EncodeRemotePath("x/y z~_.-"), "x/y%20z~_.-");
    EXPECT_EQ(zeva::EncodeRemotePath("a?b#c%d"), "a%3Fb%23c%25d");
}

TEST_F(UpdateIntfTest, FailuresReturnMinusOneAndLeaveNoFileUnderEitherName) {
    TestHttpServer server;
    const std::string body = Blob(200000, 'b');
    for (const Fault fault :
         {Fault::NotFound, Fault::Status500, Fault::CutMidway, Fault::CutChunked}) {
        SCOPED_TRACE(static_cast<int>(fault));
        server.Put("/1/f.bin", body);
        server.SetFault("/1/f.bin", fault);
        CZEVAUpdateIntf intf({{"127.0.0.1", server.port()}}, false);
        EXPECT_EQ(intf.GetRemoteFile(1, "f.bin", Local("f.bin").c_str(), nullptr, 0), -1);
        EXPECT_FALSE(intf.GetLastErrorInfo().empty());
        EXPECT_FALSE(fs::exists(dir / "f.bin"));
        EXPECT_FALSE(fs::exists(dir / "f.bin.part"));
    }
}

TEST_F(UpdateIntfTest, FailedDownloadKeepsEarlierFileUnderFinalName) {
    TestHttpServer server;
    zeva::test::WriteFile(dir / "keep.ini", "old");
    server.Put("/1/keep.ini", Blob(100000, 'c'));
    server.SetFault("/1/keep.ini", Fault::CutMidway);
    CZEVAUpdateIntf intf({{"127.0.0.1", server.port()}}, false);
    EXPECT_EQ(intf.GetRemoteFile(1, "keep.ini", Local("keep.ini").c_str(), nullptr, 0), -1);
    EXPECT_EQ(zeva::test::ReadFile(dir / "keep.ini"), "old");
}

TEST_F(UpdateIntfTest, StalledTransferFailsAfterLowSpeedTime) {
    TestHttpServer server;
    server.Put("/1/s.bin", Blob(100000, 'd'));
    server.SetFault("/1/s.bin", Fault::Stall);
    CZEVAUpdateIntf intf({{"127.0.0.1", server.port()}}, false);
    intf.SetTransferLimits({2000, 1024, 1});
    EXPECT_EQ(intf.GetRemoteFile(1, "s.bin", Local("s.bin").c_str(), nullptr, 0), -1);
    EXPECT_FALSE(fs::exists(dir / "s.bin"));
    EXPECT_FALSE(fs::exists(dir / "s.bin.part"));
}

TEST_F(UpdateIntfTest, CancelledTransferEndsAtOnceWithoutNoticeOrSecondServer) {
    TestHttpServer server;
    TestHttpServer secondary;
    server.Put("/1/s.bin", Blob(100000, 'd'));
    server.SetFault("/1/s.bin", Fault::Stall);
    secondary.Put("/1/s.bin", Blob(100000, 'd'));
    PostRecorder recorder;
    CZEVAUpdateIntf intf({{"127.0.0.1", server.port()}, {"127.0.0.1", secondary.port()}}, false);
    std::atomic<bool> cancel{false};
    intf.SetCancelCheck([&] { return cancel.load(); });
    std::thread canceller([&] {
        // Cancel once the stalled transfer has begun (the server saw the request).
        while (server.Requests().empty()) std::this_thread::yield();
        cancel = true;
    });
    EXPECT_EQ(intf.GetRemoteFile(1, "s.bin", Local("s.bin").c_str(), FakeWindow(), 0x65A), -1);
    canceller.join();
    EXPECT_EQ(intf.GetLastErrorInfo(), "cancelled");
    EXPECT_TRUE(secondary.Requests().empty());
    EXPECT_FALSE(fs::exists(dir / "s.bin"));
    EXPECT_FALSE(fs::exists(dir / "s.bin.part"));
    for (const Posted& p : recorder.posted()) EXPECT_NE(p.lParam, -1);
}

TEST_F(UpdateIntfTest, FallsBackToSecondaryServer) {
    TestHttpServer primary;
    TestHttpServer secondary;
    const std::string body = Blob(5000, 'e');
    secondary.Put("/1/x.dat", body);
    {
        SCOPED_TRACE("primary refuses connections");
        CZEVAUpdateIntf intf(
            {{"127.0.0.1", zeva::test::ClosedLoopbackPort()}, {"127.0.0.1", secondary.port()}},
            false);
        ASSERT_EQ(intf.GetRemoteFile(1, "x.dat", Local("a.dat").c_str(), nullptr, 0), 0);
        EXPECT_EQ(zeva::test::ReadFile(dir / "a.dat"), body);
    }
    {
        SCOPED_TRACE("primary answers 404");
        CZEVAUpdateIntf intf({{"127.0.0.1", primary.port()}, {"127.0.0.1", secondary.port()}},
                             false);
        ASSERT_EQ(intf.GetRemoteFile(1, "x.dat", Local("b.dat").c_str(), nullptr, 0), 0);
        EXPECT_EQ(primary.Requests().size(), 1u);
        EXPECT_EQ(zeva::test::ReadFile(dir / "b.dat"), body);
    }
    {
        SCOPED_TRACE("empty primary address is skipped");
        CZEVAUpdateIntf intf({{"", 0}, {"127.0.0.1", secondary.port()}}, false);
        ASSERT_EQ(intf.GetRemoteFile(1, "x.dat", Local("c.dat").c_str(), nullptr, 0), 0);
    }
    {
        SCOPED_TRACE("the primary wins when it has the file");
        primary.Put("/1/x.dat", "from primary");
        secondary.ClearRequests();
        CZEVAUpdateIntf intf({{"127.0.0.1", primary.port()}, {"127.0.0.1", secondary.port()}},
                             false);
        ASSERT_EQ(intf.GetRemoteFile(1, "x.dat", Local("d.dat").c_str(), nullptr, 0), 0);
        EXPECT_EQ(zeva::test::ReadFile(dir / "d.dat"), "from primary");
        EXPECT_TRUE(secondary.Requests().empty());
    }
}

TEST_F(UpdateIntfTest, ProgressIsPostedToWindowAndEndsWithCompletion) {
    PostRecorder recorder;
    TestHttpServer server;
    const std::string body = Blob(400000, 'f');
    server.Put("/1/p.bin", body);
    server.SetFault("/1/p.bin", Fault::Slow);  // about two seconds of transfer
    CZEVAUpdateIntf intf({{"127.0.0.1", server.port()}}, false);
    ASSERT_EQ(intf.GetRemoteFile(1, "p.bin", Local("p.bin").c_str(), FakeWindow(), 1626), 0);
    const auto posted = recorder.posted();
    ASSERT_GE(posted.size(), 2u);
    // At most one message per 100 ms, plus the completion.
    EXPECT_LE(posted.size(), 40u);
    WPARAM last = 0;
    for (size_t i = 0; i + 1 < posted.size(); ++i) {
        EXPECT_EQ(posted[i].window, FakeWindow());
        EXPECT_EQ(posted[i].message, 1626u);
        EXPECT_EQ(posted[i].lParam, static_cast<LPARAM>(body.size()));
        EXPECT_LT(posted[i].wParam, body.size());
        EXPECT_GE(posted[i].wParam, last);
        last = posted[i].wParam;
    }
    EXPECT_EQ(posted.back().wParam, body.size());
    EXPECT_EQ(posted.back().lParam, static_cast<LPARAM>(body.size()));
}

TEST_F(UpdateIntfTest, ProgressReachesARealWindowThroughItsMessageQueue) {
    TestHttpServer server;
    const std::string body = Blob(100000, 'q');
    server.Put("/1/q.bin", body);
    zeva::test::MessageWindow window(1626);
    CZEVAUpdateIntf intf({{"127.0.0.1", server.port()}}, false);
    ASSERT_EQ(intf.GetRemoteFile(1, "q.bin", Local("q.bin").c_str(), window.handle(), 1626), 0);
    const auto& got = window.Pump();
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back(), std::make_pair(WPARAM{body.size()}, static_cast<LPARAM>(body.size())));
}

TEST_F(UpdateIntfTest, UnreachableServersPostMinusOneAndNullWindowPostsNothing) {
    PostRecorder recorder;
    const unsigned short closed = zeva::test::ClosedLoopbackPort();
    CZEVAUpdateIntf intf({{"127.0.0.1", closed}, {"127.0.0.1", closed}}, false);
    EXPECT_EQ(intf.GetRemoteFile(1, "x", Local("x").c_str(), nullptr, 0), -1);
    EXPECT_TRUE(recorder.posted().empty());
    EXPECT_EQ(intf.GetRemoteFile(1, "x", Local("x").c_str(), FakeWindow(), 1626), -1);
    const auto posted = recorder.posted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].wParam, 0u);
    EXPECT_EQ(posted[0].lParam, -1);
}

TEST_F(UpdateIntfTest, ProxyFlagSelectsUserProxyOrDirect) {
    TestHttpServer origin;
    TestHttpServer proxy;
    origin.Put("/1/v.txt", "direct");
    const std::string url = "http://127.0.0.1:" + std::to_string(origin.port()) + "/1/v.txt";
    proxy.Put(url, "via proxy");
    auto key =
        zeva::RegistryKey::Create(zeva::RegistryHive::CurrentUser, zeva::kInternetSettingsKey);
    ASSERT_TRUE(key);
    key->SetDword("ProxyEnable", 1);
    key->SetString("ProxyServer", "127.0.0.1:" + std::to_string(proxy.port()));
    {
        CZEVAUpdateIntf intf({{"127.0.0.1", origin.port()}}, true);
        ASSERT_EQ(intf.GetRemoteFile(1, "v.txt", Local("v1").c_str(), nullptr, 0), 0)
            << intf.GetLastErrorInfo();
        EXPECT_EQ(zeva::test::ReadFile(dir / "v1"), "via proxy");
    }
    {
        CZEVAUpdateIntf intf({{"127.0.0.1", origin.port()}}, false);
        ASSERT_EQ(intf.GetRemoteFile(1, "v.txt", Local("v2").c_str(), nullptr, 0), 0);
        EXPECT_EQ(zeva::test::ReadFile(dir / "v2"), "direct");
    }
    {
        // Proxy switched off in the user's settings: direct even with the flag.
        key->SetDword("ProxyEnable", 0);
        CZEVAUpdateIntf intf({{"127.0.0.1", origin.port()}}, true);
        ASSERT_EQ(intf.GetRemoteFile(1, "v.txt", Local("v3").c_str(), nullptr, 0), 0);
        EXPECT_EQ(zeva::test::ReadFile(dir / "v3"), "direct");
    }
}

// Size limits: a file stops at its catalog size, a body of unknown size at the fixed cap.
TEST_F(UpdateIntfTest, BodyBeyondItsLimitFailsWithoutBeingReadToTheEnd) {
    TestHttpServer server;
    const std::string big = Blob(40u << 20, 'g');
    server.Put("/1/big.bin", big);
    const std::string capped = Blob((16u << 20) + 1, 'h');
    server.Put("/1/UpdateConfig.ini", capped);
    server.Put("/1/ok.ini", Blob(16u << 20, 'i'));
    struct Case {
        const char* name;
        std::int64_t expected;
        int result;
    };
    for (const Case& c : {Case{"/1/big.bin", 15, -1}, Case{"/1/big.bin", 1000000, -1},
                          Case{"/1/UpdateConfig.ini", -1, -1}, Case{"/1/ok.ini", -1, 0}}) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.expected));
        server.ClearRequests();
        CZEVAUpdateIntf intf({{"127.0.0.1", server.port()}, {"127.0.0.1", server.port()}}, false);
        const std::string remote = std::string(c.name).substr(3);
        EXPECT_EQ(
            intf.GetRemoteFile(1, remote.c_str(), Local("out").c_str(), nullptr, 0, c.expected),
            c.result);
        EXPECT_FALSE(fs::exists(dir / "out.part"));
        EXPECT_EQ(intf.LastTransferTooLarge(), c.result == -1);
        if (c.result == -1) {
            EXPECT_NE(intf.GetLastErrorInfo().find("larger than"), std::string::npos)
                << intf.GetLastErrorInfo();
            EXPECT_FALSE(fs::exists(dir / "out"));
            EXPECT_EQ(server.Requests().size(), 1u) << "an oversized answer is not tried elsewhere";
            if (c.expected > 0) {
                EXPECT_LT(server.BytesServed(c.name), big.size() / 2);
            }
        }
        fs::remove(dir / "out");
    }
}

TEST_F(UpdateIntfTest, TimeBudgetGrowsWithTheSizeFromAFloor) {
    const zeva::TransferLimits limits;
    struct Case {
        std::int64_t size;
        std::int64_t ms;
    };
    for (const Case& c :
         {Case{-1, 60000}, Case{0, 60000}, Case{8192, 61000},
          Case{50LL * 1024 * 1024, 60000 + 6400000}, Case{INT64_MAX, 1000000000000LL}}) {
        SCOPED_TRACE(c.size);
        EXPECT_EQ(zeva::TransferTimeBudgetMs(limits, c.size), c.ms);
    }
}

TEST_F(UpdateIntfTest, TransferStillRunningAtItsDeadlineFails) {
    zeva::ManualClock clock;
    const zeva::ScopedClock scoped(clock);
    TestHttpServer server;
    TestHttpServer secondary;
    server.Put("/1/s.bin", Blob(100000, 'd'));
    server.SetFault("/1/s.bin", Fault::Stall);
    secondary.Put("/1/s.bin", Blob(100000, 'd'));
    CZEVAUpdateIntf intf({{"127.0.0.1", server.port()}, {"127.0.0.1", secondary.port()}}, false);
    zeva::TransferLimits limits;
    limits.lowSpeedSeconds = 3600;  // only the overall limit can end this transfer
    intf.SetTransferLimits(limits);
    const std::int64_t budget = zeva::TransferTimeBudgetMs(limits, 100000);
    std::thread advancer([&] {
        while (server.Requests().empty()) std::this_thread::yield();
        clock.Advance(std::chrono::milliseconds(budget));
    });
    EXPECT_EQ(intf.GetRemoteFile(1, "s.bin", Local("s.bin").c_str(), nullptr, 0, 100000), -1);
    advancer.join();
    EXPECT_NE(intf.GetLastErrorInfo().find("time allowed"), std::string::npos)
        << intf.GetLastErrorInfo();
    EXPECT_TRUE(secondary.Requests().empty()) << "the time is the call's, not each server's";
    EXPECT_FALSE(fs::exists(dir / "s.bin.part"));
}

// Resume of a ".part": what the server is asked for and what ends up stored.
TEST_F(UpdateIntfTest, PartialFileIsContinuedOnlyWhenTheAnswerFitsIt) {
    const std::string body = Blob(300000, 'r');
    const std::string range = "bytes=" + std::to_string(body.size() / 2) + "-";
    struct Case {
        const char* what;
        Fault fault;
        std::string part;  // left by an earlier process
        std::int64_t expected;
        std::vector<std::string> ranges;
        size_t served;  // body bytes sent (at most, for the answer that is dropped)
        bool resumed;
    };
    const std::string half = body.substr(0, body.size() / 2);
    const std::vector<Case> cases = {
        {"cut in this call",
         Fault::CutOnceMidway,
         "",
         static_cast<std::int64_t>(body.size()),
         {"", range},
         body.size(),
         true},
        {"left by a killed run",
         Fault::None,
         half,
         static_cast<std::int64_t>(body.size()),
         {range},
         body.size() - half.size(),
         true},
        {"server ignores Range",
         Fault::IgnoreRange,
         half,
         static_cast<std::int64_t>(body.size()),
         {range},
         body.size(),
         false},
        {"wrong Content-Range",
         Fault::WrongRange,
         half,
         static_cast<std::int64_t>(body.size()),
         {range, ""},
         2 * body.size(),
         false},
        {"part longer than SIZE",
         Fault::None,
         body + "tail",
         static_cast<std::int64_t>(body.size()),
         {""},
         body.size(),
         false},
        {"size unknown", Fault::None, half, -1, {""}, body.size(), false},
        {"cut without a size", Fault::CutOnceMidway, "", -1, {""}, body.size() / 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestHttpServer server;
        server.Put("/1/r.bin", body);
        server.SetFault("/1/r.bin", c.fault);
        fs::remove(dir / "r.bin");
        if (!c.part.empty()) zeva::test::WriteFile(dir / "r.bin.part", c.part);
        CZEVAUpdateIntf intf({{"127.0.0.1", server.port()}}, false);
        const int rc =
            intf.GetRemoteFile(1, "r.bin", Local("r.bin").c_str(), nullptr, 0, c.expected);
        const bool cutWithoutSize = c.expected < 0 && c.fault == Fault::CutOnceMidway;
        EXPECT_EQ(rc, cutWithoutSize ? -1 : 0) << intf.GetLastErrorInfo();
        EXPECT_EQ(server.Ranges(), c.ranges);
        if (c.fault == Fault::WrongRange) {
            // How much of the dropped answer was sent depends on the socket buffers.
            EXPECT_GE(server.BytesServed("/1/r.bin"), body.size());
            EXPECT_LE(server.BytesServed("/1/r.bin"), c.served);
        } else {
            EXPECT_EQ(server.BytesServed("/1/r.bin"), c.served);
        }
        EXPECT_FALSE(fs::exists(dir / "r.bin.part"));
        if (!cutWithoutSize) {
            EXPECT_TRUE(zeva::test::ReadFile(dir / "r.bin") == body) << "content differs";
            EXPECT_EQ(intf.LastTransferResumed(), c.resumed);
        }
    }
}

TEST_F(UpdateIntfTest, PartialFileMovesOnToTheSecondaryServer) {
    const std::string body = Blob(200000, 's');
    TestHttpServer primary;
    TestHttpServer secondary;
    primary.Put("/1/m.bin", body);
    primary.SetFault("/1/m.bin", Fault::CutMidway);  // every answer stops at half
    secondary.Put("/1/m.bin", body);
    CZEVAUpdateIntf intf({{"127.0.0.1", primary.port()}, {"127.0.0.1", secondary.port()}}, false);
    ASSERT_EQ(intf.GetRemoteFile(1, "m.bin", Local("m.bin").c_str(), nullptr, 0,
                                 static_cast<std::int64_t>(body.size())),
              0)
        << intf.GetLastErrorInfo();
    EXPECT_TRUE(zeva::test::ReadFile(dir / "m.bin") == body) << "content differs";
    EXPECT_EQ(secondary.Ranges(),
              std::vector<std::string>{"bytes=" + std::to_string(body.size() / 2) + "-"});
    EXPECT_EQ(secondary.BytesServed("/1/m.bin"), body.size() / 2);
}

}  // namespace
