// A release published with zeva-publish, served by nginx on loopback, and a
// sample installation brought up to date by ZEVASilentUpdate.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <thread>

#include "ProgramRunner.h"
#include "UpdateFixture.h"

namespace fs = std::filesystem;
namespace keys = zeva::cfgkeys;

namespace {

bool Accepts(unsigned short port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

class NginxServer {
public:
    NginxServer(const fs::path& dir, const fs::path& www)
        : port_(zeva::test::ClosedLoopbackPort()) {
        const std::string d = dir.string();
        fs::create_directories(dir / "tmp");
        zeva::test::WriteFile(
            dir / "nginx.conf",
            "daemon off;\nmaster_process off;\nworker_processes 1;\npid " + d +
                "/nginx.pid;\n"
                "error_log " +
                d +
                "/error.log;\nevents { worker_connections 64; }\n"
                "http {\n access_log off;\n default_type application/octet-stream;\n"
                " client_body_temp_path " +
                d + "/tmp/body;\n proxy_temp_path " + d +
                "/tmp/proxy;\n"
                " fastcgi_temp_path " +
                d + "/tmp/fcgi;\n uwsgi_temp_path " + d +
                "/tmp/uwsgi;\n"
                " scgi_temp_path " +
                d +
                "/tmp/scgi;\n"
                " server { listen 127.0.0.1:" +
                std::to_string(port_) + "; root " + www.string() + "; }\n}\n");
        pid_ = zeva::test::StartProgram(
            "/usr/sbin/nginx", {"-p", d, "-c", d + "/nginx.conf", "-e", d + "/error.log"}, dir);
        for (int i = 0; i < 500 && pid_ > 0 && !Accepts(port_); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~NginxServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            zeva::test::WaitProgram(pid_);
        }
    }
    bool running() const { return pid_ > 0 && Accepts(port_); }
    unsigned short port() const { return port_; }

private:
    unsigned short port_;
    pid_t pid_ = -1;
};

class NginxUpdateTest : public zeva::test::UpdateFixture {};

TEST_F(NginxUpdateTest, SilentUpdaterBringsSampleInstallationToPublishedRelease) {
    if (!fs::exists("/usr/sbin/nginx"))
        GTEST_SKIP() << "nginx is not installed (scripts/setup installs it)";
    const fs::path release = root / "release";
    const std::string clientV2 = "#!/bin/sh\necho \"v2 $*\" > \"$(dirname \"$0\")/started.txt\"\n";
    zeva::test::WriteFile(release / "ZEVAClient", clientV2);
    zeva::test::WriteFile(release / "plug" / "工具.dll", std::string(300000, 't'));
    zeva::test::WriteFile(release / "readme.txt", "unchanged");
    zeva::test::WriteFile(release / "new" / "added.dat", "added in 2.0");
    const std::string publish = zeva::test::ProgramPath("zeva-publish").string() + " main '" +
                                release.string() +
                                "' --version 2.0 --region 330000 --server-root '" +
                                (root / "www").string() + "' >/dev/null";
    ASSERT_EQ(std::system(publish.c_str()), 0);

    NginxServer nginx(root / "nginx", root / "www");
    ASSERT_TRUE(nginx.running()) << zeva::test::ReadFile(root / "nginx" / "error.log");

    Configure("1.0", "330000");
    {
        CCryptConfigFile config(AppAcp() + keys::kConfigDat, "");
        config.WriteInteger(keys::kSectionUpdate, keys::kKeyServerPort, nginx.port());
    }
    Install("ZEVAClient", "#!/bin/sh\necho \"v1 $*\" > \"$(dirname \"$0\")/started.txt\"\n");
    fs::permissions(app / "ZEVAClient", fs::perms::owner_all);
    Install("plug\\工具.dll", "old tool");
    Install("readme.txt", "unchanged");
    const auto readmeTime = fs::last_write_time(app / "readme.txt");

    EXPECT_EQ(zeva::test::RunProgram(zeva::test::ProgramPath("ZEVASilentUpdate"), {"ignored"},
                                     root.path()),
              0);
    EXPECT_EQ(Installed("ZEVAClient"), clientV2);
    EXPECT_EQ(Installed("plug\\工具.dll"), std::string(300000, 't'));
    EXPECT_EQ(Installed("new\\added.dat"), "added in 2.0");
    EXPECT_EQ(fs::last_write_time(app / "readme.txt"), readmeTime);
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "2.0");
    EXPECT_FALSE(fs::exists(app / "UPDATE"));
    // The new client is started detached after the pause, with "-AutoRun".
    for (int i = 0; i < 500 && !fs::exists(app / "started.txt"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(zeva::test::ReadFile(app / "started.txt"), "v2 -AutoRun\n");
}

}  // namespace
