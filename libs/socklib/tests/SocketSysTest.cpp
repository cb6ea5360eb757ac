#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "SocketSys.h"

namespace sock = zeva::sock;

TEST(SocketSys, Ipv4TextBothWays) {
    struct Case {
        const char* text;
        bool valid;
        std::uint32_t ip;
    };
    const Case cases[] = {
        {"127.0.0.1", true, 0x7F000001u},
        {"0.0.0.0", true, 0},
        {"255.255.255.255", true, ~0u},
        {"192.168.1.23", true, 0xC0A80117u},
        {"256.0.0.1", false, 0},
        {"1.2.3", false, 0},
        {"1.2.3.4.5", false, 0},
        {"01.2.3.4", false, 0},
        {"1.2.3.4 ", false, 0},
        {"", false, 0},
        {"a.b.c.d", false, 0},
        {"1..2.3", false, 0},
        {"-1.2.3.4", false, 0},
        {"1.2.3.0004", false, 0},
    };
    for (const Case& c : cases) {
        const auto ip = sock::ParseIpv4(c.text);
        EXPECT_EQ(ip.has_value(), c.valid) << c.text;
        if (!c.valid || !ip) continue;
        EXPECT_EQ(*ip, c.ip) << c.text;
        EXPECT_EQ(sock::Ipv4Text(*ip), c.text);
    }
}

TEST(SocketSys, UdpDatagramsOnLoopbackTellTheirSender) {
    unsigned short portA = 0, portB = 0;
    const sock::Socket a(sock::OpenUdp(0x7F000001u, portA));
    const sock::Socket b(sock::OpenUdp(0x7F000001u, portB));
    ASSERT_TRUE(a.valid() && b.valid()) << sock::LastErrorText();
    ASSERT_NE(portA, 0);
    char buf[16] = {};
    std::uint32_t ip = 0;
    unsigned short port = 0;
    // Nothing waits yet: the non-blocking socket says so at once.
    EXPECT_EQ(sock::ReceiveFrom(b.get(), buf, sizeof buf, ip, port), -1);
    EXPECT_TRUE(sock::LastWouldBlock());
    ASSERT_EQ(sock::SendTo(a.get(), "hello", 5, 0x7F000001u, portB), 5);
    ASSERT_TRUE(sock::WaitFor(b.get(), sock::kReadable, 2000));
    ASSERT_EQ(sock::ReceiveFrom(b.get(), buf, sizeof buf, ip, port), 5);
    EXPECT_EQ(std::string(buf, 5), "hello");
    EXPECT_EQ(ip, 0x7F000001u);
    EXPECT_EQ(port, portA);
    // A datagram to a port where nobody listens leaves the socket usable.
    unsigned short closedPort = 0;
    sock::Socket(sock::OpenUdp(0x7F000001u, closedPort)).Reset();
    sock::SendTo(a.get(), "x", 1, 0x7F000001u, closedPort);
    ASSERT_EQ(sock::SendTo(b.get(), "again", 5, 0x7F000001u, portA), 5);
    ASSERT_TRUE(sock::WaitFor(a.get(), sock::kReadable, 2000));
    EXPECT_EQ(sock::ReceiveFrom(a.get(), buf, sizeof buf, ip, port), 5);
}

TEST(SocketSys, ListenerAcceptsWithinItsTimeAndPollWaits) {
    unsigned short port = 0;
    const sock::Socket listener(sock::ListenTcpLoopback(port));
    ASSERT_TRUE(listener.valid());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(sock::Accept(listener.get(), 100), sock::kNoSocket);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(90));

    std::string error;
    sock::Socket client(sock::ConnectTcp("127.0.0.1", port, 2000, error));
    ASSERT_TRUE(client.valid()) << error;
    const sock::Socket server(sock::Accept(listener.get(), 2000));
    ASSERT_TRUE(server.valid());
    sock::PollEntry entries[2] = {{client.get(), sock::kReadable, 0},
                                  {server.get(), sock::kReadable, 0}};
    EXPECT_EQ(sock::Poll(entries, 2, 50), 0);
    ASSERT_EQ(sock::Send(client.get(), "ab", 2), 2);
    ASSERT_EQ(sock::Poll(entries, 2, 2000), 1);
    EXPECT_EQ(entries[0].ready, 0u);
    EXPECT_NE(entries[1].ready & sock::kReadable, 0u);
    char buf[4];
    EXPECT_EQ(sock::Receive(server.get(), buf, sizeof buf), 2);
    // The peer's close reads as the end of the stream.
    client.Reset();
    ASSERT_TRUE(sock::WaitFor(server.get(), sock::kReadable, 2000));
    EXPECT_EQ(sock::Receive(server.get(), buf, sizeof buf), 0);
}

TEST(SocketSys, NamesResolveToTheirFirstAddress) {
    std::string error;
    EXPECT_EQ(sock::ResolveIpv4("127.0.0.1", error), 0x7F000001u) << error;
    EXPECT_EQ(sock::ResolveIpv4("localhost", error), 0x7F000001u) << error;
    // (Names that would fail are left out: looking them up asks the machine's DNS server.)
    EXPECT_FALSE(sock::ResolveIpv4("", error));
    EXPECT_EQ(error, "no host");
}
