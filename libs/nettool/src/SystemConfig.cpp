#include "SystemConfig.h"

#include "platform/Clock.h"

namespace {

// Long enough for the kernel's tick counters to move at 100 Hz.
constexpr std::uint32_t kFirstSampleMs = 250;

std::optional<zeva::probe::CpuTimes> ReadCpu() {
    const auto text = zeva::probe::ReadText(zeva::probe::SysPath("/proc/stat"));
    return text ? zeva::probe::ParseProcStat(*text) : std::nullopt;
}

}  // namespace

int CSystemConfig::GetCpuUsage(int& percent, std::string& error) {
    percent = 0;
    auto now = ReadCpu();
    if (!now) {
        error = "cannot read /proc/stat";
        return -1;
    }
    if (!last_) {
        last_ = now;
        zeva::Sleep(kFirstSampleMs);
        now = ReadCpu();
        if (!now) {
            error = "cannot read /proc/stat";
            return -1;
        }
    }
    percent = zeva::probe::CpuPercent(*last_, *now);
    last_ = now;
    return 0;
}

int CSystemConfig::GetMemoryStatus(COMMON_MemoryStatus& status, std::string& error) {
    status = {};
    const auto text = zeva::probe::ReadText(zeva::probe::SysPath("/proc/meminfo"));
    const auto mem = text ? zeva::probe::ParseMemInfo(*text) : std::nullopt;
    if (!mem || mem->totalBytes == 0) {
        error = "cannot read /proc/meminfo";
        return -1;
    }
    status.ullTotalPhys = mem->totalBytes;
    status.ullAvailPhys = mem->availableBytes;
    status.ullTotalPageFile = mem->swapTotalBytes;
    status.ullAvailPageFile = mem->swapFreeBytes;
    status.dwMemoryLoad =
        static_cast<std::uint32_t>((mem->totalBytes - mem->availableBytes) * 100 / mem->totalBytes);
    return 0;
}
