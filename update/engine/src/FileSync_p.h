#pragma once
// Making installed files durable and putting them in place, one half per
// system.

#include <filesystem>

namespace zeva {

// Flushes the content of the file at `path` to the disk.
bool SyncFile(const std::filesystem::path& path);

// Makes the names created or renamed in `dir` durable.
bool SyncDirectory(const std::filesystem::path& dir);

// Puts `source` in place of `target` in one step (a read-only target
// included); false, with both left as they were, when the target is in use.
bool ReplaceInOneStep(const std::filesystem::path& source, const std::filesystem::path& target);

// Removes a file the installer made or moved aside, a read-only one included
// (Windows refuses to delete those); false when it is still there.
bool RemoveInstallerFile(const std::filesystem::path& path);

}  // namespace zeva
