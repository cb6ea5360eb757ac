// The namespace table of the online service, in the order the request
// envelope declares them; there is no business-object namespace.

#include "OServiceNamespaces.h"
#include "soapframe/EnvelopeNamespaces.h"

const struct Namespace zeva::oservice::kNamespaces[] = {
    ZEVA_SOAP_ENVELOPE_NAMESPACES,
    {"ns1", "http://online.kelv.pelmo.com", nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr},
};
