#pragma once
// Update server names to IPv4 addresses, one half per system (BSD sockets,
// Winsock).

#include <string>

namespace zeva {

// Whether `text` is already an IPv4 address in the forms the system's
// address parser takes.
bool IsIpv4Address(const std::string& text);

// The first IPv4 address of the host `name` as dotted text; empty when it
// cannot be resolved.
std::string ResolveIpv4(const std::string& name);

}  // namespace zeva
