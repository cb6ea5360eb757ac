#pragma once
// Loading a plug-in library as the host does (dlopen on Linux,
// LoadLibraryExW on Windows), for the harness and tests that keep it loaded.

#include <string>

namespace zeva::test {

// Null with `error` set when the system cannot load it.
void* OpenPluginLibrary(const std::string& path, std::string& error);
void* PluginSymbol(void* library, const char* name);
void ClosePluginLibrary(void* library);

}  // namespace zeva::test
