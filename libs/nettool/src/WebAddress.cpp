#include "WebAddress.h"

#include <curl/curl.h>

#include <memory>

namespace zeva {

namespace {

struct UrlFree {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};

// One part of a parsed address; empty when it has none.
std::string Part(CURLU* url, CURLUPart part) {
    char* text = nullptr;
    if (curl_url_get(url, part, &text, 0) != CURLUE_OK || text == nullptr) return {};
    std::string out(text);
    curl_free(text);
    return out;
}

}  // namespace

int SplitWebAddress(const std::string& text, WebAddress& out, std::string& error) {
    out = {};
    std::unique_ptr<CURLU, UrlFree> url(curl_url());
    if (!url) {
        error = "out of memory";
        return -1;
    }
    // An address typed without a scheme is a web page, as the engine fetches it.
    const std::string full = text.find("://") == std::string::npos ? "http://" + text : text;
    const CURLUcode rc =
        curl_url_set(url.get(), CURLUPART_URL, full.c_str(), CURLU_NON_SUPPORT_SCHEME);
    if (rc != CURLUE_OK) {
        error = std::string("not a web address: ") + curl_url_strerror(rc);
        return -1;
    }
    out.scheme = Part(url.get(), CURLUPART_SCHEME);
    out.host = Part(url.get(), CURLUPART_HOST);
    if (out.host.size() > 2 && out.host.front() == '[' && out.host.back() == ']')
        out.host = out.host.substr(1, out.host.size() - 2);
    if (out.host.empty()) {
        error = "the address has no host";
        return -1;
    }
    // The library has checked the port: digits only, at most 65535.
    const std::string port = Part(url.get(), CURLUPART_PORT);
    if (!port.empty()) out.port = static_cast<unsigned short>(std::stoul(port));
    const std::string path = Part(url.get(), CURLUPART_PATH);
    if (!path.empty()) out.path = path;
    return 0;
}

}  // namespace zeva
