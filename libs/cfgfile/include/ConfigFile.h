#pragma once
// Read-only access to a plain INI text file (the update catalogs).
//
// Dialect: "[section]" header lines and "key=value" lines; blank lines, lines
// starting with ';' or '#', and lines without '=' are ignored. Keys and values
// are trimmed of blanks; the value is everything after the first '='. Section
// and key names match case-insensitively (ASCII letters only, so double-byte
// characters are compared exactly). A repeated key keeps its first value; a
// repeated section adds its keys to the first one. LF and CRLF both work.
// A missing file, section or key is never an error: readers get the default.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

class CConfigFile {
public:
    explicit CConfigFile(std::string path);
    // A file named by a native path, taken byte for byte (tools).
    static CConfigFile FromNativePath(const std::filesystem::path& path);
    CConfigFile(const CConfigFile&);
    CConfigFile& operator=(const CConfigFile&);
    ~CConfigFile();

    // Returns the length of the text placed in `out`.
    long ReadString(std::string section, std::string key, std::string def, std::string& out);
    int ReadInteger(std::string section, std::string key, int def);
    // `out` receives the key names of the section in file order; returns their count.
    long ReadSection(std::string section, std::vector<std::string>& out);
    // `out` receives all section names in file order; returns their count.
    long ReadSections(std::vector<std::string>& out);
    // `out` receives the keys of the section with their values, in file
    // order (tools that show a whole file); returns their count.
    long ReadSectionValues(std::string section,
                           std::vector<std::pair<std::string, std::string>>& out);

private:
    struct Impl;
    Impl* d_;
};
