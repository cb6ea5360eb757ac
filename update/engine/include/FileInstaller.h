#pragma once
// Putting a staged file in place of an installed one without ever leaving a
// truncated or missing file behind.

#include <filesystem>
#include <string>

#include "InstallJournal.h"
#include "UpdateHost.h"

namespace zeva {

inline constexpr char kBackupSuffix[] = ".bak";
inline constexpr char kNewFileSuffix[] = ".zeva-new";

enum class InstallResult { Replaced, ReplacedAfterMovingAside, Failed };

// Copies `staged` beside `target` (keeping the target's permissions), then
// replaces the target in one step. When the target is in use it is moved to
// its name + ".bak" and the replacement is tried again; when that fails too,
// the ".bak" is moved back. The copy and the backup are recorded in
// `journal` before they are made, under names no other file holds (a
// ".<n>" is put before the suffix when the plain name is taken). A folder at
// `target` is never replaced: Failed.
InstallResult InstallFile(const std::filesystem::path& staged, const std::filesystem::path& target,
                          IUpdateHost& host, InstallJournal& journal);

}  // namespace zeva
