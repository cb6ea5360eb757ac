#include "HttpRecord.h"

#include <algorithm>
#include <cctype>

#include "SocketSys.h"
#include "WebAddress.h"

namespace speedtest {

namespace {

// Digits only, 1-65535; 0 otherwise.
unsigned short PortOf(const std::string& digits) {
    if (digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(),
                     [](unsigned char c) { return std::isdigit(c) != 0; }))
        return 0;
    const unsigned long v = std::stoul(digits);
    return v <= 65535 ? static_cast<unsigned short>(v) : 0;
}

// The host part of an entry, for the name look-up.
std::string HostOf(const std::string& entry) {
    return SplitUrl(entry).host;
}

}  // namespace

UserProxy ParseUserProxy(const ProxyValues& values) {
    UserProxy p;
    if (!values.found || values.enable == 0) return p;
    // The value is read into a 64-byte buffer.
    std::string text = values.server.substr(0, std::min<std::size_t>(values.server.size(), 63));
    std::string host, port;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close != std::string::npos) {
            host = text.substr(1, close - 1);
            if (close + 1 < text.size() && text[close + 1] == ':') port = text.substr(close + 2);
        }
    } else {
        const std::size_t colon = text.find(':');
        host = text.substr(0, colon);
        if (colon != std::string::npos) port = text.substr(colon + 1);
    }
    p.port = PortOf(port);
    if (host.empty() || p.port == 0) {
        p.port = 0;
        p.problem = "unusable ProxyServer value \"" + text + "\": no proxy used";
        return p;
    }
    p.enabled = true;
    p.host = host;
    return p;
}

UrlParts SplitUrl(const std::string& entry) {
    UrlParts u;
    zeva::WebAddress address;
    std::string error;
    if (zeva::SplitWebAddress(entry, address, error) != 0) {
        u.valid = false;
        return u;
    }
    u.host = address.host;
    u.port = address.port == 0 ? 80 : address.port;
    u.path = address.path;
    return u;
}

bool IsDottedAddress(const std::string& host) {
    return zeva::sock::ParseIpv4(host).has_value();
}

S_HttpInfo AnsweredRecord(const std::string& url, unsigned responseMs, const UserProxy& proxy,
                          IResolver& resolver, IConnector& connector, const RecordCopies& copies) {
    S_HttpInfo r;
    r.UserId = copies.account;
    r.NetTypeId = copies.netTypeId.empty() ? "0" : copies.netTypeId;
    r.Url = url;
    r.Type = "CLIENT";
    r.Version = copies.version;

    // The look-up asks for the entry's host: a whole address with a scheme
    // or a path is no host name and never resolves.
    const std::string host = HostOf(url);
    if (proxy.enabled || host.empty()) {
        r.DNSTimeDelay = "0";
    } else {
        std::string first;
        const unsigned ms = resolver.Resolve(host, kLookupLimitMs, first);
        r.DNSIp = first;
        r.DNSTimeDelay = std::to_string(std::max(ms, 1u));
    }
    r.HTTPTimeDelay = std::to_string(responseMs);
    r.Result = "1";

    const bool hasScheme =
        url.find("http://") != std::string::npos || url.find("https://") != std::string::npos;
    r.HTTPServiceability =
        connector.OpenUrl(hasScheme ? url : "http://" + url, kOpenSeconds) ? "1" : "0";

    const UrlParts parts = SplitUrl(url);
    long connectMs = -1;
    if (parts.valid && !parts.host.empty()) {
        if (proxy.enabled) {
            connectMs = connector.ConnectVia(parts.host, parts.port, proxy.host, proxy.port,
                                             kConnectSeconds);
        } else {
            std::string address = parts.host;
            if (!IsDottedAddress(address)) resolver.Resolve(parts.host, kLookupLimitMs, address);
            if (!address.empty())
                connectMs = connector.Connect(address, parts.port, kConnectSeconds);
        }
    }
    // A connection that took less than a millisecond still succeeded; "0"
    // is what a failed one reads.
    r.TCPTimeDelay = connectMs < 0 ? "0" : std::to_string(std::max(connectMs, 1L));
    return r;
}

S_HttpInfo FailedRecord(const std::string& url, const RecordCopies& copies) {
    S_HttpInfo r;
    r.UserId = copies.account;
    r.NetTypeId = copies.netTypeId.empty() ? "0" : copies.netTypeId;
    r.Url = url;
    r.HTTPServiceability = "0";
    r.HTTPTimeDelay = "0";
    r.Result = "0";
    r.Type = "CLIENT";
    r.Version = copies.version;
    return r;
}

}  // namespace speedtest
