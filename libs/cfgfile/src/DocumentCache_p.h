#pragma once
// Re-reads a settings file only when it changed: every write replaces the
// file, so its identity (file, size, modification time) tells a change.

#include <filesystem>
#include <functional>
#include <string>

#include "IniDocument_p.h"
#include "platform/FileStore.h"

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
    Decoder decode_;
    std::filesystem::path path_;
    bool valid_ = false;
    FileIdentity identity_;
    IniDocument doc_;
};

}  // namespace zeva::cfg
