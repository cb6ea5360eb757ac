#pragma once
// The parts of a web address as a user types it ("www.a.test",
// "http://user:pw@host:8080/path"), read the way the transfer library reads
// it, so that what is timed is the host the page was fetched from.

#include <string>

namespace zeva {

struct WebAddress {
    std::string scheme;       // "http" when none was typed
    std::string host;         // after any user part; an IPv6 address without brackets
    unsigned short port = 0;  // 0: none given (or 0)
    std::string path = "/";
};

// 0, or -1 with a reason in `error` when `text` is no web address with a
// host (a port outside 1-65535, blanks, no host at all).
int SplitWebAddress(const std::string& text, WebAddress& out, std::string& error);

}  // namespace zeva
