#pragma once
// What the probe asks of the system it runs on, one half per system.

namespace zeva::netprobe {

// True when standard error is a terminal (a console on Windows), so the
// progress bar has somewhere to draw.
bool StderrIsTerminal();

// Processor time this process has used so far, user and system, in ms.
long ProcessCpuMs();

}  // namespace zeva::netprobe
