// The portable half of the probes: the parsers, the counter totals and the
// wildcard matcher. What each system reports is read in its own half.
#include "SysProbe.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/AppPath.h"

namespace zeva::probe {

namespace {

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> out;
    while (!text.empty()) {
        const auto nl = text.find('\n');
        out.push_back(text.substr(0, nl));
        if (nl == std::string_view::npos) break;
        text.remove_prefix(nl + 1);
    }
    return out;
}

std::vector<std::string> Words(std::string_view line) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : line) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!cur.empty()) out.push_back(std::move(cur)), cur.clear();
        } else {
            cur.push_back(c);
        }
    }
    if (!cur.empty()) out.push_back(std::move(cur));
    return out;
}

std::optional<std::uint64_t> ToU64(const std::string& s, int base = 10) {
    if (s.empty()) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(s.c_str(), &end, base);
    if (errno != 0 || end == s.c_str() || *end != '\0') return std::nullopt;
    return static_cast<std::uint64_t>(v);
}

std::string Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return std::string(s);
}

std::string DottedFromKernelHex(const std::string& hex) {
    const auto v = ToU64(hex, 16);
    if (!v || *v > 0xFFFFFFFFull) return {};
    // Stored in network order already: the bytes in memory are the address's.
    const auto word = static_cast<std::uint32_t>(*v);
    unsigned char b[4];
    std::memcpy(b, &word, 4);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return buf;
}

// "name: value value ..." of the per-interface tables; false for header
// lines (no colon, or '|' column titles).
bool SplitDeviceLine(std::string_view line, std::string& name, std::vector<std::string>& words) {
    const auto colon = line.find(':');
    if (colon == std::string_view::npos) return false;
    name = Trim(line.substr(0, colon));
    if (name.empty() || name.find('|') != std::string::npos) return false;
    words = Words(line.substr(colon + 1));
    return true;
}

}  // namespace

std::string SysPath(std::string_view absolute) {
    const char* root = std::getenv("ZEVA_SYSROOT");
    std::string out = root != nullptr ? root : "";
    out.append(absolute);
    return out;
}

bool UsingFixtureRoot() {
    const char* root = std::getenv("ZEVA_SYSROOT");
    return root != nullptr && *root != '\0';
}

std::optional<std::string> ReadText(const std::string& path) {
    std::ifstream in(zeva::PathFromUtf8(path), std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::optional<CpuTimes> ParseProcStat(std::string_view text) {
    for (auto line : Lines(text)) {
        auto w = Words(line);
        if (w.empty() || w[0] != "cpu") continue;
        // user nice system idle iowait irq softirq steal; guest time is already in user.
        CpuTimes t;
        std::uint64_t idle = 0;
        for (std::size_t i = 1; i < w.size() && i <= 8; ++i) {
            const auto v = ToU64(w[i]);
            if (!v) return std::nullopt;
            t.total += *v;
            if (i == 4 || i == 5) idle += *v;
        }
        if (w.size() < 5) return std::nullopt;
        t.busy = t.total - idle;
        return t;
    }
    return std::nullopt;
}

int CpuPercent(const CpuTimes& before, const CpuTimes& after) {
    if (after.total <= before.total || after.busy < before.busy) return 0;
    const std::uint64_t total = after.total - before.total;
    const std::uint64_t busy = std::min(after.busy - before.busy, total);
    return static_cast<int>((busy * 100 + total / 2) / total);
}

std::optional<MemInfo> ParseMemInfo(std::string_view text) {
    std::map<std::string, std::uint64_t> kb;
    for (auto line : Lines(text)) {
        auto w = Words(line);
        if (w.size() < 2 || w[0].back() != ':') continue;
        if (const auto v = ToU64(w[1])) kb[w[0].substr(0, w[0].size() - 1)] = *v;
    }
    if (!kb.count("MemTotal") || !kb.count("MemFree")) return std::nullopt;
    MemInfo m;
    m.totalBytes = kb["MemTotal"] * 1024;
    const std::uint64_t avail = kb.count("MemAvailable")
                                    ? kb["MemAvailable"]
                                    : kb["MemFree"] + kb["Buffers"] + kb["Cached"];
    m.availableBytes = std::min(avail * 1024, m.totalBytes);
    m.swapTotalBytes = kb["SwapTotal"] * 1024;
    m.swapFreeBytes = kb["SwapFree"] * 1024;
    return m;
}

std::vector<DevCounters> ParseNetDev(std::string_view text) {
    std::vector<DevCounters> out;
    for (auto line : Lines(text)) {
        std::string name;
        std::vector<std::string> w;
        if (!SplitDeviceLine(line, name, w)) continue;
        if (w.size() < 9) continue;
        const auto rx = ToU64(w[0]);
        const auto tx = ToU64(w[8]);
        if (!rx || !tx) continue;
        out.push_back({name, *rx, *tx});
    }
    return out;
}

std::vector<RouteEntry> ParseRoute(std::string_view text) {
    std::vector<RouteEntry> out;
    for (auto line : Lines(text)) {
        auto w = Words(line);
        if (w.size() < 8 || w[0] == "Iface") continue;
        RouteEntry e;
        e.iface = w[0];
        e.destination = DottedFromKernelHex(w[1]);
        e.gateway = DottedFromKernelHex(w[2]);
        const auto flags = ToU64(w[3], 16);
        e.mask = DottedFromKernelHex(w[7]);
        if (e.destination.empty() || e.gateway.empty() || e.mask.empty() || !flags) continue;
        e.flags = static_cast<unsigned>(*flags);
        out.push_back(std::move(e));
    }
    return out;
}

std::vector<WirelessEntry> ParseWireless(std::string_view text) {
    std::vector<WirelessEntry> out;
    for (auto line : Lines(text)) {
        std::string name;
        std::vector<std::string> w;
        if (!SplitDeviceLine(line, name, w)) continue;
        if (w.size() < 3) continue;
        WirelessEntry e;
        e.iface = name;
        // Values carry a trailing '.' when the driver updated them.
        e.quality = std::strtod(w[1].c_str(), nullptr);
        e.level = std::strtod(w[2].c_str(), nullptr);
        out.push_back(e);
    }
    return out;
}

int SignalLevel(const WirelessEntry& e) {
    if (e.level < 0) {
        if (e.level >= -55) return 5;
        if (e.level >= -66) return 4;
        if (e.level >= -77) return 3;
        if (e.level >= -88) return 2;
        return 1;
    }
    const double pct = std::clamp(e.quality / 70.0 * 100.0, 0.0, 100.0);
    if (pct >= 80) return 5;
    if (pct >= 60) return 4;
    if (pct >= 40) return 3;
    if (pct >= 20) return 2;
    return 1;
}

std::optional<CpuInfo> ParseCpuInfo(std::string_view text) {
    CpuInfo info;
    for (auto line : Lines(text)) {
        const auto colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string key = Trim(line.substr(0, colon));
        const std::string value = Trim(line.substr(colon + 1));
        if (key == "processor") ++info.processors;
        if (info.processors > 1) continue;  // the first processor describes them all
        if (key == "model name" || (key == "Model" && info.modelName.empty()))
            info.modelName = value;
        else if (key == "vendor_id")
            info.vendor = value;
        else if (key == "cpu family")
            info.family = static_cast<unsigned>(std::atoi(value.c_str()));
        else if (key == "model")
            info.model = static_cast<unsigned>(std::atoi(value.c_str()));
        else if (key == "stepping")
            info.stepping = static_cast<unsigned>(std::atoi(value.c_str()));
        else if (key == "Serial")
            info.serial = value;
    }
    // ARM kernels list "Serial" after the processors, outside any block.
    if (info.serial.empty()) {
        for (auto line : Lines(text)) {
            const auto colon = line.find(':');
            if (colon != std::string_view::npos && Trim(line.substr(0, colon)) == "Serial")
                info.serial = Trim(line.substr(colon + 1));
        }
    }
    if (info.processors == 0) return std::nullopt;
    return info;
}

std::string FormatMac(const unsigned char* bytes, std::size_t length) {
    if (length != 6) return {};
    char buf[18];
    std::snprintf(buf, sizeof buf, "%02X-%02X-%02X-%02X-%02X-%02X", bytes[0], bytes[1], bytes[2],
                  bytes[3], bytes[4], bytes[5]);
    return buf;
}

std::string FormatMac(std::string_view text) {
    unsigned char b[6];
    std::size_t n = 0;
    std::size_t i = 0;
    while (i < text.size() && n < 6) {
        if (i + 1 >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[i])) ||
            !std::isxdigit(static_cast<unsigned char>(text[i + 1])))
            return {};
        b[n++] = static_cast<unsigned char>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16));
        i += 2;
        if (n < 6) {
            if (i >= text.size() || (text[i] != ':' && text[i] != '-')) return {};
            ++i;
        }
    }
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    if (n != 6 || i != text.size()) return {};
    return FormatMac(b, 6);
}

void FluxAccumulator::Update(const std::vector<DevCounters>& counters) {
    std::map<std::string, DevCounters> now;
    for (const auto& c : counters) {
        const auto it = last_.find(c.name);
        if (it == last_.end()) {
            // A new interface: its traffic so far counts from its own zero.
            rx_ += c.rxBytes;
            tx_ += c.txBytes;
        } else {
            // A counter that went backwards was reset: count from its new zero.
            rx_ += c.rxBytes >= it->second.rxBytes ? c.rxBytes - it->second.rxBytes : c.rxBytes;
            tx_ += c.txBytes >= it->second.txBytes ? c.txBytes - it->second.txBytes : c.txBytes;
        }
        now[c.name] = c;
    }
    last_ = std::move(now);
}

std::string MemoryText(std::uint64_t totalBytes) {
    char buf[32];
    const double mb = static_cast<double>(totalBytes) / (1024.0 * 1024.0);
    if (mb >= 1024.0)
        std::snprintf(buf, sizeof buf, "%.1fGB", mb / 1024.0);
    else
        std::snprintf(buf, sizeof buf, "%.0fMB", mb);
    return buf;
}

namespace {

// One character of UTF-8 text at `i` (a lead byte with its continuation
// bytes), as a number; ASCII letters folded to lower case.
std::uint32_t NextChar(std::string_view s, std::size_t& i) {
    auto c = static_cast<unsigned char>(s[i++]);
    if (c < 0x80) return static_cast<std::uint32_t>(std::tolower(c));
    std::uint32_t v = c;
    while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80)
        v = (v << 8) | static_cast<unsigned char>(s[i++]);
    return v;
}

// Matches the set starting after '[' at `p`; `p` moves past its ']'. false
// in `closed` when the set has no end (the '[' is then an ordinary character).
bool MatchSet(std::string_view pattern, std::size_t& p, std::uint32_t c, bool& closed) {
    std::size_t i = p;
    bool negate = false;
    if (i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^')) {
        negate = true;
        ++i;
    }
    bool found = false;
    bool first = true;
    while (i < pattern.size() && (pattern[i] != ']' || first)) {
        first = false;
        const std::uint32_t lo = NextChar(pattern, i);
        std::uint32_t hi = lo;
        if (i + 1 < pattern.size() && pattern[i] == '-' && pattern[i + 1] != ']') {
            ++i;
            hi = NextChar(pattern, i);
        }
        if (lo <= c && c <= hi) found = true;
    }
    closed = i < pattern.size();
    if (closed) p = i + 1;
    return found != negate;
}

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    std::size_t p = 0, n = 0;
    // Where the last '*' was and how much of the name it has taken so far.
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = ++p;
            starN = n;
            continue;
        }
        std::size_t next = n;
        const std::uint32_t c = NextChar(name, next);
        bool ok = false;
        std::size_t afterP = p;
        if (p < pattern.size()) {
            if (pattern[p] == '?') {
                ok = true;
                afterP = p + 1;
            } else if (pattern[p] == '[') {
                afterP = p + 1;
                bool closed = false;
                ok = MatchSet(pattern, afterP, c, closed);
                if (!closed) {
                    afterP = p + 1;
                    ok = c == '[';
                }
            } else {
                ok = NextChar(pattern, afterP) == c;
            }
        }
        if (ok) {
            p = afterP;
            n = next;
        } else if (starP != std::string_view::npos) {
            // Let the last '*' take one more character and try again.
            p = starP;
            NextChar(name, starN);
            n = starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace zeva::probe
