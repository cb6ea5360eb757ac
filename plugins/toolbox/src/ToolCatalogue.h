#pragma once
// The catalogue of further tools: the two enciphered catalogue files, read
// in order, each tool once, only tools whose library is installed.

#include <string>
#include <vector>

namespace toolbox {

// One listed tool as the page keeps it.
struct CatalogEntry {
    std::string PlugId;
    std::string ModulePath;  // application directory + "PlugModuleName"
    std::string Usage;
    int NoDestroy = 0;
    int ShowMode = 1;
};

// One button of the grid; the image paths are full paths.
struct PlugItem {
    std::string PlugId;
    std::string ModulePath;
    std::string ToolTip;
    std::string NormalImage;
    std::string SelectImage;
    std::string OverImage;
    std::string Summary;
};

// Whether the catalogue's library is installed: the file itself or, for
// "X.dll", the "X.so" the host loads in its place.
bool LibraryInstalled(const std::string& acpPath);

// A catalogue value used as a path stays inside the application directory:
// empty, or relative without "." / ".." segments, drive or root.
bool StaysInsideAppDir(const std::string& acpValue);

// Reads the catalogue `relativeFile` (below `appDir`, which ends with a
// separator) and returns the tools to list, in catalogue order. A tool whose
// PlugId is already in `entries` is skipped; every listed tool is appended
// to `entries`. Tools whose library is missing, or with a path value that
// would leave the application directory, are left out.
std::vector<PlugItem> ReadCatalogue(const std::string& appDir, const std::string& relativeFile,
                                    std::vector<CatalogEntry>& entries);

}  // namespace toolbox
