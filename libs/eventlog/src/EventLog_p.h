#pragma once
// The event-log record as both systems write it, and each system's writer.

#include <string>

namespace zeva::eventlog {

// Longest text of one record, in bytes of UTF-8: well inside the 2,048 bytes
// every syslog daemon takes and the 31,839 characters of a Windows event string.
constexpr std::size_t kMaxText = 1800;

// "[category] message (file function:line, built time)" in UTF-8 from texts
// in the system code page: one line (control characters become spaces), cut
// between characters at kMaxText bytes.
std::string RecordText(const std::string& buildTime, const std::string& sourceFile,
                       const std::string& function, int line, const std::string& message,
                       const std::string& category);

// The source name of a record: printable ASCII up to 32 characters without
// ':', '[' or ']', "zeva" when nothing is left.
std::string SourceName(const std::string& module);

// The record as a syslog datagram (RFC 3164: priority user.err, local time
// stamp, source and process id): what Linux sends to its log, and what a
// redirected record carries on both systems.
std::string SyslogRecord(const std::string& source, const std::string& text, long processId);

// Hands one record to the system's log; false when it cannot be reached.
// ZEVA_SYSLOG_SOCKET redirects it, for tests: on Linux to another log socket,
// on Windows to a UDP port on the loopback address ("127.0.0.1:<port>").
bool Report(const std::string& source, const std::string& text);

}  // namespace zeva::eventlog
