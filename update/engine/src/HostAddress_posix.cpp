#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include "HostAddress_p.h"

namespace zeva {

bool IsIpv4Address(const std::string& text) {
    in_addr parsed{};
    return ::inet_aton(text.c_str(), &parsed) != 0;
}

std::string ResolveIpv4(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &result) != 0 || result == nullptr) return {};
    char text[INET_ADDRSTRLEN] = {0};
    const auto* sin = reinterpret_cast<const sockaddr_in*>(result->ai_addr);
    ::inet_ntop(AF_INET, &sin->sin_addr, text, sizeof text);
    ::freeaddrinfo(result);
    return text;
}

}  // namespace zeva
