#include "NetNames.h"
#include "platform/CodePage.h"

namespace zeva::netnames {

namespace {

// Decodes one UTF-8 sequence at `i`; -1 when it is not valid UTF-8.
long DecodeUtf8(std::string_view s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int extra = 0;
    long cp = 0;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
        cp = b0 & 0x07;
    } else {
        return -1;
    }
    if (i + static_cast<std::size_t>(extra) >= s.size()) return -1;
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((b & 0xC0) != 0x80) return -1;
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr long kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
    i += static_cast<std::size_t>(extra) + 1;
    return cp;
}

bool ValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        if (DecodeUtf8(s, i) < 0) return false;
    }
    return true;
}

void AppendUtf8(std::string& out, long cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool IsControl(long cp) {
    // C0, DEL, C1, and the invisible format marks that can reorder or hide text.
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || (cp >= 0x200B && cp <= 0x200F) ||
           (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069) || cp == 0xFEFF;
}

}  // namespace

std::string CleanName(std::string_view raw) {
    if (const auto nul = raw.find('\0'); nul != std::string_view::npos) raw = raw.substr(0, nul);
    const std::string utf8 = ValidUtf8(raw) ? std::string(raw) : AcpToUtf8(raw);
    std::string kept;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < utf8.size() && chars < kMaxNameChars;) {
        const long cp = DecodeUtf8(utf8, i);
        if (cp < 0) break;  // the code-page conversion gave something odd: stop there
        if (IsControl(cp)) continue;
        AppendUtf8(kept, cp);
        ++chars;
    }
    while (!kept.empty() && (kept.back() == ' ' || kept.back() == '.')) kept.pop_back();
    std::size_t start = 0;
    while (start < kept.size() && kept[start] == ' ') ++start;
    return Utf8ToAcp(kept.substr(start));
}

}  // namespace zeva::netnames
