#include "SpeedCalc.h"

#include <cstdio>

#include "platform/CodePage.h"

using zeva::Acp;

namespace speedtest {

namespace {

template <class... Args>
std::string Format(const char* format, Args... args) {
    char text[128];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

}  // namespace

unsigned RateOver(std::uint32_t bytes, std::uint32_t elapsedMs) {
    if (elapsedMs == 0) return 0;
    return static_cast<unsigned>(static_cast<double>(bytes) * 1000.0 /
                                 (static_cast<double>(elapsedMs) * 1024.0));
}

std::string LiveRateText(unsigned kb) {
    if (kb < 1024) return Format("%u%s", kb, "KB/S");
    if (kb < 1048576) return Format("%.1f%s", kb / 1024.0, "MB/S");
    return Format("%0.1f%s", kb / 1048576.0, "GB/S");
}

std::string AverageText(unsigned kb) {
    if (kb < 1024) return Format(Acp("%uKB/秒").c_str(), kb);
    return Format(Acp("%.1fMB/秒").c_str(), kb / 1024.0);
}

std::string LineRateText(unsigned kb) {
    return Format(Acp("约为%.1fM宽带").c_str(), static_cast<double>(kb) * 8.0 / 1024.0);
}

int ContractedKbits(const std::string& maxValue) {
    // Leading decimal digits, as atoi reads them, without its overflow.
    std::size_t i = 0;
    while (i < maxValue.size() && (maxValue[i] == ' ' || maxValue[i] == '\t')) ++i;
    long long value = 0;
    for (; i < maxValue.size() && maxValue[i] >= '0' && maxValue[i] <= '9'; ++i) {
        value = value * 10 + (maxValue[i] - '0');
        if (value > 0x7FFFFFFF) return 0x7FFFFFFF;
    }
    return value > 0 ? static_cast<int>(value) : 4096;
}

Rating RateLine(unsigned average, int contracted) {
    const double ratio = static_cast<double>(average) * 8.0 / static_cast<double>(contracted);
    if (ratio > 0.8) return Rating::Good;
    if (ratio > 0.6) return Rating::Fair;
    return Rating::Slow;
}

std::string RatingWord(Rating rating) {
    switch (rating) {
        case Rating::Good:
            return Acp("很好");
        case Rating::Fair:
            return Acp("一般");
        case Rating::Slow:
            break;
    }
    return Acp("偏慢");
}

std::string RatingAdvice(Rating rating) {
    switch (rating) {
        case Rating::Good:
            return Acp("您的上网速度非常理想，能够正常完成各种互联网应用。");
        case Rating::Fair:
            return Acp("您可以尝试在不同时段多次测试，以保证测试结果的准确。");
        case Rating::Slow:
            break;
    }
    return Acp("您可以尝试在不同时段多次测试，或打开网速分析报告来找查找原因。");
}

unsigned OtherDownRate(unsigned down, unsigned engine) {
    const double expected = engine / 0.93;
    return down > expected ? static_cast<unsigned>(down - expected) : 0;
}

std::vector<std::string> DeviceAddresses(const std::vector<LanDevice>& devices) {
    std::vector<std::string> ips;
    ips.reserve(devices.size());
    for (const LanDevice& d : devices) ips.push_back(d.Ip);
    return ips;
}

unsigned LanDeviceCount(int scanned, const std::vector<std::string>& answered,
                        const std::string& localIp, const std::vector<AdapterFacts>& adapters) {
    if (scanned <= 0) return 0;
    unsigned count = static_cast<unsigned>(scanned);
    for (const AdapterFacts& a : adapters) {
        if (a.addresses.empty() || a.addresses.front() != localIp) continue;
        if (!a.gateways.empty()) {
            for (const std::string& ip : answered) {
                if (ip == a.gateways.front()) {
                    --count;
                    break;
                }
            }
        }
        break;
    }
    return count;
}

std::string MachineAddress(const std::vector<AdapterFacts>& adapters) {
    for (const AdapterFacts& a : adapters) {
        if (!a.mac.empty() && a.mac != "00-00-00-00-00-00") return a.mac;
    }
    return "";
}

ReportLine CpuLine(unsigned percent) {
    if (percent > 80) return {Format(Acp("CPU占用：%u%% 偏高").c_str(), percent), true};
    return {Format(Acp("CPU占用：%u%% 正常").c_str(), percent), false};
}

ReportLine MemoryLine(unsigned percent) {
    if (percent > 80) return {Format(Acp("内存占用：%u%% 偏高").c_str(), percent), true};
    return {Format(Acp("内存占用：%u%% 正常").c_str(), percent), false};
}

ReportLine LanLine(bool several) {
    if (several) return {Acp("局域网内有多台设备共享网络"), true};
    return {Acp("局域网内无多人共享"), false};
}

ReportLine TrafficLine(unsigned other) {
    if (other > 20) return {Format(Acp("宽带占用 %uKB/S").c_str(), other), true};
    return {Acp("宽带占用 无程序占用"), false};
}

ReportLine ProxyLine(bool proxy) {
    if (proxy) return {Acp("代理设置 有代理服务器设置"), true};
    return {Acp("代理设置  无代理设置"), false};
}

}  // namespace speedtest
