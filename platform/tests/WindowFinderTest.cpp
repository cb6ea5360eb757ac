#include "platform/WindowFinder.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "TestSupport.h"
#include "platform/MessageQueue.h"

using zeva::test::ProgramPath;
using zeva::test::ReadFile;
using zeva::test::ScopedEnv;
using zeva::test::TempDir;

namespace {

// Starts the peer program and waits for its "ready" line.
struct Peer {
    Peer(const std::string& className, const std::string& record, const char* extra = nullptr) {
        int out[2];
        if (::pipe(out) != 0) return;
        pid = ::fork();
        if (pid == 0) {
            ::dup2(out[1], 1);
            ::close(out[0]);
            const std::string prog = ProgramPath("zeva-window-peer").string();
            ::execl(prog.c_str(), prog.c_str(), className.c_str(), record.c_str(), extra, nullptr);
            ::_exit(127);
        }
        ::close(out[1]);
        char buf[6] = {};
        ready = ::read(out[0], buf, 5) == 5 && std::string(buf) == "ready";
        ::close(out[0]);
    }
    int Wait() {
        int status = 0;
        ::waitpid(pid, &status, 0);
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    ~Peer() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
    pid_t pid = -1;
    bool ready = false;
};

class WindowFinderTest : public ::testing::Test {
protected:
    TempDir runtime;
    ScopedEnv env{"XDG_RUNTIME_DIR", runtime.path().string()};
};

TEST_F(WindowFinderTest, ClosesTheClientWindowOfAnotherProcess) {
    TempDir work;
    const std::string record = (work / "record").string();
    Peer peer("ZEVACLIENT", record);
    ASSERT_TRUE(peer.ready);
    HWND found = zeva::FindWindowA("zevaclient");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(zeva::SendMessage(found, zeva::WM_CLOSE, 0, 0), 0);
    // SendMessage returned after the owner handled WM_CLOSE.
    EXPECT_EQ(ReadFile(record), "closed\n");
    EXPECT_EQ(peer.Wait(), 0);
    EXPECT_EQ(zeva::FindWindowA("ZEVACLIENT"), nullptr);
}

// Sends one raw request line to the socket of the only registration there
// is, as any process of the user could, and returns the answer line.
std::string RawRequest(const std::filesystem::path& windows, const std::string& line) {
    std::filesystem::path socketPath;
    for (const auto& e : std::filesystem::directory_iterator(windows)) socketPath = e.path();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", socketPath.c_str());
    std::string answer;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size())) {
        char c;
        while (::read(fd, &c, 1) == 1 && c != '\n') answer.push_back(c);
    }
    ::close(fd);
    return answer;
}

TEST_F(WindowFinderTest, TakesOnlyTheListedMessagesFromOtherProcesses) {
    TempDir work;
    const std::string record = (work / "record").string();
    {
        Peer peer("ZEVACLIENT", record);
        ASSERT_TRUE(peer.ready);
        HWND found = zeva::FindWindowA("ZEVACLIENT");
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(zeva::SendMessage(found, zeva::WM_USER, 21, 0), 0) << "not on the list";
        zeva::PostMessage(found, zeva::WM_USER, 22, 0);
        // A message whose wParam the owner would take as a text in its memory.
        EXPECT_EQ(RawRequest(runtime / "zeva/windows", "S 1825 4096 0\n"), "0");
        EXPECT_EQ(RawRequest(runtime / "zeva/windows", "P 12 4096 0\n"), "");
        EXPECT_EQ(zeva::SendMessage(found, zeva::WM_CLOSE, 0, 0), 0);
        EXPECT_EQ(peer.Wait(), 0);
        EXPECT_EQ(ReadFile(record), "closed\n") << "nothing but WM_CLOSE reached the window";
    }
    std::filesystem::remove(record);
    Peer peer("ZEVACLIENT", record, "user");
    ASSERT_TRUE(peer.ready);
    HWND found = zeva::FindWindowA("ZEVACLIENT");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(zeva::SendMessage(found, zeva::WM_USER, 21, 0), 42) << "listed by the owner";
    EXPECT_EQ(RawRequest(runtime / "zeva/windows", "S 1825 4096 0\n"), "0");
    EXPECT_EQ(zeva::SendMessage(found, zeva::WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(peer.Wait(), 0);
    EXPECT_EQ(ReadFile(record), "message 1024 21\nclosed\n");
}

TEST_F(WindowFinderTest, IgnoresRegistrationsOfDeadProcesses) {
    TempDir work;
    Peer peer("ZEVACLIENT", (work / "record").string());
    ASSERT_TRUE(peer.ready);
    ::kill(peer.pid, SIGKILL);
    peer.Wait();
    // The dead process's socket file is still there, but nobody answers.
    EXPECT_EQ(zeva::FindWindowA("ZEVACLIENT"), nullptr);
    size_t left = 0;
    for ([[maybe_unused]] const auto& e :
         std::filesystem::directory_iterator(runtime / "zeva/windows"))
        ++left;
    EXPECT_EQ(left, 0u);
}

TEST_F(WindowFinderTest, FindsWindowsOfThisProcessAndForgetsThemWhenWithdrawn) {
    HWND h = zeva::CreateWindowHandle([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 5; });
    EXPECT_EQ(zeva::FindWindowA("ZEVACLIENT"), nullptr);
    ASSERT_TRUE(zeva::RegisterWindowClassName(h, "ZEVACLIENT"));
    EXPECT_EQ(zeva::FindWindowA("ZEVACLIENT"), h);
    EXPECT_EQ(zeva::FindWindowA("Shell_TrayWnd"), nullptr);
    EXPECT_EQ(zeva::FindWindowA(nullptr), nullptr);
    zeva::UnregisterWindowClassName(h);
    EXPECT_EQ(zeva::FindWindowA("ZEVACLIENT"), nullptr);
    zeva::DestroyWindowHandle(h);
}

}  // namespace

TEST_F(WindowFinderTest, ThisProcessFindsOnlyItsOwnWindowsWhenItAsksForThem) {
    TempDir work;
    Peer peer("ZEVACLIENT", (work / "record").string());
    ASSERT_TRUE(peer.ready);
    EXPECT_NE(zeva::FindWindowA("ZEVACLIENT"), nullptr) << "across processes by class";
    EXPECT_EQ(zeva::FindProcessWindowA("ZEVACLIENT"), nullptr) << "not this process's";
    const HWND own =
        zeva::CreateWindowHandle([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    ASSERT_TRUE(zeva::RegisterWindowClassName(own, "ZevaClient"));
    EXPECT_EQ(zeva::FindProcessWindowA("ZEVACLIENT"), own);
    EXPECT_EQ(zeva::FindWindowA("ZEVACLIENT"), own) << "this process's own window first";
    zeva::UnregisterWindowClassName(own);
    zeva::DestroyWindowHandle(own);
    EXPECT_EQ(zeva::FindProcessWindowA("ZEVACLIENT"), nullptr);
}
