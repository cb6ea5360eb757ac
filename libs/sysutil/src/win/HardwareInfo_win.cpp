// The hardware texts on Windows: the processor by CPUID and the registry's
// processor name, the first physical disk's serial number by
// IOCTL_STORAGE_QUERY_PROPERTY, memory by GlobalMemoryStatusEx.
#include <windows.h>

#include <winioctl.h>

#include <cpuid.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "HardwareInfo.h"
#include "Interfaces_win.h"
#include "SysProbe.h"
#include "platform/CodePage.h"

namespace {

std::string Clean(std::string s) {
    std::erase_if(s, [](char c) { return c == '\n' || c == '\r' || c == '\0'; });
    while (!s.empty() && s.back() == ' ') s.pop_back();
    while (!s.empty() && s.front() == ' ') s.erase(0, 1);
    return s;
}

std::string ProcessorId() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return {};
    char buf[17];
    std::snprintf(buf, sizeof buf, "%08X%08X", edx, eax);
    return buf;
}

// The processor's own brand text (CPUID leaves 0x80000002-4).
std::string BrandString() {
    unsigned regs[12] = {};
    for (unsigned leaf = 0; leaf < 3; ++leaf) {
        if (__get_cpuid(0x80000002u + leaf, &regs[leaf * 4], &regs[leaf * 4 + 1],
                        &regs[leaf * 4 + 2], &regs[leaf * 4 + 3]) == 0)
            return {};
    }
    char text[49] = {};
    std::memcpy(text, regs, 48);
    return Clean(text);
}

std::string RegistryProcessorName() {
    wchar_t value[256] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0",
                     L"ProcessorNameString", RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return {};
    return Clean(zeva::probe::win::Utf8(value));
}

std::string DiskSerial() {
    // No access rights are needed to ask a disk for its description.
    const HANDLE disk = CreateFileW(L"\\\\.\\PhysicalDrive0", 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (disk == INVALID_HANDLE_VALUE) return {};
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    std::vector<unsigned char> buffer(4096);
    DWORD returned = 0;
    std::string serial;
    if (DeviceIoControl(disk, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, buffer.data(),
                        static_cast<DWORD>(buffer.size()), &returned, nullptr) &&
        returned >= sizeof(STORAGE_DEVICE_DESCRIPTOR)) {
        const auto* d = reinterpret_cast<const STORAGE_DEVICE_DESCRIPTOR*>(buffer.data());
        if (d->SerialNumberOffset != 0 && d->SerialNumberOffset < returned) {
            const char* text = reinterpret_cast<const char*>(buffer.data()) + d->SerialNumberOffset;
            serial = Clean(std::string(text, strnlen(text, returned - d->SerialNumberOffset)));
        }
    }
    CloseHandle(disk);
    return serial;
}

}  // namespace

int GetHardwareInfo(std::string& processorId, std::string& diskSerial) {
    try {
        processorId = zeva::Utf8ToAcp(ProcessorId());
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
    std::string s = RegistryProcessorName();
    if (s.empty()) s = BrandString();
    if (s.empty()) s = "Processor";
    const DWORD count = GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
    if (count > 1) s += " x " + std::to_string(count);
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
