#pragma once
// A system log socket of the test's own: while it lives, ZEVA_SYSLOG_SOCKET
// points the event-log writer at it, so records can be read back and none
// reach the machine's log.

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

    bool ok() const { return fd_ >= 0; }
    // Every record received so far (a writer that has returned has queued its record).
    std::vector<std::string> Drain();
    // The next record, waiting up to `waitMs` for it; "" when none came.
    std::string Next(int waitMs = 2000);

private:
    TempDir dir_;  // outside the tests' own folders, which some compare as a whole
    std::string path_;
    ScopedEnv env_;
    int fd_ = -1;
};

}  // namespace zeva::test
