#pragma once
// One file of a release as a catalog lists it.

#include <string>

struct UpdateFileEntry {
    std::string name;        // relative to the install directory, as the catalog writes it
    std::string modifyTime;  // "MODIFYTIME"
    std::string size;        // "SIZE"
    std::string md5;         // "MD5", lower-case hexadecimal
    std::string sha256;      // "SHA256" of signed catalogs, lower-case hexadecimal (else empty)
};
