// Plug-in libraries on Linux: dlopen, each with its own symbols.
#include <dlfcn.h>

#include "PluginLibrary.h"

namespace zeva::test {

void* OpenPluginLibrary(const std::string& path, std::string& error) {
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) error = dlerror();
    return library;
}

void* PluginSymbol(void* library, const char* name) {
    return dlsym(library, name);
}

void ClosePluginLibrary(void* library) {
    dlclose(library);
}

}  // namespace zeva::test
