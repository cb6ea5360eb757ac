#pragma once
// Identity and description of the machine's hardware. Texts are in the
// system code page; each function returns 0, or -1 when nothing could be read
// (the outputs are then empty).

#include <string>

// Processor identifier (the processor's signature and feature words as 16
// hexadecimal digits, like "BFEBFBFF000906EA") and the serial number of the
// first physical disk (empty when the disk does not tell one).
int GetHardwareInfo(std::string& processorId, std::string& diskSerial);
// Processor model with its count of logical processors, e.g. "Intel(R) Core(TM) i5-8250U CPU
// @ 1.60GHz x 8".
int GetCPU(std::string& text);
// Installed physical memory, e.g. "7.7GB".
int GetMemory(std::string& text);
