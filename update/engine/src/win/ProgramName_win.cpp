// The running program's file name on Windows: the module's own, read as UTF-16.
#include <windows.h>

#include <filesystem>

#include "ProgramName_p.h"
#include "platform/AppPath.h"

namespace zeva {

std::string RunningProgramName() {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (n == 0) return {};
        if (n < name.size()) {
            name.resize(n);
            break;
        }
        name.resize(name.size() * 2);
    }
    return AcpPath(std::filesystem::path(name).filename());
}

}  // namespace zeva
