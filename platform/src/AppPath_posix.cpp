#include <cstdlib>
#include <system_error>

#include "platform/AppPath.h"

namespace zeva {

namespace fs = std::filesystem;

fs::path ApplicationDirectory() {
    if (const char* env = std::getenv("ZEVA_APP_DIR"); env != nullptr && *env != '\0') {
        return fs::path(env);
    }
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return fs::current_path(ec);
    return exe.parent_path();
}

}  // namespace zeva
