// Where the running program lives, on Windows: the module's own file name,
// read as UTF-16 so a folder such as D:\软件\中文 survives any code page.
#include <windows.h>

#include <string>

#include "platform/AppPath.h"
#include "platform/ProgramArguments.h"

namespace zeva {

std::filesystem::path ApplicationDirectory() {
    if (const auto env = EnvironmentVariable("ZEVA_APP_DIR"); env && !env->empty()) {
        return PathFromUtf8(*env);
    }
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (n == 0) {
            std::error_code ec;
            return std::filesystem::current_path(ec);
        }
        if (n < name.size()) {
            name.resize(n);
            break;
        }
        name.resize(name.size() * 2);
    }
    return std::filesystem::path(name).parent_path();
}

}  // namespace zeva
