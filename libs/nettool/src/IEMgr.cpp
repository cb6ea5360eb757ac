#include "IEMgr.h"

#include <cstdlib>

#include "platform/InternetSettings.h"

namespace zeva {

COMMON_ServerAddress ParseProxyServer(const std::string& text) {
    std::string s = text;
    if (s.find('=') != std::string::npos) {
        // Per-protocol list: the http entry serves plain web traffic.
        std::string chosen;
        std::size_t pos = 0;
        while (pos <= s.size()) {
            auto end = s.find(';', pos);
            if (end == std::string::npos) end = s.size();
            const std::string item = s.substr(pos, end - pos);
            const auto eq = item.find('=');
            if (eq != std::string::npos && item.substr(0, eq) == "http")
                chosen = item.substr(eq + 1);
            pos = end + 1;
        }
        s = chosen;
    }
    if (const auto scheme = s.find("://"); scheme != std::string::npos) s.erase(0, scheme + 3);
    while (!s.empty() && (s.back() == '/' || s.back() == ' ')) s.pop_back();
    COMMON_ServerAddress out;
    const auto colon = s.rfind(':');
    if (colon == std::string::npos) {
        out.Address = s;
        return out;
    }
    out.Address = s.substr(0, colon);
    const std::string port = s.substr(colon + 1);
    char* end = nullptr;
    const long v = std::strtol(port.c_str(), &end, 10);
    if (!port.empty() && *end == '\0' && v > 0 && v <= 65535)
        out.Port = static_cast<unsigned short>(v);
    return out;
}

std::string UserProxyUrl() {
    COMMON_ServerAddress proxy;
    bool enabled = false;
    std::string error;
    if (CIEMgr::GetIEProxy(proxy, enabled, error) != 0 || !enabled) return {};
    return "http://" + proxy.Address + ":" + std::to_string(proxy.Port == 0 ? 80 : proxy.Port);
}

}  // namespace zeva

int CIEMgr::GetIEProxy(COMMON_ServerAddress& proxy, bool& enabled, std::string& error) {
    proxy = {};
    enabled = false;
    try {
        const auto settings = zeva::ReadInternetProxySettings();
        if (!settings.keyFound || settings.proxyEnable.value_or(0) == 0) return 0;
        proxy = zeva::ParseProxyServer(settings.proxyServer.value_or(""));
        if (proxy.Address.empty()) {
            error = "a proxy is switched on but no proxy server is set";
            return -1;
        }
        enabled = true;
        return 0;
    } catch (const std::exception& e) {
        error = e.what();
        return -1;
    }
}
