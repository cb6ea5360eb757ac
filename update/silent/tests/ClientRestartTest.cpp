// The silent updater and a running client: the client's window, found by its
// class in another process, is closed before the release is installed, and
// the client is started again afterwards, so only the new one runs.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

// The message layer first: the test server's header below brings windows.h
// on Windows, whose macros would rename the layer's names.
#include "platform/AppPath.h"
#include "platform/MessageQueue.h"
#include "platform/WindowFinder.h"

#include "ProgramRunner.h"
#include "UpdateFixture.h"

// windows.h's WM_CLOSE is the message layer's value; its A/W macros go.
#if defined(_WIN32)
#include "platform/win/WindowsApi.h"
#else
using zeva::WM_CLOSE;
#endif

namespace fs = std::filesystem;
namespace keys = zeva::cfgkeys;
using zeva::test::Release;

namespace {

using zeva::test::WaitUntil;

const std::string kClient = zeva::kClientExecutable;

class ClientRestartTest : public zeva::test::UpdateFixture {
protected:
    std::string Record() const {
        return fs::exists(record) ? zeva::test::ReadFile(record) : std::string();
    }
    void TearDown() override {
        // A client left running by a failed case goes too.
        for (int i = 0; i < 3; ++i) {
            if (const HWND left = zeva::FindWindowA("ZEVACLIENT"))
                zeva::SendMessage(left, WM_CLOSE, 0, 0);
        }
        UpdateFixture::TearDown();
    }

    fs::path record = root / "record";
    zeva::test::ScopedEnv recordEnv{"ZEVA_STANDIN_RECORD", zeva::Utf8Path(root / "record")};
    // Where windows register on Linux; shared with the programs started.
    zeva::test::ScopedEnv runtimeEnv{"XDG_RUNTIME_DIR", zeva::Utf8Path(root / "run")};
};

TEST_F(ClientRestartTest, ClosesTheRunningClientByItsWindowClassAndStartsItAgain) {
    fs::create_directories(root / "run");
    const std::string standIn =
        zeva::test::ReadFile(zeva::test::ProgramPath("zeva-client-standin"));
    Configure("1.0", "330000");
    Install(kClient, standIn);
    Install("data\\a.dat", "a v1");
    fs::permissions(app / kClient, fs::perms::owner_all);
    Publish(Release{"2.0", "330000", 0, 0, {{kClient, standIn}, {"data\\a.dat", "a v2"}}});

    const int first = zeva::test::StartProgram(app / kClient, {}, app);
    ASSERT_GT(first, 0);
    ASSERT_TRUE(WaitUntil([&] { return Record() == "started\n"; })) << Record();
    ASSERT_NE(zeva::FindWindowA("ZEVACLIENT"), nullptr);

    const fs::path cwd = root / "cwd";
    fs::create_directories(cwd);
    // Started with this process's outputs: the restarted client, which
    // outlives the updater, keeps no pipe of a capture open.
    EXPECT_EQ(zeva::test::RunProgram(zeva::test::ProgramPath("ZEVASilentUpdate"), {}, cwd), 0);
    ASSERT_TRUE(WaitUntil([&] { return Record().starts_with("started\nclosed\n"); })) << Record();
    EXPECT_EQ(zeva::test::WaitProgram(first), 0) << "the first client ended by its WM_CLOSE";
    EXPECT_EQ(Installed("data\\a.dat"), "a v2");
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "2.0");
    EXPECT_TRUE(WaitUntil([&] { return Record() == "started\nclosed\nstarted -AutoRun\n"; }))
        << Record();

    // The restarted client is the one window of the class now.
    const HWND again = zeva::FindWindowA("ZEVACLIENT");
    ASSERT_NE(again, nullptr);
    zeva::SendMessage(again, WM_CLOSE, 0, 0);
    EXPECT_EQ(Record(), "started\nclosed\nstarted -AutoRun\nclosed\n");
}

}  // namespace
