// The Windows event log takes the records: Chinese text, control characters,
// text longer than a record holds. What the log then holds cannot be read back
// under Wine (ReadEventLog finds nothing there), so only the report is checked;
// the record's content is checked where tests redirect it.
#include <winsock2.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "EventLog.h"
#include "TestSupport.h"
#include "platform/CodePage.h"

TEST(EventLogWin, ErrorEventsAreReportedWhateverTheirText) {
    zeva::test::ScopedEnv acp("ZEVA_ACP", std::nullopt);  // GBK
    std::string longText;
    for (int i = 0; i < 5000; ++i) longText += zeva::Acp("界");
    struct Case {
        std::string module;
        std::string message;
    };
    for (const Case& c :
         {Case{"ZEVAClient.exe", zeva::Acp("连接服务器失败，网络可能不畅通！")},
          Case{"ZEVASilentUpdate.exe", "a\nb\r\t<13>forged\x7F"},
          Case{"ZEVASilentUpdate.exe", longText}, Case{"bad module[1]:", "x"}, Case{"", ""}}) {
        EXPECT_EQ(WriteSysEventLog(c.module, "Tue May 12 17:05:07 2015", "UpdateJob.cpp",
                                   "UpdateJob::Run", 42, c.message, zeva::Acp("一般问题")),
                  0)
            << c.module;
    }
}

namespace {

// A UDP socket of the test's own on the loopback address that records are redirected to.
class LoopbackLog {
public:
    LoopbackLog() {
        WSADATA wsa{};
        WSAStartup(MAKEWORD(2, 2), &wsa);
        socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof at;
        if (bind(socket_, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 &&
            getsockname(socket_, reinterpret_cast<sockaddr*>(&at), &size) == 0) {
            port_ = ntohs(at.sin_port);
        }
    }
    ~LoopbackLog() {
        closesocket(socket_);
        WSACleanup();
    }
    unsigned short port() const { return port_; }
    std::string Next() {
        DWORD timeout = 2000;
        setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
                   sizeof timeout);
        char buf[8192];
        const int n = recv(socket_, buf, sizeof buf, 0);
        return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
    }

private:
    SOCKET socket_ = INVALID_SOCKET;
    unsigned short port_ = 0;
};

}  // namespace

TEST(EventLogWin, RecordsRedirectedToALoopbackPortAreSyslogRecordsInUtf8) {
    zeva::test::ScopedEnv acp("ZEVA_ACP", std::nullopt);  // GBK
    LoopbackLog log;
    ASSERT_NE(log.port(), 0);
    zeva::test::ScopedEnv redirect("ZEVA_SYSLOG_SOCKET", "127.0.0.1:" + std::to_string(log.port()));
    ASSERT_EQ(WriteSysEventLog("ZEVAClient.exe", "t", "f", "fn", 7,
                               zeva::Acp("连接服务器失败\r\n伪造"), zeva::Acp("一般问题")),
              0);
    const std::string record = log.Next();
    EXPECT_EQ(record.rfind("<11>", 0), 0u) << record;
    EXPECT_NE(record.find(" ZEVAClient.exe[" + std::to_string(GetCurrentProcessId()) +
                          "]: [一般问题] 连接服务器失败  伪造 (f fn:7, built t)"),
              std::string::npos)
        << record;
}

TEST(EventLogWin, ARedirectAnywhereButTheLoopbackAddressFails) {
    for (const char* target : {"10.0.0.1:514", "localhost:514", "127.0.0.1:", "127.0.0.1:0",
                               "127.0.0.1:70000", "127.0.0.1:5x", "\\\\.\\pipe\\log"}) {
        zeva::test::ScopedEnv redirect("ZEVA_SYSLOG_SOCKET", std::string(target));
        EXPECT_EQ(WriteSysEventLog("m", "t", "f", "fn", 1, "x", "c"), -1) << target;
    }
}
