#pragma once
// The four entries every namespace table starts with, in the order the
// request envelope declares them; a service's table adds its own after them.

// clang-format off
#define ZEVA_SOAP_ENVELOPE_NAMESPACES                                                              \
    {"SOAP-ENV", "http://schemas.xmlsoap.org/soap/envelope/",                                      \
     "http://www.w3.org/*/soap-envelope", nullptr},                                                \
    {"SOAP-ENC", "http://schemas.xmlsoap.org/soap/encoding/",                                      \
     "http://www.w3.org/*/soap-encoding", nullptr},                                                \
    {"xsi", "http://www.w3.org/2001/XMLSchema-instance",                                           \
     "http://www.w3.org/*/XMLSchema-instance", nullptr},                                           \
    {"xsd", "http://www.w3.org/2001/XMLSchema", "http://www.w3.org/*/XMLSchema", nullptr}
// clang-format on
