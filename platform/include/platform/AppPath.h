#pragma once
// Where the running program lives, and the mapping between the paths the
// system passes around (system code page, backslashes allowed, as catalogs
// and settings write them) and native file-system paths (UTF-8, '/').

#include <filesystem>
#include <string>
#include <string_view>

namespace zeva {

// Directory of the running program as a native path; ZEVA_APP_DIR overrides it.
std::filesystem::path ApplicationDirectory();

// The same directory in the system code page, ending with a separator.
std::string ApplicationPathAcp();

// A path in the system code page, with '\' or '/' separators, as a native path.
std::filesystem::path NativePath(std::string_view acpPath);

// A native path back in the system code page, with the native separator.
std::string AcpPath(const std::filesystem::path& path);

// A path from UTF-8 text and back, whatever the system's code page: Windows
// reads a narrow string given to std::filesystem::path in its ANSI code page.
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string Utf8Path(const std::filesystem::path& path);
// The same with '/' separators, as URLs and catalogs write relative paths.
std::string GenericUtf8Path(const std::filesystem::path& path);

// The native directory separator as text.
constexpr char kPathSeparator = static_cast<char>(std::filesystem::path::preferred_separator);

}  // namespace zeva
