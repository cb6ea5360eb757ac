#pragma once
// One record in the system log (syslog on Linux, the Application event log on
// Windows), for failures worth a support engineer's attention. Texts are in
// the system code page.

#include <string>

// Writes one error record tagged with `module`: the category and message,
// then where it came from (source file, function, line) and the build time
// stamp of the caller. 0, or -1 when the system log cannot be reached.
// ZEVA_SYSLOG_SOCKET redirects the record, for tests: on Linux it names
// another log socket than /dev/log, on Windows a UDP port on the loopback
// address ("127.0.0.1:<port>") that gets the record in syslog form.
int WriteSysEventLog(const std::string& module, const std::string& buildTime,
                     const std::string& sourceFile, const std::string& function, const int& line,
                     const std::string& message, const std::string& category);
