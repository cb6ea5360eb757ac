#include "AdLinkOpener.h"

#include <cctype>
#include <cstdio>

namespace toolbox {

namespace {

bool StartsWithNoCase(const std::string& s, const char* prefix) {
    std::size_t i = 0;
    for (; prefix[i] != '\0'; ++i) {
        if (i >= s.size()) return false;
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
    }
    return true;
}

}  // namespace

bool IsWebAddress(const std::string& link) {
    std::size_t rest = 0;
    if (StartsWithNoCase(link, "http://")) {
        rest = 7;
    } else if (StartsWithNoCase(link, "https://")) {
        rest = 8;
    } else {
        return false;
    }
    if (rest >= link.size() || link[rest] == '/' || link[rest] == '\\') return false;
    for (const char c : link) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7F) return false;
    }
    return true;
}

}  // namespace toolbox
