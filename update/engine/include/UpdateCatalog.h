#pragma once
// Evaluation of a downloaded catalog against the installed files: which
// files of the release differ (by MD5) from what is installed.

#include <string>
#include <vector>

#include "UpdateFileEntry.h"

namespace zeva {

// Byte-wise string order of versions: "1.10" sorts before "1.9".
bool VersionSortsAfter(const std::string& candidate, const std::string& current);

// A relative name that stays inside the folder it is appended to: not empty,
// not absolute, no drive letter or ':' and no empty, "." or ".." segment.
bool IsSafeRelativeName(const std::string& acpName);

// 64 lower-case hexadecimal digits.
bool IsSha256Text(const std::string& text);

// Whether a fetched or staged file is the one the catalog lists: a regular
// file whose size is the entry's "SIZE" (decimal), whose MD5 is its "MD5"
// and, when the entry carries a "SHA256", whose SHA256 is that one. A
// matching digest with another size is refused in every form.
bool FileMatchesEntry(const std::string& acpPath, const UpdateFileEntry& entry);

}  // namespace zeva

class UpdateCatalog {
public:
    UpdateCatalog(std::string installDir, std::string catalogPath, std::string localVersion,
                  std::string localRegion);

    // Main program catalog: -1 catalog missing, 1 no update due, 0 evaluated.
    int Evaluate();
    // Plug-in catalog, every section one file; -1 when the catalog is missing, else 0.
    int EvaluatePlugin();
    // Plug-in catalog whose files are listed in "FILES" (toolbox form).
    int EvaluatePluginFilesSection();

    // The silent updater's gate: VERSION alone decides.
    void SetVersionOnlyGate(bool versionOnly) { versionOnly_ = versionOnly; }

    const std::vector<UpdateFileEntry>& Entries() const { return entries_; }
    // Files of the evaluated list whose section lacks a well-formed "SHA256"
    // (current files included: a signed release must name one for every file).
    const std::vector<std::string>& FilesWithoutSha256() const { return withoutSha256_; }
    // Names left out because they would reach outside the install folder, or
    // name a folder there (a folder is never replaced by a file).
    const std::vector<std::string>& RejectedNames() const { return rejected_; }
    const std::string& InstallDir() const { return installDir_; }

private:
    // The plug-in forms: every section a file, or the files listed in "FILES".
    int EvaluatePluginCatalog(bool filesSection);
    void AddDueFiles(const std::vector<std::string>& names);

    std::string installDir_;
    std::string catalogPath_;
    std::string localVersion_;
    std::string localRegion_;
    bool versionOnly_ = false;
    std::vector<UpdateFileEntry> entries_;
    std::vector<std::string> rejected_;
    std::vector<std::string> withoutSha256_;
};
