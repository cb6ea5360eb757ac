// zeva-netprobe quality on loopback: its usage, its failure and its JSON.

#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <thread>

#include "LoopbackHttpServer.h"
#include "ProgramRunner.h"
#include "TestSupport.h"

namespace {

zeva::test::RunResult Quality(const std::vector<std::string>& args) {
    zeva::test::TempDir dir;
    zeva::test::RunOptions options;
    options.env = {{"http_proxy", std::nullopt},
                   {"HTTP_PROXY", std::nullopt},
                   {"ZEVA_REGISTRY_DIR", (dir / "reg").string()}};
    std::vector<std::string> all{"quality"};
    all.insert(all.end(), args.begin(), args.end());
    return zeva::test::RunProgram(zeva::test::ProgramPath("zeva-netprobe"), all, options);
}

// A file served at a few MB/s per connection, and an upload sink.
class TestServer : public zeva::test::LoopbackHttpServer {
public:
    TestServer()
        : LoopbackHttpServer([](httplib::Server& server) {
              server.new_task_queue = [] { return new httplib::ThreadPool(48); };
              server.Get("/file", [](const httplib::Request&, httplib::Response& res) {
                  res.set_content_provider(
                      1ull << 30, "application/octet-stream",
                      [](size_t, size_t, httplib::DataSink& sink) {
                          static const std::string slice(16 * 1024, 'x');
                          sink.write(slice.data(), slice.size());
                          std::this_thread::sleep_for(std::chrono::milliseconds(2));
                          return true;
                      });
              });
              server.Post("/upload", [](const httplib::Request&, httplib::Response& res,
                                        const httplib::ContentReader& read) {
                  read([](const char*, size_t) { return true; });
                  res.status = 204;
              });
          }) {}
    ~TestServer() override { Stop(); }
};

const std::string kNumber = "-?[0-9]+(\\.[0-9]+)?";

}  // namespace

TEST(NetProbeQuality, UsageErrors) {
    const auto help =
        zeva::test::RunProgram(zeva::test::ProgramPath("zeva-netprobe"),
                               std::vector<std::string>{"--help"}, zeva::test::RunOptions{});
    EXPECT_NE(help.out.find("quality URL [--upload URL] [--seconds N]"), std::string::npos)
        << help.out;
    struct Case {
        std::vector<std::string> args;
        std::string says;
    };
    const Case cases[] = {
        {{}, "one URL"},
        {{"http://127.0.0.1/a", "http://127.0.0.1/b"}, "one URL"},
        {{"http://127.0.0.1/a", "--seconds", "4"}, "--seconds"},
        {{"http://127.0.0.1/a", "--seconds", "x"}, "--seconds"},
        {{"http://127.0.0.1/a", "--upload"}, "--upload needs a value"},
        {{"http://127.0.0.1/a", "--bogus"}, "unknown option"},
    };
    for (const auto& c : cases) {
        const auto r = Quality(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.says;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST(NetProbeQuality, AServerThatCannotBeReachedIsOneLineAndExitOne) {
    const std::string url =
        "http://127.0.0.1:" + std::to_string(zeva::test::ClosedLoopbackPort()) + "/file";
    const auto r = Quality({url, "--json"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("cannot reach 127.0.0.1:"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
}

TEST(NetProbeQuality, JsonKeepsItsContract) {
    TestServer server;
    const auto r = Quality(
        {server.Url("/file"), "--upload", server.Url("/upload"), "--seconds", "6", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string n = kNumber;
    const std::regex contract("^\\{\"idle\":\\{\"latency_ms\":\\{\"median\":" + n +
                              ",\"jitter\":" + n + "[,}].*\"download\":\\{\"mbps\":" + n +
                              ",\"latency_ms\":\\{\"median\":" + n + ",\"p90\":" + n +
                              "[,}].*\"upload\":\\{\"mbps\":" + n +
                              ",\"latency_ms\":\\{\"median\":" + n + ",\"p90\":" + n +
                              "[,}].*\"responsiveness_rpm\":[0-9]+,.*\\}\n$");
    EXPECT_TRUE(std::regex_search(r.out, contract)) << r.out;
    EXPECT_TRUE(std::regex_search(r.out, std::regex("\"verdict\":\"(good|fair|poor)\""))) << r.out;

    // Without an upload address there is no upload figure; the text report names the verdict.
    const auto text = Quality({server.Url("/file"), "--seconds", "5"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.out.find("upload"), std::string::npos) << text.out;
    for (const char* line : {"idle latency", "download", "responsiveness", "verdict"})
        EXPECT_NE(text.out.find(line), std::string::npos) << text.out;
    EXPECT_TRUE(std::regex_search(text.out, std::regex("Mbit/s, latency under load [0-9.]+ ms")))
        << text.out;
}
