#include <pthread.h>

#include <csignal>

#include "StopSignal.h"

namespace zeva::backoffice {
namespace {

sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

}  // namespace

void PrepareStopRequests() {
    // The serving thread inherits the blocked signals; main waits for them.
    const sigset_t set = StopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

void WaitForStopRequest() {
    const sigset_t set = StopSignals();
    int received = 0;
    sigwait(&set, &received);
}

}  // namespace zeva::backoffice
