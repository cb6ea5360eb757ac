#pragma once
// The private key's file, one half per system: created new (an existing file
// is never replaced) and readable by its owner only.

#include <filesystem>
#include <string>

namespace zeva {

// Writes `data` to a file that must not exist yet, owner-only, flushed to the
// disk; on failure nothing is left at `path`. 0, or -1 with a reason.
int WriteOwnerOnlyFile(const std::filesystem::path& path, const std::string& data,
                       std::string& error);

// The path as UTF-8 text for messages.
std::string PathText(const std::filesystem::path& path);

}  // namespace zeva
