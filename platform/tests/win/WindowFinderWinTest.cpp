// Class windows on Windows: a second process registers a window of a class,
// this one finds it with the system's FindWindowW and sends it messages.
#include "platform/WindowFinder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "ProgramRunner.h"
#include "TestSupport.h"
#include "platform/MessageQueue.h"

#include "platform/win/WindowsApi.h"

using zeva::test::ProgramPath;
using zeva::test::ReadFile;
using zeva::test::TempDir;

namespace {

using zeva::test::WaitUntil;

// zeva-window-peer registering `className`, taking `extra` from outside too.
struct Peer {
    Peer(const std::string& className, const std::string& record, const std::string& extra = {}) {
        std::vector<std::string> args{className, record};
        if (!extra.empty()) args.push_back(extra);
        pid = zeva::test::StartProgram(ProgramPath("zeva-window-peer"), args, {});
        ready = pid > 0 && WaitUntil([&] { return Real(className) != nullptr; });
    }
    ~Peer() {
        if (pid > 0) {
            zeva::test::KillProgram(pid);
            zeva::test::WaitProgram(pid);
        }
    }
    int Wait() {
        const int code = zeva::test::WaitProgram(pid);
        pid = -1;
        return code;
    }
    // The class window of another process, as the system finds it.
    static ::HWND Real(const std::string& className) {
        const std::wstring wide(className.begin(), className.end());
        for (::HWND h = FindWindowExW(nullptr, nullptr, wide.c_str(), nullptr); h != nullptr;
             h = FindWindowExW(nullptr, h, wide.c_str(), nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            if (owner != GetCurrentProcessId()) return h;
        }
        return nullptr;
    }
    int pid = -1;
    bool ready = false;
};

TEST(WindowFinderWinTest, ClosesTheClientWindowOfAnotherProcess) {
    TempDir work;
    const std::string record = (work / "record").string();
    Peer peer("ZEVACLIENT", record);
    ASSERT_TRUE(peer.ready);
    const HWND found = zeva::FindWindowA("zevaclient");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(zeva::FindWindowA("ZEVACLIENT"), found) << "one handle per window found";
    EXPECT_EQ(zeva::FindProcessWindowA("ZEVACLIENT"), nullptr) << "not this process's";
    EXPECT_EQ(zeva::SendMessage(found, WM_CLOSE, 0, 0), 0);
    // SendMessage returned after the owner handled WM_CLOSE.
    EXPECT_EQ(ReadFile(record), "closed\n");
    EXPECT_EQ(peer.Wait(), 0);
    EXPECT_EQ(zeva::FindWindowA("ZEVACLIENT"), nullptr);
    EXPECT_EQ(zeva::SendMessage(found, WM_CLOSE, 0, 0), 0) << "a window gone answers nothing";
}

// This process withdrawing its own registration (its class window goes on
// the listener thread, at a moment of its own) while it looks for another
// client never hides that one: looked for again and again meanwhile.
TEST(WindowFinderWinTest, AnotherClientIsFoundWhileThisProcessWithdrawsItsOwn) {
    TempDir work;
    Peer peer("ZEVACLIENT", (work / "record").string());
    ASSERT_TRUE(peer.ready);
    int missed = 0;
    for (int round = 0; round < 20; ++round) {
        const HWND own =
            zeva::CreateWindowHandle([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
        ASSERT_TRUE(zeva::RegisterWindowClassName(own, "ZEVACLIENT"));
        zeva::UnregisterWindowClassName(own);
        zeva::DestroyWindowHandle(own);
        for (int look = 0; look < 200; ++look) missed += zeva::FindWindowA("ZEVACLIENT") ? 0 : 1;
    }
    EXPECT_EQ(missed, 0) << "times the other client was not found";
}

TEST(WindowFinderWinTest, TakesOnlyTheListedMessagesFromOtherProcesses) {
    TempDir work;
    const std::string record = (work / "record").string();
    Peer peer("ZEVACLIENT", record, "1825");
    ASSERT_TRUE(peer.ready);
    const HWND found = zeva::FindWindowA("ZEVACLIENT");
    ASSERT_NE(found, nullptr);
    const ::HWND real = Peer::Real("ZEVACLIENT");
    // Listed: sent and posted, each arrives once.
    zeva::SendMessage(found, 1825, 7, 0);
    zeva::PostMessage(found, 1825, 8, 0);
    ASSERT_TRUE(WaitUntil([&] { return ReadFile(record).find("1825 8") != std::string::npos; }));
    // Unlisted, with a pointer into this process's memory: the owner must
    // never see it, and the sender gets 0 instead of a hang.
    char text[] = "ToolBox";
    DWORD_PTR answer = 99;
    EXPECT_NE(SendMessageTimeoutW(real, WM_USER, reinterpret_cast<WPARAM>(text), 0, SMTO_NORMAL,
                                  5000, &answer),
              0);
    EXPECT_EQ(answer, 0u);
    EXPECT_EQ(zeva::SendMessage(found, WM_USER + 0x322, reinterpret_cast<WPARAM>(text), 0), 0);
    EXPECT_NE(PostMessageW(real, WM_USER, reinterpret_cast<WPARAM>(text), 0), 0);
    EXPECT_EQ(zeva::SendMessage(found, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(peer.Wait(), 0);
    EXPECT_EQ(ReadFile(record), "message 1825 7\nmessage 1825 8\nclosed\n");
}

TEST(WindowFinderWinTest, AnOwnerThatListsWmUserAnswersIt) {
    TempDir work;
    const std::string record = (work / "record").string();
    Peer peer("ZevaTool", record, "user");
    ASSERT_TRUE(peer.ready);
    const HWND found = zeva::FindWindowA("ZEVATOOL");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(zeva::SendMessage(found, WM_USER, 21, 0), 42) << "the owner's answer comes back";
    EXPECT_EQ(zeva::FindWindowA("ZEVACLIENT"), nullptr) << "another class";
    EXPECT_EQ(zeva::SendMessage(found, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(peer.Wait(), 0);
    EXPECT_EQ(ReadFile(record), "message 1024 21\nclosed\n");
}

TEST(WindowFinderWinTest, ForgetsTheWindowOfAProcessThatDied) {
    TempDir work;
    Peer peer("ZEVACLIENT", (work / "record").string());
    ASSERT_TRUE(peer.ready);
    const HWND found = zeva::FindWindowA("ZEVACLIENT");
    ASSERT_NE(found, nullptr);
    ASSERT_TRUE(zeva::test::KillProgram(peer.pid));
    EXPECT_EQ(peer.Wait(), -1);
    EXPECT_TRUE(WaitUntil([] { return zeva::FindWindowA("ZEVACLIENT") == nullptr; }));
    EXPECT_EQ(zeva::SendMessage(found, WM_CLOSE, 0, 0), 0);
}

TEST(WindowFinderWinTest, ThisProcessFindsItsOwnModelWindowAndTheSystemSeesTheClass) {
    EXPECT_EQ(zeva::FindWindowA("ZEVACLIENT"), nullptr);
    EXPECT_EQ(zeva::FindWindowA(nullptr), nullptr);
    EXPECT_EQ(zeva::FindWindowA(""), nullptr);
    const HWND own =
        zeva::CreateWindowHandle([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 5; });
    ASSERT_TRUE(zeva::RegisterWindowClassName(own, "ZevaClient", {1825}));
    EXPECT_FALSE(zeva::RegisterWindowClassName(nullptr, "ZEVACLIENT"));
    EXPECT_FALSE(zeva::RegisterWindowClassName(own, ""));
    EXPECT_EQ(zeva::FindProcessWindowA("ZEVACLIENT"), own);
    EXPECT_EQ(zeva::FindWindowA("ZEVACLIENT"), own) << "this process's own model window";
    // The system's window of the class exists, hidden, and is this process's.
    const ::HWND real = FindWindowW(L"ZEVACLIENT", nullptr);
    ASSERT_NE(real, nullptr);
    EXPECT_FALSE(IsWindowVisible(real));
    DWORD owner = 0;
    GetWindowThreadProcessId(real, &owner);
    EXPECT_EQ(owner, GetCurrentProcessId());
    // A second registration of the class beside the first, withdrawn alone.
    const HWND second =
        zeva::CreateWindowHandle([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 6; });
    ASSERT_TRUE(zeva::RegisterWindowClassName(second, "ZEVACLIENT"));
    zeva::UnregisterWindowClassName(own);
    EXPECT_EQ(zeva::FindProcessWindowA("ZEVACLIENT"), second);
    zeva::UnregisterWindowClassName(second);
    EXPECT_EQ(zeva::FindProcessWindowA("ZEVACLIENT"), nullptr);
    EXPECT_EQ(zeva::FindWindowA("ZEVACLIENT"), nullptr)
        << "withdrawn class windows are not others'";
    EXPECT_TRUE(WaitUntil([] { return FindWindowW(L"ZEVACLIENT", nullptr) == nullptr; }))
        << "the class windows go with their registrations";
    zeva::DestroyWindowHandle(own);
    zeva::DestroyWindowHandle(second);
}

}  // namespace
