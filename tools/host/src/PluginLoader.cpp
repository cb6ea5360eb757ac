#include "PluginLoader.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>

#include "ConfigKeys.h"
#include "CryptConfigFile.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"
#include "platform/RegularFile.h"

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
        const fs::path root = fs::canonical(app / dir, ec);
        if (!ec) roots.push_back(root);
    }
    bool outside = false;
    for (const fs::path& c : candidates) {
        std::vector<fs::path> files{c};
        if (EndsWith(c.string(), ".dll")) files.push_back(fs::path(c).replace_extension(".so"));
        for (const fs::path& f : files) {
            if (!fs::is_regular_file(f, ec)) continue;
            const fs::path real = fs::canonical(f, ec);
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

#if defined(__x86_64__)
constexpr unsigned kMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr unsigned kMachine = EM_AARCH64;
#elif defined(__i386__)
constexpr unsigned kMachine = EM_386;
#elif defined(__arm__)
constexpr unsigned kMachine = EM_ARM;
#else
constexpr unsigned kMachine = 0;  // not checked
#endif

// Whether `path` is a shared library this process can map. The loader maps
// a truncated file's segments past its end and faults on them, so the file
// is checked first: an ELF shared object of this machine whose loadable
// segments all lie within the file.
// Reads exactly `size` bytes at `offset`.
bool ReadAt(int fd, void* out, std::size_t size, std::uintmax_t offset) {
    auto* p = static_cast<char*>(out);
    while (size > 0) {
        const ssize_t n = ::pread(fd, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uintmax_t>(n);
    }
    return true;
}

bool CheckLibraryFile(const fs::path& path, std::string& error) {
    // Opened as a regular file first: whatever took its place since it was
    // found (a FIFO, say) must not block the host.
    const int fd = OpenRegularFile(path, &error);
    if (fd < 0) return false;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    ::fstat(fd, &st);
    const auto size = static_cast<std::uintmax_t>(st.st_size);
    ElfW(Ehdr) header{};
    if (!ReadAt(fd, &header, sizeof header, 0) ||
        std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) {
        error = path.string() + " is no plug-in: not a shared library";
        return false;
    }
    const unsigned char wantClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
    const unsigned char wantData =
        __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? ELFDATA2LSB : ELFDATA2MSB;
    if (header.e_ident[EI_CLASS] != wantClass || header.e_ident[EI_DATA] != wantData ||
        (kMachine != 0 && header.e_machine != kMachine)) {
        error = path.string() + " is no plug-in for this machine: it is built for another " +
                "architecture (ELF machine " + std::to_string(header.e_machine) + ")";
        return false;
    }
    if (header.e_type != ET_DYN) {
        error = path.string() + " is no plug-in: not a shared library";
        return false;
    }
    const auto tableEnd = static_cast<std::uintmax_t>(header.e_phoff) +
                          static_cast<std::uintmax_t>(header.e_phnum) * sizeof(ElfW(Phdr));
    std::uintmax_t needed = tableEnd;
    if (header.e_phentsize == sizeof(ElfW(Phdr)) && tableEnd <= size) {
        for (unsigned i = 0; i < header.e_phnum; ++i) {
            ElfW(Phdr) ph{};
            if (!ReadAt(fd, &ph, sizeof ph, header.e_phoff + i * sizeof ph)) break;
            if (ph.p_type == PT_LOAD)
                needed = std::max<std::uintmax_t>(
                    needed, static_cast<std::uintmax_t>(ph.p_offset) + ph.p_filesz);
        }
    } else if (header.e_phentsize != sizeof(ElfW(Phdr))) {
        error = path.string() + " is no plug-in: not a shared library";
        return false;
    }
    if (needed > size) {
        error = path.string() + " is no plug-in: the file is truncated (" + std::to_string(size) +
                " bytes of at least " + std::to_string(needed) + ")";
        return false;
    }
    return true;
}

// The reason of the last dlopen/dlsym failure.
std::string DlError() {
    const char* why = dlerror();
    return why ? why : "unknown reason";
}

}  // namespace

PluginLoader::~PluginLoader() {
    UnloadAll();
}

LoadedPlugin* PluginLoader::Load(const std::string& name, std::string& error) {
    const fs::path path = Resolve(name, error);
    if (path.empty()) return nullptr;
    const std::string key = path.string();
    if (auto it = loaded_.find(key); it != loaded_.end()) return &it->second;

    // A file that is no library for this machine (truncated, another
    // architecture, unresolved symbols) fails here and is skipped.
    if (!CheckLibraryFile(path, error)) return nullptr;
    dlerror();
    void* handle = dlopen(key.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        error = "cannot load " + key + ": " + DlError();
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
        error = key + " is no plug-in: it has no PlugCreate";
        return nullptr;
    }
    if (p.init) {
        bool ok = false;
        if (!CallEntry(
                key, plug::kPlugInit, [&] { ok = p.init(); }, error)) {
            dlclose(handle);
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

std::string PluginLoader::CatalogueKey(const std::string& library) {
    std::string key;
    for (char c : library)
        key.push_back(c == '/' ? '\\'
                               : static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    // The catalogues name the Windows file; the library here is its ".so".
    if (EndsWith(key, ".dll")) key.replace(key.size() - 4, 4, ".so");
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
        // workers here, before dlclose takes the loader's lock.
        if (auto unload = reinterpret_cast<void (*)()>(dlsym(p.handle, plug::kPlugUnload))) {
            if (!CallEntry(
                    p.path, plug::kPlugUnload, [&] { unload(); }, error))
                std::fprintf(stderr, "%s\n", error.c_str());
        }
        dlclose(p.handle);
    }
    order_.clear();
    loaded_.clear();
}

}  // namespace zeva::host
