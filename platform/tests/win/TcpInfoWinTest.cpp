// A connection's figures on Windows: the system either gives them (and then
// they count what crossed) or says it has none; never made-up numbers.
#include <winsock2.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/TcpInfo.h"

namespace {

TEST(TcpInfoWin, FiguresCountWhatCrossedOrAreReportedMissing) {
    WSADATA wsa;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
    const SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof a;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&a), len), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
    const SOCKET client = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&a), len), 0);
    const SOCKET server = accept(listener, nullptr, nullptr);
    ASSERT_NE(server, INVALID_SOCKET);

    const std::string data(100000, 'd');
    ASSERT_EQ(send(client, data.data(), static_cast<int>(data.size()), 0),
              static_cast<int>(data.size()));
    size_t got = 0;
    char buf[65536];
    while (got < data.size()) {
        const int r = recv(server, buf, sizeof buf, 0);
        ASSERT_GT(r, 0);
        got += static_cast<size_t>(r);
    }
    zeva::TcpStats receiver{};
    receiver.bytesReceived = 12345;
    if (zeva::GetTcpStats(static_cast<long long>(server), receiver)) {
        EXPECT_EQ(receiver.bytesReceived, data.size());
    } else {
        std::printf("this system gives no TCP figures\n");
        EXPECT_EQ(receiver.bytesReceived, 12345u) << "a refusal leaves the figures alone";
    }
    const SOCKET udp = socket(AF_INET, SOCK_DGRAM, 0);
    zeva::TcpStats none{};
    EXPECT_FALSE(zeva::GetTcpStats(static_cast<long long>(udp), none));
    EXPECT_FALSE(zeva::GetTcpStats(-1, none));
    EXPECT_EQ(zeva::CloseSocket(static_cast<long long>(udp)), 0);
    EXPECT_EQ(zeva::CloseSocket(-1), -1);
    closesocket(client);
    closesocket(server);
    closesocket(listener);
    WSACleanup();
}

}  // namespace
