#pragma once
// Loads plug-in libraries by file name from the application directory's
// plug-in folders, calls their PlugInit once, opens their pages and finds a
// tool's library through the two catalogue files.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "PlugContract.h"

class CWnd;

namespace zeva::host {

struct LoadedPlugin {
    std::string name;  // as asked for (system code page)
    std::string path;  // native path of the library
    void* handle = nullptr;
    PlugCreateFn create = nullptr;
    PlugInitFn init = nullptr;
    PlugUnInitFn uninit = nullptr;
};

class PluginLoader {
public:
    PluginLoader() = default;
    PluginLoader(const PluginLoader&) = delete;
    PluginLoader& operator=(const PluginLoader&) = delete;
    ~PluginLoader();

    // `name` is relative to the application directory ("plug\\X.dll") or a
    // bare file name looked for in "plug" and then "ProvincePlug". A ".dll"
    // name that is not there is also tried as ".so". Only libraries whose
    // real path lies in those two folders load. Loaded once; PlugInit runs
    // on the first load. Null with `error` set on failure (naming the file):
    // not there, outside the folders, no loadable library, no PlugCreate, or
    // PlugInit threw.
    LoadedPlugin* Load(const std::string& name, std::string& error);
    // Loads and calls PlugCreate(parent); false when either fails (an
    // exception out of PlugCreate included).
    bool Open(const std::string& name, CWnd* parent, std::string& error);
    // The library of tool `plugId` from "plug\PlugConfig.dat", then
    // "ProvincePlug\ProvincePlugConfig.dat"; empty when neither lists it.
    static std::string CatalogueModule(const std::string& plugId);
    // Plug-in libraries present in the two folders (relative names).
    static std::vector<std::string> Discover();
    // The tool names the two catalogues give libraries ("功能大全细" entries),
    // keyed by CatalogueKey of their "PlugModuleName"; the first catalogue
    // wins when both name one library.
    static std::map<std::string, std::string> CatalogueNames();
    // A library name as the catalogues and Discover may spell it
    // ("ProvincePlug\\X.dll", "ProvincePlug/x.so") reduced to one form.
    static std::string CatalogueKey(const std::string& library);
    // PlugUnInit where exported, then unloads every library (their pages go with them).
    void UnloadAll();
    std::size_t Count() const { return loaded_.size(); }

private:
    // Runs a plug-in's entry point; false with `error` when it threw.
    static bool CallEntry(const std::string& path, const char* entry,
                          const std::function<void()>& call, std::string& error);

    std::map<std::string, LoadedPlugin> loaded_;  // by native path
    std::vector<std::string> order_;
};

}  // namespace zeva::host
