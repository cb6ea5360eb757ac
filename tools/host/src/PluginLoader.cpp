#include "PluginLoader.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>

#include "ConfigKeys.h"
#include "CryptConfigFile.h"
#include "platform/AppPath.h"

namespace fs = std::filesystem;

namespace zeva::host {

namespace {

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() &&
           std::equal(tail.rbegin(), tail.rend(), s.rbegin(),
                      [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

// The native file a plug-in name designates, or empty.
fs::path Resolve(const std::string& name) {
    const fs::path app = ApplicationDirectory();
    std::vector<fs::path> candidates;
    const fs::path direct = NativePath(name);
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
    for (const fs::path& c : candidates) {
        if (fs::is_regular_file(c, ec)) return c;
        if (EndsWith(c.string(), ".dll")) {
            fs::path so = c;
            so.replace_extension(".so");
            if (fs::is_regular_file(so, ec)) return so;
        }
    }
    return {};
}

}  // namespace

PluginLoader::~PluginLoader() {
    UnloadAll();
}

LoadedPlugin* PluginLoader::Load(const std::string& name, std::string& error) {
    const fs::path path = Resolve(name);
    if (path.empty()) {
        error = "plug-in not found: " + name;
        return nullptr;
    }
    const std::string key = path.lexically_normal().string();
    if (auto it = loaded_.find(key); it != loaded_.end()) return &it->second;

    void* handle = dlopen(key.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        error = "cannot load " + key + ": " + (why ? why : "unknown reason");
        return nullptr;
    }
    LoadedPlugin p;
    p.name = name;
    p.path = key;
    p.handle = handle;
    p.create = reinterpret_cast<PlugCreateFn>(dlsym(handle, plug::kPlugCreate));
    p.init = reinterpret_cast<PlugInitFn>(dlsym(handle, plug::kPlugInit));
    p.uninit = reinterpret_cast<PlugUnInitFn>(dlsym(handle, plug::kPlugUnInit));
    if (!p.create) {
        dlclose(handle);
        error = key + " has no PlugCreate";
        return nullptr;
    }
    LoadedPlugin& stored = loaded_[key] = p;
    order_.push_back(key);
    if (stored.init && !stored.init())
        std::fprintf(stderr, "%s: PlugInit reported failure\n", key.c_str());
    return &stored;
}

bool PluginLoader::Open(const std::string& name, CWnd* parent, std::string& error) {
    LoadedPlugin* p = Load(name, error);
    if (!p) return false;
    p->create(parent);
    return true;
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
            const std::string file = it->path().filename().string();
            if (it->is_regular_file(ec) && (EndsWith(file, ".so") || EndsWith(file, ".dll"))) {
                here.push_back(std::string(dir) + "\\" + AcpPath(it->path().filename()));
            }
        }
        std::sort(here.begin(), here.end());
        found.insert(found.end(), here.begin(), here.end());
    }
    return found;
}

void PluginLoader::UnloadAll() {
    for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
        LoadedPlugin& p = loaded_[*it];
        try {
            if (p.uninit) p.uninit();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: PlugUnInit: %s\n", p.path.c_str(), e.what());
        }
        dlclose(p.handle);
    }
    order_.clear();
    loaded_.clear();
}

}  // namespace zeva::host
