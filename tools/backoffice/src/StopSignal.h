#pragma once
// How zeva-backoffice is told to stop: SIGINT or SIGTERM on Linux, Ctrl+C,
// Ctrl+Break or closing the console on Windows.

namespace zeva::backoffice {

// Called once before any thread starts: the stop requests are held for
// WaitForStopRequest, and a peer closing a connection does not end the program.
void PrepareStopRequests();

// Returns once a stop request has arrived.
void WaitForStopRequest();

}  // namespace zeva::backoffice
