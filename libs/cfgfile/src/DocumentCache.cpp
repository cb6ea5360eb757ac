#include "DocumentCache_p.h"

#include "platform/FileStore.h"

namespace zeva::cfg {

void DocumentCache::Reset(std::filesystem::path path) {
    path_ = std::move(path);
    valid_ = false;
    doc_ = IniDocument{};
}

const IniDocument& DocumentCache::Current() {
    const std::optional<FileIdentity> id = IdentifyFile(path_);
    if (!id) {
        valid_ = false;
        doc_ = IniDocument{};
        return doc_;
    }
    if (valid_ && *id == identity_) return doc_;
    const auto data = ReadWholeFile(path_);
    doc_ = data ? decode_(*data) : IniDocument{};
    identity_ = *id;
    valid_ = data.has_value();
    return doc_;
}

}  // namespace zeva::cfg
