// The namespace table of the back-office service, in the order the request
// envelope declares them.

#include "BServiceNamespaces.h"

const struct Namespace zeva::bservice::kNamespaces[] = {
    {"SOAP-ENV", "http://schemas.xmlsoap.org/soap/envelope/", "http://www.w3.org/*/soap-envelope",
     nullptr},
    {"SOAP-ENC", "http://schemas.xmlsoap.org/soap/encoding/", "http://www.w3.org/*/soap-encoding",
     nullptr},
    {"xsi", "http://www.w3.org/2001/XMLSchema-instance", "http://www.w3.org/*/XMLSchema-instance",
     nullptr},
    {"xsd", "http://www.w3.org/2001/XMLSchema", "http://www.w3.org/*/XMLSchema", nullptr},
    {"ns2", "http://bo.kelv.pelmo.com", nullptr, nullptr},
    {"ns1", "http://service.kelv.pelmo.com", nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr},
};
