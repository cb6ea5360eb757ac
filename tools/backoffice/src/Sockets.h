#pragma once
// The emulator's few socket calls past the SOAP layer, one half per system.

#include <string>

#include "stdsoap2.h"

namespace zeva::backoffice {

// The local port a bound socket listens on; 0 when it cannot be read.
int BoundPort(SOAP_SOCKET socket);

// Writes all of `data` to a connected socket (no SIGPIPE where the system
// would raise one); stops at the first failure.
void SendAll(SOAP_SOCKET socket, const std::string& data);

// The socket option that lets a restarted emulator listen on its port at once.
int ReuseAddressFlag();

}  // namespace zeva::backoffice
