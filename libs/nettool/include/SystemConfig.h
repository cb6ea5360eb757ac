#pragma once
// Processor and memory load of the machine.

#include <cstdint>
#include <optional>
#include <string>

#include "SysProbe.h"

struct COMMON_MemoryStatus {
    std::uint64_t ullTotalPhys = 0;
    std::uint64_t ullAvailPhys = 0;
    std::uint64_t ullTotalPageFile = 0;  // swap
    std::uint64_t ullAvailPageFile = 0;
    std::uint32_t dwMemoryLoad = 0;  // percent in use
};

class CSystemConfig {
public:
    // Processor load in percent since the previous call on this object; the
    // first call measures over a short interval on the program clock.
    // 0, or -1 with a reason in `error`.
    int GetCpuUsage(int& percent, std::string& error);
    int GetMemoryStatus(COMMON_MemoryStatus& status, std::string& error);

private:
    std::optional<zeva::probe::CpuTimes> last_;
};
