// The hardware texts on Linux: /proc/cpuinfo, the disks of /sys/block and
// udev's names for them.
#include "HardwareInfo.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "SysProbe.h"
#include "platform/CodePage.h"

namespace {

using zeva::probe::ReadText;
using zeva::probe::SysPath;

std::string Clean(std::string s) {
    std::erase_if(s, [](char c) { return c == '\n' || c == '\r' || c == '\0'; });
    while (!s.empty() && s.back() == ' ') s.pop_back();
    while (!s.empty() && s.front() == ' ') s.erase(0, 1);
    return s;
}

bool IsPhysicalDisk(const std::string& name) {
    for (const char* virt : {"loop", "ram", "zram", "dm-", "md", "sr", "nbd", "fd"})
        if (name.rfind(virt, 0) == 0) return false;
    return true;
}

std::string DiskSerial() {
    namespace fs = std::filesystem;
    std::error_code ec;
    std::vector<std::string> disks;
    for (const auto& e : fs::directory_iterator(SysPath("/sys/block"), ec))
        if (IsPhysicalDisk(e.path().filename().string())) disks.push_back(e.path().string());
    std::sort(disks.begin(), disks.end());
    for (const auto& d : disks) {
        for (const char* file : {"/device/serial", "/serial", "/device/vpd_pg80"}) {
            std::string s = Clean(ReadText(d + file).value_or(""));
            // The unit serial page starts with a four-byte header.
            if (std::string(file) == "/device/vpd_pg80" && s.size() > 4) s = Clean(s.substr(4));
            if (!s.empty()) return s;
        }
    }
    // udev names disks by model and serial: ata-MODEL_SERIAL.
    std::vector<std::string> ids;
    for (const auto& e : fs::directory_iterator(SysPath("/dev/disk/by-id"), ec)) {
        const std::string n = e.path().filename().string();
        if ((n.rfind("ata-", 0) == 0 || n.rfind("nvme-", 0) == 0 || n.rfind("scsi-", 0) == 0) &&
            n.find("-part") == std::string::npos)
            ids.push_back(n);
    }
    std::sort(ids.begin(), ids.end());
    for (const auto& n : ids) {
        const auto us = n.rfind('_');
        if (us != std::string::npos && us + 1 < n.size()) return n.substr(us + 1);
    }
    return {};
}

std::string ProcessorId(const std::optional<zeva::probe::CpuInfo>& info) {
#if defined(__x86_64__) || defined(__i386__)
    if (!zeva::probe::UsingFixtureRoot()) {
        unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
        if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0) {
            char buf[17];
            std::snprintf(buf, sizeof buf, "%08X%08X", edx, eax);
            return buf;
        }
    }
#endif
    if (!info) return {};
    if (!info->serial.empty()) return info->serial;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s-%u-%u-%u",
                  info->vendor.empty() ? "CPU" : info->vendor.c_str(), info->family, info->model,
                  info->stepping);
    return buf;
}

}  // namespace

int GetHardwareInfo(std::string& processorId, std::string& diskSerial) {
    try {
        const auto text = ReadText(SysPath("/proc/cpuinfo"));
        const auto info = text ? zeva::probe::ParseCpuInfo(*text) : std::nullopt;
        processorId = zeva::Utf8ToAcp(ProcessorId(info));
        diskSerial = zeva::Utf8ToAcp(DiskSerial());
        return processorId.empty() && diskSerial.empty() ? -1 : 0;
    } catch (...) {
        processorId.clear();
        diskSerial.clear();
        return -1;
    }
}

int GetCPU(std::string& text) {
    text.clear();
    const auto raw = ReadText(SysPath("/proc/cpuinfo"));
    const auto info = raw ? zeva::probe::ParseCpuInfo(*raw) : std::nullopt;
    if (!info) return -1;
    std::string s = info->modelName.empty() ? "Processor" : info->modelName;
    if (info->processors > 1) s += " x " + std::to_string(info->processors);
    text = zeva::Utf8ToAcp(s);
    return 0;
}

int GetMemory(std::string& text) {
    text.clear();
    const auto mem = zeva::probe::ReadMemInfo();
    if (!mem) return -1;
    text = zeva::probe::MemoryText(mem->totalBytes);
    return 0;
}
