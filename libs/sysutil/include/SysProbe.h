#pragma once
// The system probes: what the processor, memory and network interfaces
// report, read from the kernel's /proc and /sys files on Linux and from the
// IP helper and system information functions on Windows. Each parser takes
// the file's text, so it can be checked against fixtures; SysPath lets a
// whole fixture tree stand in for the live Linux system.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zeva::probe {

// `absolute` under the root named by ZEVA_SYSROOT (unset: the live system).
std::string SysPath(std::string_view absolute);
// True when ZEVA_SYSROOT names a fixture tree.
bool UsingFixtureRoot();
// The whole file (a UTF-8 path), or nullopt when it cannot be read.
std::optional<std::string> ReadText(const std::string& path);

struct CpuTimes {
    std::uint64_t busy = 0;
    std::uint64_t total = 0;
};
// The aggregate "cpu" line of /proc/stat.
std::optional<CpuTimes> ParseProcStat(std::string_view text);
// Load in percent (0-100) between two readings; 0 when no time passed.
int CpuPercent(const CpuTimes& before, const CpuTimes& after);

struct MemInfo {
    std::uint64_t totalBytes = 0;
    std::uint64_t availableBytes = 0;
    std::uint64_t swapTotalBytes = 0;
    std::uint64_t swapFreeBytes = 0;
};
// /proc/meminfo; older kernels without MemAvailable count free + buffers + cached.
std::optional<MemInfo> ParseMemInfo(std::string_view text);

struct DevCounters {
    std::string name;
    std::uint64_t rxBytes = 0;
    std::uint64_t txBytes = 0;
};
// /proc/net/dev, every interface in file order.
std::vector<DevCounters> ParseNetDev(std::string_view text);

struct RouteEntry {
    std::string iface;
    std::string destination;  // dotted text
    std::string gateway;
    std::string mask;
    unsigned flags = 0;
};
// /proc/net/route (addresses as the kernel stores them: network byte order).
std::vector<RouteEntry> ParseRoute(std::string_view text);

struct WirelessEntry {
    std::string iface;
    double quality = 0;
    double level = 0;
};
// /proc/net/wireless.
std::vector<WirelessEntry> ParseWireless(std::string_view text);
// Signal level 1 (poor) to 5 (excellent) from a wireless entry: the level in
// dBm where the driver gives one, otherwise the link quality out of 70.
int SignalLevel(const WirelessEntry& entry);

struct CpuInfo {
    std::string modelName;
    int processors = 0;
    std::string vendor;
    unsigned family = 0, model = 0, stepping = 0;
    std::string serial;  // "Serial" of ARM boards, when present
};
std::optional<CpuInfo> ParseCpuInfo(std::string_view text);

// "aa:bb:cc:dd:ee:ff" (any case) as "AA-BB-CC-DD-EE-FF"; empty when malformed.
std::string FormatMac(std::string_view colonText);
std::string FormatMac(const unsigned char* bytes, std::size_t length);

// Sums per-interface byte counters into two running 32-bit totals that wrap
// like the Windows counters callers subtract. The totals move by each
// interface's own increase, so an interface that appears, vanishes or has
// its counters reset does not make them jump.
class FluxAccumulator {
public:
    void Update(const std::vector<DevCounters>& counters);
    std::uint32_t Received() const { return static_cast<std::uint32_t>(rx_); }
    std::uint32_t Sent() const { return static_cast<std::uint32_t>(tx_); }

private:
    std::map<std::string, DevCounters> last_;
    std::uint64_t rx_ = 0;
    std::uint64_t tx_ = 0;
};

// Interfaces that carry real traffic (not loopback), by index: the names of
// /sys/class/net on Linux, the adapter names on Windows.
std::vector<std::string> RealInterfaces();

// The system's figures, nullopt when they cannot be read: processor times
// since start, physical memory and swap (the page file on Windows), and the
// byte counters of the real interfaces.
std::optional<CpuTimes> ReadCpuTimes();
std::optional<MemInfo> ReadMemInfo();
std::optional<std::vector<DevCounters>> ReadRealInterfaceCounters();

// Installed memory as the probes show it: "7.7GB", or "512MB" below a gigabyte.
std::string MemoryText(std::uint64_t totalBytes);

// Whether a file name matches a wildcard pattern: '*' any run, '?' one
// character, '[...]' one of a set with ranges ('!' or '^' first negates);
// ASCII letters match in either case. Both are UTF-8; a multi-byte
// character counts as one for '?'.
bool WildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace zeva::probe
