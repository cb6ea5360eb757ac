#include "UrlCheck.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

#include "IEMgr.h"

namespace zeva {

namespace {

// Only the answer's status matters: the body is not read.
size_t StopAtBody(char*, size_t, size_t, void*) {
    return 0;
}

}  // namespace

int CheckUrlReachable(const std::string& url, std::string& error, long timeoutSeconds) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    if (url.empty()) {
        error = "empty address";
        return -1;
    }
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) {
        error = "out of memory";
        return -1;
    }
    const std::string proxy = UserProxyUrl();
    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, "Cache-Control: no-cache");
    headers = curl_slist_append(headers, "Pragma: no-cache");
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headerList(headers,
                                                                           curl_slist_free_all);
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_PROXY, proxy.c_str());  // "" = direct, ignoring the environment
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, timeoutSeconds);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, StopAtBody);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    const CURLcode rc = curl_easy_perform(h);
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    if (rc != CURLE_OK && !(rc == CURLE_WRITE_ERROR && status > 0)) {
        error = curl_easy_strerror(rc);
        return -1;
    }
    if (status >= 400 || status == 0) {
        error = "HTTP status " + std::to_string(status);
        return -1;
    }
    return 0;
}

}  // namespace zeva
