// The namespace table of the online service, in the order the request
// envelope declares them; there is no business-object namespace.

#include "OServiceNamespaces.h"

const struct Namespace zeva::oservice::kNamespaces[] = {
    {"SOAP-ENV", "http://schemas.xmlsoap.org/soap/envelope/", "http://www.w3.org/*/soap-envelope",
     nullptr},
    {"SOAP-ENC", "http://schemas.xmlsoap.org/soap/encoding/", "http://www.w3.org/*/soap-encoding",
     nullptr},
    {"xsi", "http://www.w3.org/2001/XMLSchema-instance", "http://www.w3.org/*/XMLSchema-instance",
     nullptr},
    {"xsd", "http://www.w3.org/2001/XMLSchema", "http://www.w3.org/*/XMLSchema", nullptr},
    {"ns1", "http://online.kelv.pelmo.com", nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr},
};
