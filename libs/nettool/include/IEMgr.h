#pragma once
// The user's browser proxy (the Internet Settings of the registry, or the
// http_proxy environment variable where those settings do not exist).

#include <string>

struct COMMON_ServerAddress {
    std::string Address;  // host name or dotted address
    unsigned short Port = 0;
};

class CIEMgr {
public:
    // `enabled` is true when a proxy is switched on and names a host. 0, or
    // -1 with a reason when the settings say a proxy is on but it is unusable.
    static int GetIEProxy(COMMON_ServerAddress& proxy, bool& enabled, std::string& error);
};

namespace zeva {

// The user's proxy as a URL for HTTP clients ("http://host:port"), empty when none.
std::string UserProxyUrl();

// "host:port", "host" or Windows' per-protocol form "http=host:port;https=..."
// into host and port (0 when absent or not a number in 1-65535).
COMMON_ServerAddress ParseProxyServer(const std::string& text);

}  // namespace zeva
