#include "CatalogFreshness.h"

#include <algorithm>
#include <ctime>
#include <vector>

#include "ConfigFile.h"
#include "ConfigKeys.h"

namespace keys = zeva::cfgkeys;

namespace zeva {

namespace {

// Empty: absent (0). Otherwise up to 18 decimal digits.
bool ParseDecimal(const std::string& text, std::int64_t& value) {
    value = 0;
    if (text.empty()) return true;
    if (text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    value = std::stoll(text);
    return true;
}

}  // namespace

CatalogFreshness ReadCatalogFreshness(const std::string& acpPath, CatalogForm form) {
    CatalogFreshness out;
    CConfigFile catalog(acpPath);
    std::vector<std::string> sections;
    if (form == CatalogForm::Main) {
        sections.push_back(keys::kSectionCatalogVersion);
    } else if (form == CatalogForm::PluginFilesSection) {
        catalog.ReadSection(keys::kSectionFiles, sections);
    } else {
        catalog.ReadSections(sections);
    }
    bool first = true;
    for (const std::string& section : sections) {
        std::string text;
        std::int64_t sequence = 0;
        std::int64_t expires = 0;
        catalog.ReadString(section, keys::kKeyCatalogSequence, "", text);
        if (!ParseDecimal(text, sequence) && out.malformed.empty())
            out.malformed = keys::kKeyCatalogSequence;
        text.clear();
        catalog.ReadString(section, keys::kKeyCatalogExpires, "", text);
        if (!ParseDecimal(text, expires) && out.malformed.empty())
            out.malformed = keys::kKeyCatalogExpires;
        out.sequence = first ? sequence : std::min(out.sequence, sequence);
        if (expires != 0) out.expires = out.expires == 0 ? expires : std::min(out.expires, expires);
        first = false;
    }
    return out;
}

std::string UtcText(std::int64_t secondsSince1970) {
    const std::time_t t = static_cast<std::time_t>(secondsSince1970);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[48] = {0};
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &utc);
    return text;
}

}  // namespace zeva
