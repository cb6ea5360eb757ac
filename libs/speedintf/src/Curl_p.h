#pragma once
// libcurl set-up shared by the engines.

#include <curl/curl.h>

#include <mutex>
#include <string>

namespace zeva::speed {

inline void EnsureCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Options every engine transfer shares: no signals, the proxy choice (an
// empty proxy means direct, whatever the environment says), fresh content.
inline void CommonOptions(CURL* h, const std::string& proxy, curl_slist* headers) {
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROXY, proxy.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_USERAGENT, "ZEVASpeed/1.0");
}

inline curl_slist* NoCacheHeaders() {
    curl_slist* h = curl_slist_append(nullptr, "Cache-Control: no-cache");
    return curl_slist_append(h, "Pragma: no-cache");
}

}  // namespace zeva::speed
