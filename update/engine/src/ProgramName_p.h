#pragma once
// The running program's file name (no folder), as the event-log records name
// their module; one half per system.

#include <string>

namespace zeva {

std::string RunningProgramName();

}  // namespace zeva
