#pragma once
// The record of one tested web site: the proxy the user set, the parts of
// an address and the facts gathered for a site (name look-up, page
// reachability, connection time). Runs off the window thread.

#include <string>

#include "PlugSettings.h"
#include "ZEVAClientIntf.h"

namespace speedtest {

// The user's proxy as the web-page test uses it.
struct UserProxy {
    bool enabled = false;  // "ProxyEnable" non-zero and a usable "ProxyServer"
    std::string host;
    unsigned short port = 0;
    // Why a switched-on proxy is not used (empty otherwise), for the log.
    std::string problem;
};

// "ProxyServer" is read up to 64 bytes and split at the first ":" (the
// bracketed "[::1]:8080" form included); a value without a usable host and
// port in 1-65535 means no proxy.
UserProxy ParseUserProxy(const ProxyValues& values);

struct UrlParts {
    std::string host;
    unsigned short port = 80;
    std::string path = "/";
    bool valid = true;  // false: no web address (a bad port, no host); host empty
};
// The address read as the engine reads it: the host after any user part
// ("user:pw@host"), the port after the host (none or 0: 80), the path.
UrlParts SplitUrl(const std::string& entry);

// Whether `host` is an IPv4 address in dotted text.
bool IsDottedAddress(const std::string& host);

struct RecordCopies {
    std::string account;
    std::string netTypeId;
    std::string version;
};

// Time limits of the facts of one record.
inline constexpr unsigned kLookupLimitMs = 5000;
inline constexpr int kConnectSeconds = 6;
inline constexpr int kOpenSeconds = 6;

// A site that answered (in `responseMs`): look-up, reachability and connection facts.
S_HttpInfo AnsweredRecord(const std::string& url, unsigned responseMs, const UserProxy& proxy,
                          IResolver& resolver, IConnector& connector, const RecordCopies& copies);
// A site that failed without an answer.
S_HttpInfo FailedRecord(const std::string& url, const RecordCopies& copies);

}  // namespace speedtest
