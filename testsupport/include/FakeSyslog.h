#pragma once
// A system log socket of the test's own: while it lives, ZEVA_SYSLOG_SOCKET
// points the event-log writer at it, so records can be read back and none
// reach the machine's log (a Unix socket on Linux, a loopback UDP port on
// Windows, where the writer sends the same records there instead of to the
// event log).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace zeva::test {

class FakeSyslog {
public:
    FakeSyslog();
    ~FakeSyslog();
    FakeSyslog(const FakeSyslog&) = delete;
    FakeSyslog& operator=(const FakeSyslog&) = delete;

    bool ok() const { return fd_ != -1; }
    // Every record received so far (a writer that has returned has queued its record).
    std::vector<std::string> Drain();
    // The next record, waiting up to `waitMs` for it; "" when none came.
    std::string Next(int waitMs = 2000);

private:
    TempDir dir_;  // outside the tests' own folders, which some compare as a whole
    std::string address_;
    std::optional<ScopedEnv> env_;
    std::intptr_t fd_ = -1;  // a socket of the system's kind
};

}  // namespace zeva::test
