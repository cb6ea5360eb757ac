#pragma once
// Opens TCP connections with a time-out, directly or through an HTTP proxy
// (a CONNECT tunnel).

#include <string>

#include "SocketStream.h"

class CE_SocketConnector {
public:
    // Connects `stream` to host:port within `timeoutSeconds` (name look-up
    // included). 0 when connected, -1 otherwise (reason in GetLastError).
    int Connect(CE_SocketStream& stream, const std::string& host, unsigned short port,
                int timeoutSeconds);
    // The same through the HTTP proxy proxyHost:proxyPort: the stream is
    // connected once the proxy accepted the CONNECT request with a 2xx
    // answer. A non-empty user authenticates with Basic credentials.
    int Connect(CE_SocketStream& stream, const std::string& host, unsigned short port,
                const std::string& proxyHost, unsigned short proxyPort, const std::string& user,
                const std::string& password, int timeoutSeconds);

    const std::string& GetLastError() const { return lastError_; }

private:
    std::string lastError_;
};

namespace zeva {
// RFC 4648 Base64, for the proxy's Basic credentials.
std::string Base64(const std::string& data);
}  // namespace zeva
