// The catalog evaluation on arbitrary catalogs, both forms: the main
// program's (every gate) and the plug-in's (every section a file, or the
// toolbox's FILES list). The catalog is written to a scratch file, the
// installation is a scratch folder holding one file.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "CatalogFreshness.h"
#include "UpdateCatalog.h"

namespace fs = std::filesystem;

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

struct Scratch {
    fs::path root;
    std::string install;
    std::string catalog;
    Scratch() {
        ::setenv("ZEVA_ACP", "GBK", 1);
        root = fs::temp_directory_path() / ("zeva-catalog-fuzz-" + std::to_string(::getpid()));
        fs::create_directories(root / "install");
        std::ofstream(root / "install" / "a.dll") << "installed";
        install = (root / "install").string() + "/";
        catalog = (root / "UpdateConfig.ini").string();
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

void CheckEntries(const UpdateCatalog& c) {
    for (const UpdateFileEntry& e : c.Entries()) Check(zeva::IsSafeRelativeName(e.name));
    for (const std::string& name : c.RejectedNames()) Check(!zeva::IsSafeRelativeName(name));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Scratch scratch;
    {
        std::ofstream out(scratch.catalog, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    for (int gate = 0; gate < 2; ++gate) {
        UpdateCatalog main(scratch.install, scratch.catalog, "1.0", "330000");
        main.SetVersionOnlyGate(gate == 1);
        const int rc = main.Evaluate();
        Check(rc == 0 || rc == 1);
        if (rc == 1) Check(main.Entries().empty());
        CheckEntries(main);
    }
    UpdateCatalog plugin(scratch.install, scratch.catalog, "", "");
    Check(plugin.EvaluatePlugin() == 0);
    CheckEntries(plugin);
    UpdateCatalog toolbox(scratch.install, scratch.catalog, "", "");
    Check(toolbox.EvaluatePluginFilesSection() == 0);
    CheckEntries(toolbox);
    // Sequence and expiry: never negative, and 0 stands for "none" when unreadable.
    for (const auto form : {zeva::CatalogForm::Main, zeva::CatalogForm::Plugin,
                            zeva::CatalogForm::PluginFilesSection}) {
        const zeva::CatalogFreshness f = zeva::ReadCatalogFreshness(scratch.catalog, form);
        Check(f.sequence >= 0 && f.expires >= 0);
    }
    return 0;
}
