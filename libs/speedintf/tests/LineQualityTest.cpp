// The line-quality engine on loopback, its phases driven by the manual clock.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "EngineTestSupport.h"
#include "LineQuality.h"
#include "ThreadCount.h"
#include "platform/Clock.h"

using namespace enginetest;
using namespace std::chrono_literals;

namespace {

// A test server: /file (a large body at a few MB/s per connection),
// POST /upload (read and thrown away), and nothing else.
class QualityServer : public zeva::test::LoopbackHttpServer {
public:
    QualityServer()
        : LoopbackHttpServer([this](httplib::Server& server) { Routes(this, server); }) {}
    ~QualityServer() override { Stop(); }
    std::uint64_t uploaded() const { return uploaded_; }
    std::uint64_t served() const { return served_; }

private:
    static void Routes(QualityServer* self, httplib::Server& server) {
        // Load streams and probes at once: more connections than the default pool.
        server.new_task_queue = [] { return new httplib::ThreadPool(48); };
        server.set_payload_max_length(std::numeric_limits<std::size_t>::max());
        server.Get("/file", [self](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(1ull << 30, "application/octet-stream",
                                     [self](size_t, size_t, httplib::DataSink& sink) {
                                         static const std::string slice(16 * 1024, 'q');
                                         if (self->Stopping()) return false;
                                         sink.write(slice.data(), slice.size());
                                         self->served_ += slice.size();
                                         std::this_thread::sleep_for(2ms);
                                         return !self->Stopping();
                                     });
        });
        server.Post("/upload", [self](const httplib::Request&, httplib::Response& res,
                                      const httplib::ContentReader& read) {
            read([self](const char*, size_t n) {
                self->uploaded_ += n;
                return !self->Stopping();
            });
            res.status = 204;
        });
    }

    std::atomic<std::uint64_t> uploaded_{0};
    std::atomic<std::uint64_t> served_{0};
};

struct Measurement {
    zeva::ManualClock clock;
    zeva::ScopedClock scoped{clock};
    Collector window;
    CLineQuality engine;

    // Moves the program clock in steps, giving the loopback transfers real
    // time in between, until the engine posts its last message.
    bool Drive(std::chrono::milliseconds upTo) {
        for (auto t = 0ms; t <= upTo; t += 100ms) {
            if (Ended()) return true;
            std::this_thread::sleep_for(15ms);
            enginetest::Pump();
            clock.Advance(100ms);
        }
        return window.WaitFor(window.messages().size() + 1, 10000) && Ended();
    }
    bool Ended() const {
        const auto& m = window.messages();
        return !m.empty() && (m.back().l == 100 || m.back().l == -1);
    }
};

}  // namespace

TEST(LineQuality, RefusesBadInputAndASecondStart) {
    DirectNetwork direct;
    QualityServer server;
    Measurement run;
    EXPECT_EQ(run.engine.StartTest({}, nullptr, 0), 2);
    LineQualityOptions shortRun{server.Url("/file"), "", 2};
    EXPECT_EQ(run.engine.StartTest(shortRun, nullptr, 0), 2);
    LineQualityOptions options{server.Url("/file"), "", 10};
    ASSERT_EQ(run.engine.StartTest(options, run.window.hwnd(), Collector::kMessage), 0);
    EXPECT_EQ(run.engine.StartTest(options, run.window.hwnd(), Collector::kMessage), 1);
    run.engine.StopTest();
    EXPECT_FALSE(run.engine.IsRunning());
}

TEST(LineQuality, AServerThatCannotBeReachedEndsAtOnceWithAReason) {
    DirectNetwork direct;
    QualityServer server;
    struct Case {
        std::string url, upload, reason;
    };
    const std::string closed =
        "http://127.0.0.1:" + std::to_string(zeva::test::ClosedLoopbackPort()) + "/file";
    const Case cases[] = {
        {closed, "", "cannot reach 127.0.0.1:"},
        {server.Url("/missing"), "", "HTTP 404"},
        // An upload address that takes no POST is known before any load runs.
        {server.Url("/file"), server.Url("/file"), "takes no data"},
    };
    for (const auto& c : cases) {
        Measurement run;  // the clock is never moved: these end before any time passes
        LineQualityOptions options{c.url, c.upload, 20};
        ASSERT_EQ(run.engine.StartTest(options, run.window.hwnd(), Collector::kMessage), 0);
        ASSERT_TRUE(Collector::Until(
            [&] {
                enginetest::Pump();
                return run.Ended();
            },
            10000))
            << c.url;
        EXPECT_EQ(run.window.messages().back().l, -1) << c.url;
        EXPECT_NE(run.engine.GetLastError().find(c.reason), std::string::npos)
            << run.engine.GetLastError();
        LineQualityResult r;
        EXPECT_FALSE(run.engine.GetResult(r));
        EXPECT_TRUE(Collector::Until([&] { return !run.engine.IsRunning(); }));
    }
    // No load ran: what was served is the probes' beginnings of the file.
    EXPECT_LT(server.served(), 512u * 1024);
    EXPECT_EQ(server.uploaded(), 0u);
}

TEST(LineQuality, IdleThenDownloadThenUploadOnTheProgramClock) {
    DirectNetwork direct;
    QualityServer server;
    Measurement run;
    LineQualityOptions options{server.Url("/file"), server.Url("/upload"), 6};
    ASSERT_EQ(run.engine.StartTest(options, run.window.hwnd(), Collector::kMessage), 0);
    ASSERT_TRUE(run.Drive(8000ms));
    const auto& m = run.window.messages();
    ASSERT_EQ(m.back().l, 100) << run.engine.GetLastError();
    // Progress in order: phases never go back, percentages never fall.
    for (std::size_t i = 1; i + 1 < m.size(); ++i) {
        EXPECT_GE(m[i].w, m[i - 1].w);
        EXPECT_GE(m[i].l, m[i - 1].l);
        EXPECT_LT(m[i].l, 100);
    }
    EXPECT_EQ(m.front().w, static_cast<WPARAM>(LineQualityPhase::Idle));
    bool sawDownload = false, sawUpload = false;
    for (const auto& x : m) {
        sawDownload |= x.w == static_cast<WPARAM>(LineQualityPhase::Download);
        sawUpload |= x.w == static_cast<WPARAM>(LineQualityPhase::Upload);
    }
    EXPECT_TRUE(sawDownload && sawUpload);

    LineQualityResult r;
    ASSERT_TRUE(run.engine.GetResult(r));
    EXPECT_GT(r.idle.samples, 3u);
    ASSERT_TRUE(r.idle.median && r.idle.jitter && r.idleConnectMs);
    EXPECT_GE(*r.idle.median, 0);
    EXPECT_GT(r.download.mbps, 0);
    EXPECT_EQ(r.download.streams, 8u);
    EXPECT_GT(r.download.latency.samples, 0u);
    ASSERT_TRUE(r.download.latency.median && r.download.latency.p90);
    EXPECT_LE(*r.download.latency.median, *r.download.latency.p90);
    ASSERT_TRUE(r.upload.has_value());
    EXPECT_GT(r.upload->mbps, 0);
    EXPECT_GT(server.uploaded(), 0u);
    ASSERT_TRUE(r.rpm.has_value());
    EXPECT_GT(*r.rpm, 0);
    ASSERT_TRUE(r.addedMs.has_value());
    EXPECT_EQ(r.grade, zeva::speed::GradeAddedLatency(*r.addedMs));
    EXPECT_FALSE(run.engine.IsRunning());
}

TEST(LineQuality, WithoutAnUploadAddressThereIsNoUploadFigure) {
    DirectNetwork direct;
    QualityServer server;
    Measurement run;
    LineQualityOptions options{server.Url("/file"), "", 3};
    ASSERT_EQ(run.engine.StartTest(options, run.window.hwnd(), Collector::kMessage), 0);
    ASSERT_TRUE(run.Drive(5000ms));
    LineQualityResult r;
    ASSERT_TRUE(run.engine.GetResult(r)) << run.engine.GetLastError();
    EXPECT_FALSE(r.upload.has_value());
    EXPECT_EQ(server.uploaded(), 0u);
}

TEST(LineQuality, StopEndsEveryPhaseAtOnceAndNoMessageFollows) {
    DirectNetwork direct;
    QualityServer server;
    // One answer first: the server's own threads are all up before any counting.
    httplib::Client client("127.0.0.1", server.port());
    ASSERT_TRUE(client.Post("/upload", "x", "application/octet-stream"));
    // Stopped in the idle part, the download and the upload.
    for (const auto at : {0ms, 2000ms, 5000ms}) {
        Measurement run;
        LineQualityOptions options{server.Url("/file"), server.Url("/upload"), 6};
        const std::size_t threadsBefore = ThreadCount();
        ASSERT_EQ(run.engine.StartTest(options, run.window.hwnd(), Collector::kMessage), 0);
        EXPECT_GT(ThreadCount(), threadsBefore);
        for (auto t = 0ms; t < at; t += 100ms) {
            std::this_thread::sleep_for(10ms);
            run.clock.Advance(100ms);
        }
        std::this_thread::sleep_for(50ms);
        const auto before = std::chrono::steady_clock::now();
        run.engine.StopTest();
        EXPECT_LT(std::chrono::steady_clock::now() - before, 2s) << at.count();
        EXPECT_FALSE(run.engine.IsRunning());
        EXPECT_EQ(ThreadCount(), threadsBefore) << "a thread was left behind";
        enginetest::Pump();
        const std::size_t seen = run.window.messages().size();
        run.clock.Advance(10000ms);
        std::this_thread::sleep_for(50ms);
        enginetest::Pump();
        EXPECT_EQ(run.window.messages().size(), seen) << at.count();
        for (const auto& x : run.window.messages()) EXPECT_NE(x.l, 100);
        LineQualityResult r;
        EXPECT_FALSE(run.engine.GetResult(r));
    }
}
