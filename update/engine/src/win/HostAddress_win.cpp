// Update server names on Windows: Winsock's resolver, started for the call
// (its start counts, so the download library's own start is not disturbed),
// and names as UTF-16 so a Chinese host name resolves by its IDN form.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include "HostAddress_p.h"
#include "platform/CodePage.h"
#include "platform/WinText.h"

namespace zeva {

using win::Wide;

bool IsIpv4Address(const std::string& text) {
    IN_ADDR parsed{};
    return InetPtonW(AF_INET, Wide(text).c_str(), &parsed) == 1;
}

std::string ResolveIpv4(const std::string& name) {
    WSADATA wsa{};
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return {};
    ADDRINFOW hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    ADDRINFOW* result = nullptr;
    std::string out;
    if (GetAddrInfoW(Wide(AcpToUtf8(name)).c_str(), nullptr, &hints, &result) == 0 &&
        result != nullptr) {
        const auto* sin = reinterpret_cast<const sockaddr_in*>(result->ai_addr);
        char text[INET_ADDRSTRLEN] = {0};
        if (inet_ntop(AF_INET, &sin->sin_addr, text, sizeof text) != nullptr) out = text;
        FreeAddrInfoW(result);
    }
    WSACleanup();
    return out;
}

}  // namespace zeva
