#pragma once
// Whether a process still exists; a process of another user counts as alive.

#include <signal.h>
#include <sys/types.h>

#include <cerrno>

namespace zeva {

inline bool ProcessAlive(pid_t pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno != ESRCH);
}

}  // namespace zeva
