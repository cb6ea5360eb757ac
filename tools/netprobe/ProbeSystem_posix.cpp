#include <sys/resource.h>
#include <unistd.h>

#include "ProbeSystem.h"

namespace zeva::netprobe {

bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

long ProcessCpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000L +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000L;
}

}  // namespace zeva::netprobe
