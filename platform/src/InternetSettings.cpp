#include "platform/InternetSettings.h"

#include <cstdlib>

#include "platform/Registry.h"

namespace zeva {

std::string ProxyServerFromUrl(const std::string& url) {
    std::string s = url;
    if (const auto scheme = s.find("://"); scheme != std::string::npos) s.erase(0, scheme + 3);
    if (const auto slash = s.find('/'); slash != std::string::npos) s.erase(slash);
    if (const auto at = s.rfind('@'); at != std::string::npos) s.erase(0, at + 1);
    return s;
}

InternetProxySettings ReadInternetProxySettings() {
    InternetProxySettings out;
    if (auto key = RegistryKey::Open(RegistryHive::CurrentUser, kInternetSettingsKey)) {
        out.keyFound = true;
        out.proxyEnable = key->QueryDword("ProxyEnable");
        out.proxyServer = key->QueryString("ProxyServer");
        return out;
    }
    for (const char* name : {"http_proxy", "HTTP_PROXY"}) {
        const char* env = std::getenv(name);
        if (env == nullptr || *env == '\0') continue;
        const std::string server = ProxyServerFromUrl(env);
        if (server.empty()) continue;
        out.keyFound = true;
        out.proxyEnable = 1;
        out.proxyServer = server;
        break;
    }
    return out;
}

}  // namespace zeva
