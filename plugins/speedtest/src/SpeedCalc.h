#pragma once
// The arithmetic and the texts of a download test: live and average rates,
// the rating against the contracted rate, the facts of the end-of-test
// analysis and the lines of the analysis report. Texts are in the system
// code page.

#include <cstdint>
#include <string>
#include <vector>

#include "PlugSettings.h"

namespace speedtest {

// KB/s of `bytes` received in `elapsedMs` (truncated); 0 when no time passed.
unsigned RateOver(std::uint32_t bytes, std::uint32_t elapsedMs);

// The live rate: "1023KB/S", "1.0MB/S", "1.0GB/S".
std::string LiveRateText(unsigned kbPerSecond);
// The average: "512KB/秒" below 1024 KB/s, else "1.0MB/秒".
std::string AverageText(unsigned kbPerSecond);
// The line the average amounts to: "约为8.0M宽带".
std::string LineRateText(unsigned kbPerSecond);

// The contracted rate in kbit/s from the network type's MaxValue (decimal
// text); 4096 when it does not read as a positive number.
int ContractedKbits(const std::string& maxValue);

enum class Rating { Good, Fair, Slow };
Rating RateLine(unsigned averageKbPerSecond, int contractedKbits);
std::string RatingWord(Rating rating);
std::string RatingAdvice(Rating rating);

// Traffic of other programs: what the machine received beyond what the
// engine counted (its rate is about 93 % of the bytes on the wire).
unsigned OtherDownRate(unsigned machineDownRate, unsigned engineRate);

// Devices on the local network other than this computer's gateway: the
// scan's count, less one when the gateway of the adapter carrying
// `localIp` answered the scan. A failed scan (-1) counts none.
// The addresses of a scan's devices.
std::vector<std::string> DeviceAddresses(const std::vector<LanDevice>& devices);
unsigned LanDeviceCount(int scanned, const std::vector<std::string>& answered,
                        const std::string& localIp, const std::vector<AdapterFacts>& adapters);

// The hardware address of the first adapter that has a real one, or "".
std::string MachineAddress(const std::vector<AdapterFacts>& adapters);

struct ReportLine {
    std::string text;
    bool hint = false;  // its hint line is shown
};
ReportLine CpuLine(unsigned percent);
ReportLine MemoryLine(unsigned percent);
ReportLine LanLine(bool severalDevices);
ReportLine TrafficLine(unsigned otherKbPerSecond);
ReportLine ProxyLine(bool proxySet);

}  // namespace speedtest
