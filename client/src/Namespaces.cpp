// The namespace table of the back-office service, in the order the request
// envelope declares them.

#include "BServiceNamespaces.h"
#include "soapframe/EnvelopeNamespaces.h"

const struct Namespace zeva::bservice::kNamespaces[] = {
    ZEVA_SOAP_ENVELOPE_NAMESPACES,
    {"ns2", "http://bo.kelv.pelmo.com", nullptr, nullptr},
    {"ns1", "http://service.kelv.pelmo.com", nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr},
};
