#include "platform/RuntimeDir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace zeva {

namespace fs = std::filesystem;

std::optional<fs::path> UserRuntimeDirectory() {
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg != nullptr && *xdg != '\0') {
        // Made when missing: every process of the user must agree on one folder,
        // whether it started before or after the folder appeared.
        std::error_code ec;
        if (!fs::is_directory(xdg, ec)) ::mkdir(xdg, 0700);
        if (fs::is_directory(xdg, ec)) return fs::path(xdg) / "zeva";
    }
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec) / ("zeva-" + std::to_string(::getuid()));
    ::mkdir(base.c_str(), 0700);
    struct stat st {};
    // lstat: a symbolic link planted by someone else is not followed.
    if (::lstat(base.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return std::nullopt;
    if ((st.st_mode & 077) != 0) ::chmod(base.c_str(), 0700);
    return base;
}

}  // namespace zeva
