#pragma once
// Re-reads a settings file only when it changed: every write replaces the
// file, so its identity (inode, size, modification time) tells a change.

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>

#include "IniDocument_p.h"

namespace zeva::cfg {

class DocumentCache {
public:
    using Decoder = std::function<IniDocument(const std::string&)>;

    explicit DocumentCache(Decoder decode) : decode_(std::move(decode)) {}

    void Reset(std::filesystem::path path);
    const std::filesystem::path& Path() const { return path_; }

    // The file's current document; empty for a missing or unreadable file.
    const IniDocument& Current();

private:
    struct Identity {
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = -1;
        long long mtimeNs = -1;
        bool operator==(const Identity&) const = default;
    };

    Decoder decode_;
    std::filesystem::path path_;
    bool valid_ = false;
    Identity identity_;
    IniDocument doc_;
};

}  // namespace zeva::cfg
