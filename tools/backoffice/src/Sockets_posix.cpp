#include "Sockets.h"

#include <netinet/in.h>
#include <sys/socket.h>

namespace zeva::backoffice {

int BoundPort(SOAP_SOCKET socket) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
    return address.ss_family == AF_INET6
               ? ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port)
               : ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
}

void SendAll(SOAP_SOCKET socket, const std::string& data) {
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::send(socket, p, left, MSG_NOSIGNAL);
        if (n <= 0) return;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

int ReuseAddressFlag() {
    return SO_REUSEADDR;
}

}  // namespace zeva::backoffice
