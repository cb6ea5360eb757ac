#include "DocumentCache_p.h"

#include "platform/FileStore.h"

namespace zeva::cfg {

void DocumentCache::Reset(std::filesystem::path path) {
    path_ = std::move(path);
    valid_ = false;
    doc_ = IniDocument{};
}

const IniDocument& DocumentCache::Current() {
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0) {
        valid_ = false;
        doc_ = IniDocument{};
        return doc_;
    }
    const Identity id{st.st_dev, st.st_ino, st.st_size,
                      static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
    if (valid_ && id == identity_) return doc_;
    const auto data = ReadWholeFile(path_);
    doc_ = data ? decode_(*data) : IniDocument{};
    identity_ = id;
    valid_ = data.has_value();
    return doc_;
}

}  // namespace zeva::cfg
