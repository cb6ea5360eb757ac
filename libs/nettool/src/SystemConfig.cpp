#include "SystemConfig.h"

#include "platform/Clock.h"

namespace {

// Long enough for the kernel's tick counters to move at 100 Hz.
constexpr std::uint32_t kFirstSampleMs = 250;

std::optional<zeva::probe::CpuTimes> ReadCpu() {
    return zeva::probe::ReadCpuTimes();
}

}  // namespace

int CSystemConfig::GetCpuUsage(int& percent, std::string& error) {
    percent = 0;
    auto now = ReadCpu();
    if (!now) {
        error = "cannot read the processor times";
        return -1;
    }
    if (!last_) {
        last_ = now;
        zeva::Sleep(kFirstSampleMs);
        now = ReadCpu();
        if (!now) {
            error = "cannot read the processor times";
            return -1;
        }
    }
    percent = zeva::probe::CpuPercent(*last_, *now);
    last_ = now;
    return 0;
}

int CSystemConfig::GetMemoryStatus(COMMON_MemoryStatus& status, std::string& error) {
    status = {};
    const auto mem = zeva::probe::ReadMemInfo();
    if (!mem || mem->totalBytes == 0) {
        error = "cannot read the memory status";
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
