#include <winsock2.h>
#include <ws2tcpip.h>

#include <climits>

#include "Sockets.h"

namespace zeva::backoffice {

int BoundPort(SOAP_SOCKET socket) {
    sockaddr_storage address{};
    int length = sizeof address;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
    return address.ss_family == AF_INET6
               ? ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port)
               : ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
}

void SendAll(SOAP_SOCKET socket, const std::string& data) {
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const int chunk = left > INT_MAX ? INT_MAX : static_cast<int>(left);
        const int n = ::send(socket, p, chunk, 0);
        if (n <= 0) return;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

int ReuseAddressFlag() {
    // Windows frees a closed listener's port at once; its SO_REUSEADDR would
    // let a second program take a port in use.
    return 0;
}

}  // namespace zeva::backoffice
