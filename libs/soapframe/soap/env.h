// The runtime's shared part of every service description: no SOAP Header
// entries and the standard SOAP Fault. The services' own descriptions are
// generated into C++ namespaces beside it.
