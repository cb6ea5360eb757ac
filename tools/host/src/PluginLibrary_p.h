#pragma once
// The system's half of the plug-in loader: whether a file is a library this
// process can load, and loading, looking up and unloading it.

#include <filesystem>
#include <string>

namespace zeva::host::detail {

// The file name ending of plug-in libraries here; catalogues name ".dll".
#if defined(_WIN32)
inline constexpr char kLibrarySuffix[] = ".dll";
#else
inline constexpr char kLibrarySuffix[] = ".so";
#endif

// The file's real path: links resolved, and on Windows the folders' and the
// file's names as the disk spells them, whatever case the caller used; empty
// with `ec` set when it cannot be found.
std::filesystem::path RealPath(const std::filesystem::path& path, std::error_code& ec);
// Whether `path` is a whole library of this machine's architecture; else
// false with `error` naming the file and what is wrong with it.
bool CheckLibraryFile(const std::filesystem::path& path, std::string& error);
// Null with `error` set (naming the file) when the system cannot load it.
void* OpenLibrary(const std::filesystem::path& path, std::string& error);
void* LibrarySymbol(void* handle, const char* name);
void CloseLibrary(void* handle);

}  // namespace zeva::host::detail
