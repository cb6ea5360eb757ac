// ZEVAUpdate.exe under Windows (Wine): the dialog and the silent run with its
// notification window, answered unattended and pictured, against a release
// on a loopback server; a running client (a stand-in owning a window of
// class "ZEVACLIENT") is closed by its class and started again.

// The message layer first: the test server's header brings windows.h.
#include "platform/AppPath.h"
#include "platform/MessageQueue.h"
#include "platform/WindowFinder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "ProgramRunner.h"
#include "UpdateFixture.h"

#include "platform/win/WindowsApi.h"

namespace fs = std::filesystem;
namespace keys = zeva::cfgkeys;
using zeva::test::Release;

namespace {

bool WaitUntil60(const std::function<bool()>& done) {
    return zeva::test::WaitUntil(done, std::chrono::seconds(60));
}

const std::string kClient = zeva::kClientExecutable;

class ProgramWinTest : public zeva::test::UpdateFixture {
protected:
    void SetUp() override {
        UpdateFixture::SetUp();
        // Wine's desktop process starts with the first window of a display and
        // keeps the handles it was given: started here, none of a capture's.
        GetDesktopWindow();
        standIn = zeva::test::ReadFile(zeva::test::ProgramPath("zeva-client-standin"));
    }
    void TearDown() override {
        // A client left running by a failed case goes too.
        for (int i = 0; i < 3; ++i) {
            if (const HWND left = zeva::FindWindowA("ZEVACLIENT"))
                zeva::SendMessage(left, WM_CLOSE, 0, 0);
        }
        UpdateFixture::TearDown();
    }
    std::string Record() const {
        return fs::exists(record) ? zeva::test::ReadFile(record) : std::string();
    }
    zeva::test::RunResult Update(const std::vector<std::string>& args) const {
        zeva::test::RunOptions options;
        options.workingDir = app;
        options.timeout = std::chrono::seconds(120);
        return zeva::test::RunProgram(zeva::test::ProgramPath("ZEVAUpdate"), args, options);
    }
    // A run that restarts the client: with this process's outputs, since the
    // restarted client outlives the updater and would keep a capture's pipes.
    int UpdateAndRestart(const std::vector<std::string>& args) const {
        return zeva::test::RunProgram(zeva::test::ProgramPath("ZEVAUpdate"), args, app);
    }
    // The stand-in client, installed and running; its pid.
    int StartClient() {
        const int pid = zeva::test::StartProgram(app / kClient, {}, app);
        if (pid > 0 && !WaitUntil60([&] { return Record() == "started\n"; })) return -1;
        return pid;
    }
    bool Picture(const std::string& name) const {
        const fs::path p = root / "shots" / name;
        return fs::exists(p) && zeva::test::ReadFile(p).compare(0, 4, "\x89PNG") == 0;
    }

    std::string standIn;
    fs::path record = root / "record";
    zeva::test::ScopedEnv recordEnv{"ZEVA_STANDIN_RECORD", zeva::Utf8Path(root / "record")};
};

TEST_F(ProgramWinTest, TheDialogUpgradesClosingTheRunningClientAndStartsItAgain) {
    Configure("1.0", "330000");
    Install(kClient, standIn);
    Install("readme.txt", "r1");
    Publish(Release{"2.0", "330000", 0, 0, {{kClient, standIn}, {"readme.txt", "r2"}}});
    const int client = StartClient();
    ASSERT_GT(client, 0) << Record();

    EXPECT_EQ(
        UpdateAndRestart({"--answer", "upgrade", "--screenshot", zeva::Utf8Path(root / "shots")}),
        0);
    ASSERT_TRUE(WaitUntil60([&] { return Record().starts_with("started\nclosed\n"); })) << Record();
    EXPECT_EQ(zeva::test::WaitProgram(client), 0) << "closed by its WM_CLOSE";
    EXPECT_EQ(Installed("readme.txt"), "r2");
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "2.0");
    // Started again at once, with no parameters.
    EXPECT_TRUE(WaitUntil60([&] { return Record() == "started\nclosed\nstarted\n"; })) << Record();
    for (const char* shot : {"update-update-available.png", "update-finished.png"})
        EXPECT_TRUE(Picture(shot)) << shot;
}

TEST_F(ProgramWinTest, TheSilentRunAsksWithTheNotificationAndRestartsOnYes) {
    Configure("1.0", "330000");
    Install(kClient, standIn);
    Install("readme.txt", "r1");
    Release release{"2.0", "330000", 0, 1, {{kClient, standIn}, {"readme.txt", "r2"}}};
    Publish(release);
    const int client = StartClient();
    ASSERT_GT(client, 0) << Record();

    EXPECT_EQ(UpdateAndRestart(
                  {"-silent", "--answer", "yes", "--screenshot", zeva::Utf8Path(root / "shots")}),
              0);
    ASSERT_TRUE(WaitUntil60([&] { return Record().starts_with("started\nclosed\n"); })) << Record();
    EXPECT_EQ(zeva::test::WaitProgram(client), 0) << "closed by its WM_CLOSE";
    EXPECT_EQ(Installed("readme.txt"), "r2");
    EXPECT_TRUE(WaitUntil60([&] { return Record() == "started\nclosed\nstarted\n"; })) << Record();
    EXPECT_TRUE(Picture("update-notify.png"));
}

// The full form starts the client after every run that installed files; on
// "no" the running one is not asked to close.
TEST_F(ProgramWinTest, NoOnTheNotificationLeavesTheClientRunning) {
    Configure("1.0", "330000");
    Install(kClient, standIn);
    Install("readme.txt", "r1");
    Publish(Release{"2.0", "330000", 0, 1, {{kClient, standIn}, {"readme.txt", "r2"}}});
    const int client = StartClient();
    ASSERT_GT(client, 0) << Record();

    EXPECT_EQ(UpdateAndRestart({"-silent", "--answer", "no"}), 0);
    EXPECT_EQ(Installed("readme.txt"), "r2");
    EXPECT_TRUE(WaitUntil60([&] { return Record() == "started\nstarted\n"; })) << Record();
    // The first client was never closed: it is still running.
    zeva::test::KillProgram(client);
    EXPECT_EQ(zeva::test::WaitProgram(client), -1);
}

TEST_F(ProgramWinTest, UpToDateClosesOnAnswerAndBadArgumentsAreRefused) {
    Configure("2.0", "330000");
    Install("readme.txt", "r2");
    Publish(Release{"2.0", "330000", 0, 0, {{"readme.txt", "r2"}}});
    auto r = Update({"--answer", "close", "--screenshot", zeva::Utf8Path(root / "shots")});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_TRUE(Picture("update-up-to-date.png")) << r.err;
    r = Update({"--answer", "maybe"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "ZEVAUpdate: unknown answer maybe (see --help)\n");
    r = Update({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("-silent"), std::string::npos);
}

}  // namespace
