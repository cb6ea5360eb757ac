// What the Winsock half adds: started by itself, sockets not inherited by
// programs this one starts, the system's error texts.
#include <winsock2.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "SocketSys.h"

namespace sock = zeva::sock;

TEST(Winsock, SocketsWorkWithoutStartupAndAreNotInherited) {
    // No WSAStartup of the test's own: the layer starts Winsock itself.
    unsigned short port = 0;
    const sock::Socket listener(sock::ListenTcpLoopback(port));
    ASSERT_TRUE(listener.valid()) << sock::LastErrorText();
    unsigned short udpPort = 0;
    const sock::Socket udp(sock::OpenUdp(0x7F000001u, udpPort));
    ASSERT_TRUE(udp.valid());
    std::string error;
    const sock::Socket client(sock::ConnectTcp("127.0.0.1", port, 2000, error));
    ASSERT_TRUE(client.valid()) << error;
    const sock::Socket accepted(sock::Accept(listener.get(), 2000));
    ASSERT_TRUE(accepted.valid());
    for (const sock::Socket* s : {&listener, &udp, &client, &accepted}) {
        DWORD flags = 0;
        ASSERT_TRUE(GetHandleInformation(reinterpret_cast<HANDLE>(s->get()), &flags));
        EXPECT_EQ(flags & HANDLE_FLAG_INHERIT, 0u);
    }
}

TEST(Winsock, ErrorsReadAsText) {
    std::string error;
    unsigned short port = 0;
    {
        // A port that was just free: nobody listens there now.
        const sock::Socket probe(sock::ListenTcpLoopback(port));
    }
    EXPECT_EQ(sock::ConnectTcp("127.0.0.1", port, 2000, error), sock::kNoSocket);
    EXPECT_NE(error.find("Connection refused"), std::string::npos) << error;
    // Every failure has a text, never an empty one.
    WSASetLastError(WSAENOTSOCK);
    EXPECT_FALSE(sock::LastErrorText().empty());
    WSASetLastError(WSAEWOULDBLOCK);
    EXPECT_TRUE(sock::LastWouldBlock());
    WSASetLastError(WSAECONNRESET);
    EXPECT_FALSE(sock::LastWouldBlock());
}
