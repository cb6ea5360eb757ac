#pragma once
// The per-user directory for locks and sockets: XDG_RUNTIME_DIR, else a
// private folder under the temporary directory (created with mode 0700 and
// refused when another user owns it).

#include <filesystem>
#include <optional>

namespace zeva {

std::optional<std::filesystem::path> UserRuntimeDirectory();

}  // namespace zeva
