#pragma once
// INI-structured settings kept in an enciphered file (Config.dat and the
// other settings files of the application directory).
//
// The file is sealed with AES-256-GCM under a fixed application key and a
// fresh nonce per write, so it is unreadable as text and any change to it is
// detected; a tampered, foreign or truncated file reads as empty and the next
// write replaces it. Every write reaches the disk by itself: it locks the
// file, re-reads it, applies the change, writes a new file and renames it
// over the old one, so concurrent writers in several processes lose nothing
// and a crash leaves the old or the new content.
//
// Section and key names match as in CConfigFile; readers return the default
// for a missing file, section or key.

#include <string>
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

    long ReadString(std::string section, std::string key, std::string def, std::string& out);
    int ReadInteger(std::string section, std::string key, int def);
    long ReadSection(std::string section, std::vector<std::string>& out);
    long ReadSections(std::vector<std::string>& out);

    // Writers return 0 when the change is on disk, -1 otherwise.
    long WriteString(std::string section, std::string key, std::string value);
    long WriteInteger(std::string section, std::string key, int value);
    long DeleteKey(std::string section, std::string key);
    long EraseSection(std::string section);

    // Reason for the last failed write, for tools; empty after success.
    const std::string& LastError() const;

private:
    struct Impl;
    Impl* d_;
};

namespace zeva::cfg {

enum class StoreState { Missing, Valid, Unreadable };

// Whether an enciphered settings file exists and opens (tools report a
// damaged or foreign file instead of showing it as empty).
StoreState InspectCryptFile(const std::string& path);

}  // namespace zeva::cfg
