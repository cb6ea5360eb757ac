#pragma once
// Release publishing: the catalog of a release folder (main program
// "UpdateConfig.ini" or plug-in "config.ini") and the update-server layout
// <root>/<type>/<prefix><files> that any static web server can serve.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace zeva::publish {

struct PublishedFile {
    std::string name;  // catalog name: system code page, backslashes
    std::filesystem::path source;
    std::string md5;
    std::string sha256;  // only for signed catalogs
    std::uintmax_t size = 0;
    std::string modifyTime;
};

enum class CatalogKind { Main, Plugin, PluginFilesSection };

struct MainVersion {
    std::string version;
    std::string region;
    bool unconditional = false;
    bool notify = false;
};

// What a signed catalog says about its age (see the engine's CatalogFreshness):
// a sequence that grows with every signing, and an optional expiry.
struct CatalogStamp {
    std::int64_t sequence = 0;  // 0: none written
    std::int64_t expires = 0;   // seconds since 1970 (UTC); 0: none written
};

// Every regular file below `dir` except the catalog `catalogName` (and its
// signature) at its top, sorted by name; `progress(done, total)` is called
// while hashing; `withSha256` adds each file's SHA-256. Throws
// std::runtime_error with a one-line reason on a name the catalogs cannot carry.
std::vector<PublishedFile> ScanRelease(const std::filesystem::path& dir,
                                       const std::string& catalogName,
                                       const std::function<void(size_t, size_t)>& progress = {},
                                       bool withSha256 = false);

// The catalog text (system code page, CRLF line ends); "SHA256" follows "MD5"
// for files that carry one. The stamp's "SEQUENCE" and "EXPIRES" go into
// "Version" of a main catalog and into every file's section of a plug-in one
// (extra keys, which older readers pass over).
std::string CatalogText(CatalogKind kind, const std::vector<PublishedFile>& files,
                        const MainVersion& version, const CatalogStamp& stamp = {});

// Writes a file so that readers see the old or the whole new content. A
// symbolic link is written through to its regular file; a device, FIFO or
// folder is never replaced. Throws std::runtime_error with the reason.
void WriteFileAtomically(const std::filesystem::path& path, const std::string& content);

// The detached signature's file name beside a catalog ("UpdateConfig.ini.sig").
std::string SignatureName(const std::string& catalogName);

// Copies the files under `root`/`type`/`prefix` and then writes the catalog
// there, after its signature when one is given; returns the catalog's path.
std::filesystem::path LayOutServer(const std::filesystem::path& root, const std::string& type,
                                   const std::string& prefix,
                                   const std::vector<PublishedFile>& files,
                                   const std::string& catalogName, const std::string& catalogText,
                                   const std::string& signature = {});

}  // namespace zeva::publish
