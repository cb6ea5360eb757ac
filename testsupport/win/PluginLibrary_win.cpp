// Plug-in libraries on Windows, loaded as the host loads them: the libraries
// a plug-in needs looked for beside it first, no error box, the path given
// to the system as UTF-16.
#include <windows.h>

#include "PluginLibrary.h"
#include "WideText_p.h"

namespace zeva::test {

void* OpenPluginLibrary(const std::string& path, std::string& error) {
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryExW(Wide(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD code = GetLastError();
    SetErrorMode(oldMode);
    if (module == nullptr) error = "cannot load " + path + ": error " + std::to_string(code);
    return reinterpret_cast<void*>(module);
}

void* PluginSymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void ClosePluginLibrary(void* library) {
    FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace zeva::test
