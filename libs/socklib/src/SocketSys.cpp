// The parts of the socket layer that need no system call.
#include "SocketSys.h"

#include <charconv>

namespace zeva::sock {

std::optional<std::uint32_t> ParseIpv4(std::string_view dotted) {
    std::uint32_t ip = 0;
    const char* p = dotted.data();
    const char* end = p + dotted.size();
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (p == end || *p != '.') return std::nullopt;
            ++p;
        }
        // One to three decimal digits, no leading zeros (they read as octal elsewhere).
        if (p == end || *p < '0' || *p > '9') return std::nullopt;
        if (*p == '0' && p + 1 != end && p[1] >= '0' && p[1] <= '9') return std::nullopt;
        unsigned value = 0;
        const auto [next, ec] = std::from_chars(p, end, value);
        if (ec != std::errc() || value > 255 || next - p > 3) return std::nullopt;
        p = next;
        ip = (ip << 8) | value;
    }
    if (p != end) return std::nullopt;
    return ip;
}

std::string Ipv4Text(std::uint32_t ip) {
    return std::to_string(ip >> 24) + "." + std::to_string((ip >> 16) & 0xFF) + "." +
           std::to_string((ip >> 8) & 0xFF) + "." + std::to_string(ip & 0xFF);
}

bool WaitFor(Handle s, unsigned wanted, int timeoutMs) {
    PollEntry e{s, wanted, 0};
    // An error or hang-up counts: the next call on the socket tells which.
    return Poll(&e, 1, timeoutMs) > 0 && e.ready != 0;
}

}  // namespace zeva::sock
