// This computer's name on Windows: the NetBIOS name others see it by.
#include <windows.h>

#include "NetNames.h"

namespace zeva::netnames {

std::string LocalComputerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size) || size == 0) return {};
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, name, static_cast<int>(size), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, name, static_cast<int>(size), utf8.data(), n, nullptr, nullptr);
    return CleanName(utf8);
}

}  // namespace zeva::netnames
