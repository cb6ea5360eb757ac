// The runtime's default namespace table; every call installs its own
// service's table before it sends anything.

#include "soapframe/EnvelopeNamespaces.h"
#include "stdsoap2.h"

SOAP_NMAC struct Namespace namespaces[] = {
    ZEVA_SOAP_ENVELOPE_NAMESPACES,
    {nullptr, nullptr, nullptr, nullptr},
};
