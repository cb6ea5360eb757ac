#pragma once
// What each system's half of the call frame provides.

struct soap;

namespace zeva::soapframe {

// Flags of every send: no SIGPIPE where the system would raise one.
extern const int kNoSignalFlag;

// Sets up certificate and host-name checks of an https call against the
// system's trusted CAs, or against SSL_CERT_FILE / SSL_CERT_DIR when either
// is set. SOAP_OK or the runtime's error.
int UseSystemCaStore(soap* ctx);

}  // namespace zeva::soapframe
