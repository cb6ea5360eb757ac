// Where the running program lives, on Windows: the module's own file name,
// read as UTF-16 so a folder such as D:\软件\中文 survives any code page.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/AppPath.h"

namespace zeva {

std::filesystem::path ApplicationDirectory() {
    if (const wchar_t* env = _wgetenv(L"ZEVA_APP_DIR"); env != nullptr && *env != L'\0') {
        return std::filesystem::path(env);
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
