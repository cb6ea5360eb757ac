#include "ToolCatalogue.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "ConfigKeys.h"
#include "CryptConfigFile.h"
#include "UpdateCatalog.h"
#include "platform/AppPath.h"

namespace keys = zeva::cfgkeys;

namespace toolbox {

bool LibraryInstalled(const std::string& acpPath) {
    std::error_code ec;
    std::filesystem::path path = zeva::NativePath(acpPath);
    if (std::filesystem::exists(path, ec)) return true;
#if defined(_WIN32)
    return false;
#else
    // Catalogues name libraries as "X.dll"; the Linux host loads "X.so" for them.
    if (path.extension() != ".dll") return false;
    return std::filesystem::exists(path.replace_extension(".so"), ec);
#endif
}

bool StaysInsideAppDir(const std::string& acpValue) {
    return acpValue.empty() || zeva::IsSafeRelativeName(acpValue);
}

std::vector<PlugItem> ReadCatalogue(const std::string& appDir, const std::string& relativeFile,
                                    std::vector<CatalogEntry>& entries) {
    std::vector<PlugItem> items;
    CCryptConfigFile catalogue(appDir + relativeFile, "");
    const std::string index = keys::SectionPlugCatalog();
    const int count = catalogue.ReadInteger(index, keys::kKeyPlugNum, 0);
    // Numbers past the highest one present all read as the same empty PlugId,
    // listed once at most: a damaged "PlugNum" must not keep the page busy.
    long highest = 0;
    std::vector<std::string> names;
    catalogue.ReadSection(index, names);
    for (const std::string& name : names) {
        char* end = nullptr;
        const long n = std::strtol(name.c_str(), &end, 10);
        if (end != name.c_str() && *end == '\0' && n > highest) highest = n;
    }
    const long last = std::min<long>(count, highest + 1);
    for (long i = 1; i <= last; ++i) {
        std::string plugId;
        catalogue.ReadString(index, std::to_string(i), "", plugId);
        const bool known = std::any_of(entries.begin(), entries.end(),
                                       [&](const CatalogEntry& e) { return e.PlugId == plugId; });
        if (known) continue;

        std::string module, normal, select, over;
        catalogue.ReadString(plugId, keys::kKeyPlugModuleName, "", module);
        catalogue.ReadString(plugId, keys::kKeyNormalImage, "", normal);
        catalogue.ReadString(plugId, keys::kKeySelectImage, "", select);
        catalogue.ReadString(plugId, keys::kKeyOverImage, "", over);
        // A catalogue that points outside the installation is not trusted with a button.
        if (!StaysInsideAppDir(module) || !StaysInsideAppDir(normal) ||
            !StaysInsideAppDir(select) || !StaysInsideAppDir(over)) {
            continue;
        }
        auto full = [&](const std::string& value) {
            return value.empty() ? std::string() : appDir + value;
        };
        PlugItem item;
        item.PlugId = plugId;
        item.ModulePath = appDir + module;
        item.NormalImage = full(normal);
        item.SelectImage = full(select);
        item.OverImage = full(over);
        catalogue.ReadString(plugId, keys::kKeySummary, "", item.Summary);
        catalogue.ReadString(plugId, keys::kKeyToolTip, "", item.ToolTip);
        CatalogEntry entry;
        entry.PlugId = plugId;
        entry.ModulePath = item.ModulePath;
        catalogue.ReadString(plugId, keys::kKeyUsage, "", entry.Usage);
        entry.NoDestroy = catalogue.ReadInteger(plugId, keys::kKeyNoDestroy, 0);
        entry.ShowMode = catalogue.ReadInteger(plugId, keys::kKeyShowMode, 1);

        if (!LibraryInstalled(item.ModulePath)) continue;
        items.push_back(std::move(item));
        entries.push_back(std::move(entry));
    }
    return items;
}

}  // namespace toolbox
