#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/TcpInfo.h"

TEST(TcpInfo, CountsWhatCrossedALoopbackConnection) {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&a), len), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
    const int client = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&a), len), 0);
    const int server = accept(listener, nullptr, nullptr);
    ASSERT_GE(server, 0);

    const std::string data(200000, 'd');
    std::size_t sent = 0, got = 0;
    char buf[65536];
    while (got < data.size()) {
        if (sent < data.size()) {
            const auto n = send(client, data.data() + sent, data.size() - sent, MSG_DONTWAIT);
            if (n > 0) sent += static_cast<std::size_t>(n);
        }
        const auto r = recv(server, buf, sizeof buf, MSG_DONTWAIT);
        if (r > 0) got += static_cast<std::size_t>(r);
    }
    // The last acknowledgement may still be on its way.
    zeva::TcpStats sender, receiver;
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(zeva::GetTcpStats(client, sender));
        if (sender.bytesAcked >= data.size()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(zeva::GetTcpStats(server, receiver));
    // The opening SYN may count as one byte.
    EXPECT_GE(sender.bytesAcked, data.size());
    EXPECT_LE(sender.bytesAcked, data.size() + 1);
    EXPECT_EQ(sender.bytesDelivered, sender.bytesAcked);  // nothing held back selectively
    EXPECT_EQ(receiver.bytesReceived, data.size());
    EXPECT_GT(sender.rttMs, 0);

    // No TCP connection, no figures.
    const int udp = socket(AF_INET, SOCK_DGRAM, 0);
    EXPECT_FALSE(zeva::GetTcpStats(udp, sender));
    EXPECT_FALSE(zeva::GetTcpStats(-1, sender));
    EXPECT_EQ(zeva::CloseSocket(udp), 0);
    EXPECT_EQ(zeva::CloseSocket(-1), -1);
    close(client);
    close(server);
    close(listener);
}
