// ZEVAUpdate and the host as real processes: a second copy, and the running
// client closed before the files are replaced.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include "ProgramRunner.h"
#include "WindowUpdateHost.h"
#include "WizardFixture.h"
#include "platform/WindowFinder.h"

namespace fs = std::filesystem;
using namespace zeva::wizard;
using State = CDlgUpdate::State;
using zeva::test::Release;

namespace {

// Waits up to `seconds` of real time for the process to end; its exit code, or -2.
int WaitExit(pid_t pid, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (r < 0) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -2;
}

class ProgramTest : public zeva::test::WizardFixture {
protected:
    zeva::test::ScopedEnv offscreen{"QT_QPA_PLATFORM", std::string("offscreen")};

    Release Sample() const {
        return Release{"2.0", "330000", 0, 0, {{"ZEVAClient.dat", "v2"}, {"readme.txt", "r2"}}};
    }
    bool WaitForRequest(const std::string& path) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            for (const auto& r : server.Requests()) {
                if (r == path) return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
};

TEST_F(ProgramTest, SecondStartWhileTheDialogIsOpenEndsAtOnceWithoutAWindow) {
    Configure("1.0", "330000");
    Publish(Sample());
    const fs::path program = zeva::test::ProgramPath("ZEVAUpdate");
    const pid_t first = zeva::test::StartProgram(program, {}, app);
    ASSERT_GT(first, 0);
    ASSERT_TRUE(WaitForRequest("/1/UpdateConfig.ini"));
    const fs::path shots = root / "shots";
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(zeva::test::RunProgram(program, {"--screenshot", shots.string()}, app), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_FALSE(fs::exists(shots));
    EXPECT_EQ(Requests().size(), 1u);
    // The first copy is still waiting for its user.
    EXPECT_EQ(WaitExit(first, 0), -2);
    ::kill(first, SIGTERM);
    zeva::test::WaitProgram(first);
}

// The window host, with the file replacement watching the client process.
class WatchingHost : public WindowUpdateHost {
public:
    explicit WatchingHost(pid_t client) : client_(client) {}
    bool ReplaceFile(const fs::path& source, const fs::path& target) override {
        if (clientExitAtFirstReplace == -3) clientExitAtFirstReplace = WaitExit(client_, 20);
        return WindowUpdateHost::ReplaceFile(source, target);
    }
    bool StartProgram(const fs::path& program, const std::string& parameters) override {
        started.push_back(program.filename().string() + "|" + parameters);
        return true;
    }
    int clientExitAtFirstReplace = -3;
    std::vector<std::string> started;

private:
    pid_t client_;
};

TEST_F(ProgramTest, RunningHostIsClosedBeforeFilesAreReplaced) {
    Configure("1.0", "330000");
    Install("ZEVAClient.dat", "v1");
    Publish(Sample());
    const pid_t client =
        zeva::test::StartProgram(zeva::test::ProgramPath("ZEVAClient"), {"--timeout", "60"}, app);
    ASSERT_GT(client, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (zeva::FindWindowA("ZEVACLIENT") == nullptr &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_NE(zeva::FindWindowA("ZEVACLIENT"), nullptr);

    WatchingHost watcher(client);
    CDlgUpdate dlg(1, "", watcher);
    EXPECT_EQ(Run(dlg,
                  [&](CDlgUpdate& d) {
                      ASSERT_TRUE(driver.Click(d, IDC_UPGRADE));
                      ASSERT_TRUE(WaitFor([&] { return d.IsEnded(); }));
                  }),
              IDOK);
    // The host had handled WM_CLOSE and ended normally before the first file was replaced.
    EXPECT_EQ(watcher.clientExitAtFirstReplace, 0);
    EXPECT_EQ(Installed("ZEVAClient.dat"), "v2");
    EXPECT_EQ(Installed("readme.txt"), "r2");
    EXPECT_EQ(zeva::FindWindowA("ZEVACLIENT"), nullptr);
    if (watcher.clientExitAtFirstReplace == -2) {
        ::kill(client, SIGTERM);
        zeva::test::WaitProgram(client);
    }
}

TEST_F(ProgramTest, WindowShowsBeforeASlowCheckHasAnswered) {
    Configure("1.0", "330000");
    Publish(Sample());
    server.Put("/1/UpdateConfig.ini", Sample().MainCatalog() + std::string(200000, ';') + "\n");
    server.SetFault("/1/UpdateConfig.ini", zeva::test::Fault::Stall);
    const fs::path shots = root / "shots";
    const pid_t pid =
        zeva::test::StartProgram(zeva::test::ProgramPath("ZEVAUpdate"),
                                 {"--screenshot", shots.string(), "--answer", "upgrade"}, app);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitForRequest("/1/UpdateConfig.ini"));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(shots / "update-checking.png") &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(fs::exists(shots / "update-checking.png"))
        << "the window must be on screen while the catalog is still coming";
    EXPECT_EQ(WaitExit(pid, 0), -2) << "still waiting for the catalog";
    ::kill(pid, SIGTERM);
    zeva::test::WaitProgram(pid);
}

}  // namespace
