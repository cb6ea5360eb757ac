#pragma once
// INI-structured settings kept in an enciphered file (Config.dat and the
// other settings files of the application directory).
//
// The file is sealed with AES-256-GCM under a fixed application key and a
// fresh nonce per write, so it is unreadable as text and any change to it is
// detected; a tampered, foreign or truncated file reads as empty, and the
// next write first keeps it aside as "<file>.damaged" (".damaged.1", ... when
// that exists), then replaces it. Every write reaches the disk by itself: it
// locks the file, re-reads it, applies the change, writes a new file and
// renames it over the old one (through a symbolic link, to its target), so
// concurrent writers in several processes lose nothing and a crash leaves
// the old or the new content.
//
// Section and key names match as in CConfigFile; readers return the default
// for a missing file, section or key.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

class CCryptConfigFile {
public:
    CCryptConfigFile();
    // `second` is accepted for compatibility and not used.
    CCryptConfigFile(std::string path, std::string second);
    CCryptConfigFile(const CCryptConfigFile&);
    CCryptConfigFile& operator=(const CCryptConfigFile&);
    ~CCryptConfigFile();

    // Points the object at another file; returns 0.
    long Initialize(std::string path, std::string second);
    // The same for a native path, taken byte for byte (tools that get paths
    // from the command line).
    long InitializeNative(const std::filesystem::path& path);

    long ReadString(std::string section, std::string key, std::string def, std::string& out);
    int ReadInteger(std::string section, std::string key, int def);
    long ReadSection(std::string section, std::vector<std::string>& out);
    long ReadSections(std::vector<std::string>& out);
    long ReadSectionValues(std::string section,
                           std::vector<std::pair<std::string, std::string>>& out);

    // Writers return 0 when the change is on disk, -1 otherwise.
    long WriteString(std::string section, std::string key, std::string value);
    long WriteInteger(std::string section, std::string key, int value);
    long DeleteKey(std::string section, std::string key);
    long EraseSection(std::string section);

    struct Entry {
        std::string section;
        std::string key;
        std::string value;
    };
    // Stores every entry, in order, in one rewrite: all of them reach the
    // file, or none.
    long WriteEntries(const std::vector<Entry>& entries);

    // Reason for the last failed write, for tools; empty after success.
    const std::string& LastError() const;

private:
    struct Impl;
    Impl* d_;
};

namespace zeva::cfg {

enum class StoreState { Missing, Valid, Unreadable, NotAFile };

// Whether an enciphered settings file (a native path) exists and opens, so
// tools report a damaged or foreign file, or a FIFO, device or directory,
// instead of showing it as empty.
StoreState InspectCryptFile(const std::filesystem::path& path);

}  // namespace zeva::cfg
