#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "LoopbackHttpServer.h"
#include "TestSupport.h"
#include "UrlCheck.h"

namespace {

// A web server on loopback with an answering page, a missing page and a redirect.
class LoopbackSite : public zeva::test::LoopbackHttpServer {
public:
    LoopbackSite()
        : LoopbackHttpServer([this](httplib::Server& server) {
              server.Get("/ok", [this](const httplib::Request& req, httplib::Response& res) {
                  lastCacheControl_ = req.get_header_value("Cache-Control");
                  res.set_content("<html>ok</html>", "text/html");
              });
              server.Get("/moved", [](const httplib::Request&, httplib::Response& res) {
                  res.set_redirect("/ok");
              });
              server.Get("/slow", [](const httplib::Request&, httplib::Response& res) {
                  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
                  res.set_content("late", "text/plain");
              });
          }) {}
    ~LoopbackSite() override { Stop(); }
    std::string lastCacheControl_;
};

struct NoProxy {
    zeva::test::TempDir reg;
    zeva::test::ScopedEnv regDir{"ZEVA_REGISTRY_DIR", reg.path().string()};
    zeva::test::ScopedEnv p1{"http_proxy", std::nullopt}, p2{"HTTP_PROXY", std::nullopt};
};

}  // namespace

TEST(UrlCheck, PagesRedirectsMissingPagesAndClosedPorts) {
    NoProxy direct;
    LoopbackSite site;
    std::string error;
    EXPECT_EQ(zeva::CheckUrlReachable(site.Url("/ok"), error), 0) << error;
    EXPECT_EQ(site.lastCacheControl_, "no-cache");  // fetched afresh
    EXPECT_EQ(zeva::CheckUrlReachable(site.Url("/moved"), error), 0) << error;
    EXPECT_EQ(zeva::CheckUrlReachable(site.Url("/missing"), error), -1);
    EXPECT_NE(error.find("404"), std::string::npos);
    EXPECT_EQ(zeva::CheckUrlReachable("", error), -1);
    EXPECT_EQ(zeva::CheckUrlReachable("ftp://127.0.0.1/", error), -1);

    // A port nobody listens on.
    const unsigned short closedPort = zeva::test::ClosedLoopbackPort();
    EXPECT_EQ(
        zeva::CheckUrlReachable("http://127.0.0.1:" + std::to_string(closedPort) + "/", error), -1);
    EXPECT_FALSE(error.empty());
}

TEST(UrlCheck, GivesUpAfterItsTimeOut) {
    NoProxy direct;
    LoopbackSite site;
    std::string error;
    EXPECT_EQ(zeva::CheckUrlReachable(site.Url("/slow"), error, 1), -1);
    EXPECT_NE(error.find("imeout"), std::string::npos) << error;
}
