// The probes' Linux half: the kernel's /proc and /sys files (under
// ZEVA_SYSROOT when a fixture tree stands in for the machine).
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "SysProbe.h"

namespace zeva::probe {

std::vector<std::string> RealInterfaces() {
    namespace fs = std::filesystem;
    std::vector<std::pair<long, std::string>> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(SysPath("/sys/class/net"), ec)) {
        const std::string name = entry.path().filename().string();
        const std::string base = entry.path().string();
        const auto type = ReadText(base + "/type");
        // ARPHRD_LOOPBACK
        if (name == "lo" || (type && std::atoi(type->c_str()) == 772)) continue;
        const auto index = ReadText(base + "/ifindex");
        found.emplace_back(index ? std::atol(index->c_str()) : 0, name);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> out;
    for (auto& f : found) out.push_back(std::move(f.second));
    return out;
}

std::optional<CpuTimes> ReadCpuTimes() {
    const auto text = ReadText(SysPath("/proc/stat"));
    return text ? ParseProcStat(*text) : std::nullopt;
}

std::optional<MemInfo> ReadMemInfo() {
    const auto text = ReadText(SysPath("/proc/meminfo"));
    return text ? ParseMemInfo(*text) : std::nullopt;
}

std::optional<std::vector<DevCounters>> ReadRealInterfaceCounters() {
    const auto text = ReadText(SysPath("/proc/net/dev"));
    if (!text) return std::nullopt;
    auto counters = ParseNetDev(*text);
    const auto real = RealInterfaces();
    std::erase_if(counters, [&](const DevCounters& c) {
        return c.name == "lo" || std::find(real.begin(), real.end(), c.name) == real.end();
    });
    return counters;
}

}  // namespace zeva::probe
