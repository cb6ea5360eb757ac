#pragma once
// What a signed catalog says about its own age: the sequence number its
// publisher gave it (it only grows from one release to the next) and the time
// after which it must no longer be used. Both are plain extra keys, so older
// readers still understand the catalog; the signature covers them.

#include <cstdint>
#include <string>

namespace zeva {

enum class CatalogForm {
    Main,                // "UpdateConfig.ini": the keys are in "Version"
    Plugin,              // "config.ini", every section a file: the keys are in each file's section
    PluginFilesSection,  // "config.ini" listing its files in "FILES" (toolbox): likewise
};

struct CatalogFreshness {
    std::int64_t sequence = 0;  // 0 when the catalog names none
    std::int64_t expires = 0;   // seconds since 1970 (UTC); 0 when it never expires
    std::string malformed;      // the key whose value is not a decimal number, if any
};

// Reads "SEQUENCE" and "EXPIRES". A plug-in catalog counts with the lowest
// sequence and the earliest expiry of its files (a file without a sequence
// makes it 0). A missing file reads as no sequence and no expiry.
CatalogFreshness ReadCatalogFreshness(const std::string& acpPath, CatalogForm form);

// "2026-12-08 10:00:00 UTC".
std::string UtcText(std::int64_t secondsSince1970);

}  // namespace zeva
