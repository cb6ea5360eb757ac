#pragma once
// Putting a staged file in place of an installed one without ever leaving a
// truncated or missing file behind.

#include <filesystem>
#include <string>

#include "UpdateHost.h"

namespace zeva {

inline constexpr char kBackupSuffix[] = ".bak";
inline constexpr char kNewFileSuffix[] = ".zeva-new";

enum class InstallResult { Replaced, ReplacedAfterMovingAside, Failed };

// Copies `staged` beside `target` (keeping the target's permissions), then
// replaces the target in one step. When the target is in use it is moved to
// its name + ".bak" and the replacement is tried again; when that fails too,
// the ".bak" is moved back.
InstallResult InstallFile(const std::filesystem::path& staged, const std::filesystem::path& target,
                          IUpdateHost& host);

// Start-of-run clean-up below `root`: a ".bak" whose original exists is
// deleted, one whose original is missing (a run ended between moving aside
// and replacing) is moved back; left-over ".zeva-new" files are deleted.
void CleanUpInstallLeftovers(const std::string& acpRoot);

}  // namespace zeva
