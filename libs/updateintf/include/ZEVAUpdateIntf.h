#pragma once
// Download of release files from the provider's update servers.
//
// How a request is formed:
//   GetRemoteFile(type, name, localPath, window, message) fetches
//   http://<address>:<port>/<type>/<name>, where <type> is the decimal
//   package selector and <name> is the relative name with every '\' turned
//   into '/' and each path segment percent-encoded (the name is taken in the
//   system code page and encoded as UTF-8; only A-Z a-z 0-9 - . _ ~ stay
//   literal). A server entry with an empty address or port 0 is skipped.
// Servers: the primary (first) entry is tried first, then the secondary; the
//   first server that answers 200 and delivers the whole body wins.
// Proxy: with the proxy flag set, the user's proxy is used (registry Internet
//   Settings "ProxyEnable"/"ProxyServer", else the http_proxy environment);
//   without it, or when no proxy is enabled, the request goes direct.
// Storage: the body is streamed into localPath + ".part", which is renamed to
//   localPath only when the transfer is complete, so a partial file never
//   stands under the final name; a failed attempt removes the ".part" file.
// Limits: connect time-out 10 s; a transfer that moves under 1 KB/s for 30 s
//   fails; any HTTP status other than 200 fails.
// Result: 0 on success, -1 on failure (GetLastErrorInfo tells why).
// Progress: when `window` is not null, `message` is posted to it with the
//   bytes received so far (wParam) and the total size (lParam) at most every
//   100 ms while the server announces a length, and once at completion
//   (wParam = lParam = bytes stored); when no server can be reached, it is
//   posted once with wParam 0 and lParam -1.

#include <functional>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

struct S_UpdateSerivceAddr {
    std::string address;
    unsigned short port = 0;
};

namespace zeva {

// Limits of one transfer; the defaults are the library's documented ones.
struct TransferLimits {
    long connectTimeoutMs = 10000;
    long lowSpeedBytesPerSecond = 1024;
    long lowSpeedSeconds = 30;
};

}  // namespace zeva

class CZEVAUpdateIntf {
public:
    CZEVAUpdateIntf(const std::vector<S_UpdateSerivceAddr>& servers, bool useProxy);
    ~CZEVAUpdateIntf();
    CZEVAUpdateIntf(const CZEVAUpdateIntf&) = delete;
    CZEVAUpdateIntf& operator=(const CZEVAUpdateIntf&) = delete;

    int GetRemoteFile(unsigned updateType, const char* remoteName, const char* localPath,
                      HWND notifyWindow, unsigned notifyMessage);

    // Why the last call failed (empty after a success).
    const std::string& GetLastErrorInfo() const;

    void SetTransferLimits(const zeva::TransferLimits& limits);
    // Asked while a transfer runs; true ends it as a failure (no notice is posted).
    void SetCancelCheck(std::function<bool()> cancelled);

private:
    struct Impl;
    Impl* d_;
};
