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
//   stands under the final name; a failed call removes the ".part" file.
// Resume (only when the caller gives the expected size): a ".part" found at
//   the start (left by a process that ended mid-transfer) or left by a
//   transfer cut off in this call is continued with "Range: bytes=N-" when
//   the server answers 206 with a Content-Range starting at N (and naming the
//   expected total); a 200 answer restarts the file from its first byte, as
//   does a 206 that does not match. A ".part" not shorter than the expected
//   size is discarded. After a cut that stored bytes, up to
//   TransferLimits::resumeAttempts further requests continue it.
// Limits: connect time-out 10 s; a transfer that moves under 1 KB/s for 30 s
//   fails; any HTTP status other than 200 (and 206 for a resumed file) fails;
//   a body larger than the expected size (or than 16 MiB when the caller
//   gives none, as for catalogs) fails at once; the whole call, servers and
//   resumptions included, ends after 60 s plus the expected size at 8 KiB/s.
// Result: 0 on success, -1 on failure (GetLastErrorInfo tells why).
// Progress: when `window` is not null, `message` is posted to it with the
//   bytes received so far (wParam) and the total size (lParam) at most every
//   100 ms while the server announces a length, and once at completion
//   (wParam = lParam = bytes stored); when no server can be reached, it is
//   posted once with wParam 0 and lParam -1.

#include <cstdint>
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
    // Overall time of one call: this floor plus the expected size at the rate below.
    long totalTimeFloorMs = 60000;
    long totalTimeBytesPerSecond = 8 * 1024;
    // Largest body accepted when the caller gives no expected size.
    std::int64_t unknownSizeCap = std::int64_t{16} << 20;
    // Requests that continue a transfer cut off after storing bytes.
    int resumeAttempts = 3;
};

// Milliseconds one call may take in all: the floor plus the expected size
// (when known) at the limit's rate.
std::int64_t TransferTimeBudgetMs(const TransferLimits& limits, std::int64_t expectedSize);

}  // namespace zeva

class CZEVAUpdateIntf {
public:
    CZEVAUpdateIntf(const std::vector<S_UpdateSerivceAddr>& servers, bool useProxy);
    ~CZEVAUpdateIntf();
    CZEVAUpdateIntf(const CZEVAUpdateIntf&) = delete;
    CZEVAUpdateIntf& operator=(const CZEVAUpdateIntf&) = delete;

    // `expectedSize` is the catalog's SIZE of the file, or -1 when unknown.
    int GetRemoteFile(unsigned updateType, const char* remoteName, const char* localPath,
                      HWND notifyWindow, unsigned notifyMessage, std::int64_t expectedSize = -1);

    // Why the last call failed (empty after a success).
    const std::string& GetLastErrorInfo() const;
    // Whether the last successful call continued bytes stored before (its
    // result is then made of more than one answer).
    bool LastTransferResumed() const;
    // Whether the last call failed because the body grew past its size limit.
    bool LastTransferTooLarge() const;

    void SetTransferLimits(const zeva::TransferLimits& limits);
    // Asked while a transfer runs; true ends it as a failure (no notice is posted).
    void SetCancelCheck(std::function<bool()> cancelled);

private:
    struct Impl;
    Impl* d_;
};
