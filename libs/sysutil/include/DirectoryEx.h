#pragma once
// Directory helpers. Paths are in the system code page and may use '\' or
// '/' as separators (catalogs write backslashes); paths handed back use the
// native separator. Operations return 0 on success and -1 on failure.

#include <string>
#include <vector>

class CDirectoryEx {
public:
    // Directory of the running program (ZEVA_APP_DIR overrides), ending with a separator.
    static int GetApplicationPath(std::string& out);
    // The folder part of a path, ending with a separator ("" for a bare name).
    static int GetFilePath(std::string path, std::string& folder);
    // Creates the directory and every missing parent.
    static int CreateMultipleDirectory(std::string dir);
    // Removes the directory with everything in it. Refuses an empty path and
    // the root of the file system.
    static int DeleteDirectory(std::string dir);
    // Appends to `out` the full paths of the files in `dir` whose names match
    // the wildcard `pattern` ('*', '?', '[...]', case-insensitive); with
    // `recursive` the subfolders are searched too (symbolic links to folders
    // are not followed). Results are sorted by path.
    static int SearchFile(std::string dir, bool recursive, std::string pattern,
                          std::vector<std::string>& out);
};
