#include "PluginLoader.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>

#include "ConfigKeys.h"
#include "CryptConfigFile.h"
#include "PluginLibrary_p.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"

namespace fs = std::filesystem;

namespace zeva::host {

namespace {

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() &&
           std::equal(tail.rbegin(), tail.rend(), s.rbegin(),
                      [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

// Whether `path` (resolved) lies inside `root` (resolved).
bool Inside(const fs::path& path, const fs::path& root) {
    auto r = root.begin();
    auto p = path.begin();
    for (; r != root.end(); ++r, ++p) {
        if (p == path.end() || *p != *r) return false;
    }
    return p != path.end();
}

// The native file a plug-in name designates. Only libraries whose real path
// lies in "plug" or "ProvincePlug" under the application directory are
// taken: a catalogue that names another place (an absolute path, "..", a
// link that leads out) is refused, with `error` naming the value.
fs::path Resolve(const std::string& name, std::string& error) {
    const fs::path app = ApplicationDirectory();
    const fs::path direct = NativePath(name);
    std::vector<fs::path> candidates;
    if (direct.is_absolute()) {
        candidates.push_back(direct);
    } else {
        candidates.push_back(app / direct);
        if (!direct.has_parent_path()) {
            candidates.push_back(app / cfgkeys::kPlugDir / direct);
            candidates.push_back(app / cfgkeys::kProvincePlugDir / direct);
        }
    }
    std::error_code ec;
    std::vector<fs::path> roots;
    for (const char* dir : {cfgkeys::kPlugDir, cfgkeys::kProvincePlugDir}) {
        const fs::path root = detail::RealPath(app / dir, ec);
        if (!ec) roots.push_back(root);
    }
    bool outside = false;
    for (const fs::path& c : candidates) {
        std::vector<fs::path> files{c};
        if (EndsWith(Utf8Path(c), ".dll"))
            files.push_back(fs::path(c).replace_extension(detail::kLibrarySuffix));
        for (const fs::path& f : files) {
            if (!fs::is_regular_file(f, ec)) continue;
            const fs::path real = detail::RealPath(f, ec);
            if (ec) continue;
            for (const fs::path& root : roots) {
                if (Inside(real, root)) return real;
            }
            outside = true;
        }
    }
    error =
        outside || direct.is_absolute()
            ? "refused plug-in library outside \"plug\" and \"ProvincePlug\": " + AcpToUtf8(name)
            : "plug-in not found: " + AcpToUtf8(name);
    return {};
}

}  // namespace

PluginLoader::~PluginLoader() {
    UnloadAll();
}

LoadedPlugin* PluginLoader::Load(const std::string& name, std::string& error) {
    const fs::path path = Resolve(name, error);
    if (path.empty()) return nullptr;
    const std::string key = Utf8Path(path);
    if (auto it = loaded_.find(key); it != loaded_.end()) return &it->second;

    // A file that is no library for this machine (truncated, another
    // architecture, unresolved symbols) fails here and is skipped.
    if (!detail::CheckLibraryFile(path, error)) return nullptr;
    void* handle = detail::OpenLibrary(path, error);
    if (!handle) return nullptr;
    LoadedPlugin p;
    p.name = name;
    p.path = key;
    p.handle = handle;
    p.create = reinterpret_cast<PlugCreateFn>(detail::LibrarySymbol(handle, plug::kPlugCreate));
    p.init = reinterpret_cast<PlugInitFn>(detail::LibrarySymbol(handle, plug::kPlugInit));
    p.uninit = reinterpret_cast<PlugUnInitFn>(detail::LibrarySymbol(handle, plug::kPlugUnInit));
    if (!p.create) {
        detail::CloseLibrary(handle);
        error = key + " is no plug-in: it has no PlugCreate";
        return nullptr;
    }
    if (p.init) {
        bool ok = false;
        if (!CallEntry(
                key, plug::kPlugInit, [&] { ok = p.init(); }, error)) {
            detail::CloseLibrary(handle);
            return nullptr;
        }
        if (!ok) std::fprintf(stderr, "%s: PlugInit reported failure\n", key.c_str());
    }
    LoadedPlugin& stored = loaded_[key] = p;
    order_.push_back(key);
    return &stored;
}

bool PluginLoader::CallEntry(const std::string& path, const char* entry,
                             const std::function<void()>& call, std::string& error) {
    // No exception may leave an export; one that does anyway stops here.
    try {
        call();
        return true;
    } catch (const std::exception& e) {
        error = path + ": " + entry + " threw: " + e.what();
    } catch (...) {
        error = path + ": " + entry + " threw an exception";
    }
    return false;
}

bool PluginLoader::Open(const std::string& name, CWnd* parent, std::string& error) {
    LoadedPlugin* p = Load(name, error);
    if (!p) return false;
    return CallEntry(
        p->path, plug::kPlugCreate, [&] { p->create(parent); }, error);
}

std::string PluginLoader::CatalogueModule(const std::string& plugId) {
    for (const char* file : {cfgkeys::kPlugConfigDat, cfgkeys::kProvincePlugConfigDat}) {
        CCryptConfigFile catalogue(ApplicationPathAcp() + file, "");
        std::string module;
        catalogue.ReadString(plugId, cfgkeys::kKeyPlugModuleName, "", module);
        if (!module.empty()) return module;
    }
    return {};
}

std::vector<std::string> PluginLoader::Discover() {
    std::vector<std::string> found;
    const fs::path app = ApplicationDirectory();
    std::error_code ec;
    for (const char* dir : {cfgkeys::kPlugDir, cfgkeys::kProvincePlugDir}) {
        std::vector<std::string> here;
        for (fs::directory_iterator it(app / dir, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string file = Utf8Path(it->path().filename());
            if (it->is_regular_file(ec) && (EndsWith(file, ".so") || EndsWith(file, ".dll"))) {
                here.push_back(std::string(dir) + "\\" + AcpPath(it->path().filename()));
            }
        }
        std::sort(here.begin(), here.end());
        found.insert(found.end(), here.begin(), here.end());
    }
    return found;
}

std::string PluginLoader::CatalogueKey(const std::string& library) {
    std::string key;
    for (char c : library)
        key.push_back(c == '/' ? '\\'
                               : static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    // The catalogues name the Windows file; the library here may be its ".so".
    if (EndsWith(key, ".dll")) key.replace(key.size() - 4, 4, detail::kLibrarySuffix);
    return key;
}

std::map<std::string, std::string> PluginLoader::CatalogueNames() {
    std::map<std::string, std::string> names;
    for (const char* file : {cfgkeys::kPlugConfigDat, cfgkeys::kProvincePlugConfigDat}) {
        CCryptConfigFile catalogue(ApplicationPathAcp() + file, "");
        const std::string section = cfgkeys::SectionPlugCatalog();
        const int count = catalogue.ReadInteger(section, cfgkeys::kKeyPlugNum, 0);
        for (int i = 1; i <= count && i <= 1000; ++i) {
            std::string plugId, module;
            catalogue.ReadString(section, std::to_string(i), "", plugId);
            if (plugId.empty()) continue;
            catalogue.ReadString(plugId, cfgkeys::kKeyPlugModuleName, "", module);
            if (!module.empty()) names.emplace(CatalogueKey(module), plugId);
        }
    }
    return names;
}

void PluginLoader::UnloadAll() {
    for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
        LoadedPlugin& p = loaded_[*it];
        std::string error;
        if (p.uninit && !CallEntry(
                            p.path, plug::kPlugUnInit, [&] { p.uninit(); }, error))
            std::fprintf(stderr, "%s\n", error.c_str());
        // Pages made with the plug-in kit close their windows and join their
        // workers here, before unloading takes the loader's lock: no thread
        // of the library may outlive it.
        if (auto unload =
                reinterpret_cast<void (*)()>(detail::LibrarySymbol(p.handle, plug::kPlugUnload))) {
            if (!CallEntry(
                    p.path, plug::kPlugUnload, [&] { unload(); }, error))
                std::fprintf(stderr, "%s\n", error.c_str());
        }
        detail::CloseLibrary(p.handle);
    }
    order_.clear();
    loaded_.clear();
}

}  // namespace zeva::host
