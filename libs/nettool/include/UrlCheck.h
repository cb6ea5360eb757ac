#pragma once
// Whether a web address can be opened: the page is fetched afresh (no cache)
// through the user's proxy, following redirects.

#include <string>

namespace zeva {

// 0 when the address answers with a page (status below 400), -1 with a
// reason in `error` when it cannot be opened within `timeoutSeconds`.
int CheckUrlReachable(const std::string& url, std::string& error, long timeoutSeconds = 10);

}  // namespace zeva
