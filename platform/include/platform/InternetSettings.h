#pragma once
// The current user's proxy, as the Internet Settings of the registry store
// name it ("ProxyEnable", "ProxyServer" under HKCU
// Software\Microsoft\Windows\CurrentVersion\Internet Settings). When that key
// does not exist, the proxy comes from the http_proxy / HTTP_PROXY
// environment variables, as Linux users set it.

#include <cstdint>
#include <optional>
#include <string>

namespace zeva {

inline constexpr char kInternetSettingsKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

struct InternetProxySettings {
    bool keyFound = false;                     // the settings (or the environment) exist
    std::optional<std::uint32_t> proxyEnable;  // "ProxyEnable", when readable
    std::optional<std::string> proxyServer;    // "ProxyServer" ("host:port"), when readable
};

// Read afresh at every call, so a change takes effect at once.
InternetProxySettings ReadInternetProxySettings();

// "host:port" from a proxy URL such as "http://user@host:3128/"; empty when unusable.
std::string ProxyServerFromUrl(const std::string& url);

}  // namespace zeva
