#include "CryptConfigFile.h"

#include <functional>

#include "Cipher_p.h"
#include "DocumentCache_p.h"
#include "platform/AppPath.h"
#include "platform/FileStore.h"

using zeva::cfg::DocumentCache;
using zeva::cfg::IniDocument;

namespace {

// Anything that does not open and parse is treated as an empty store.
IniDocument Decode(const std::string& sealed) {
    if (auto plain = zeva::cfg::Open(sealed)) {
        if (auto doc = IniDocument::ParseBinary(*plain)) return std::move(*doc);
    }
    return IniDocument{};
}

}  // namespace

struct CCryptConfigFile::Impl {
    Impl() : cache(&Decode) {}
    DocumentCache cache;
    std::string lastError;

    // One locked read-modify-write; `change` returns false when nothing changed.
    long Modify(const std::function<bool(IniDocument&)>& change) {
        lastError.clear();
        if (cache.Path().empty()) {
            lastError = "no file";
            return -1;
        }
        std::string sealError;
        const bool ok = zeva::RewriteFile(
            cache.Path(),
            [&](const std::string& current) -> std::optional<std::string> {
                IniDocument doc = Decode(current);
                if (!change(doc)) return std::nullopt;
                auto sealed = zeva::cfg::Seal(doc.ToBinary());
                if (!sealed) sealError = "cannot encipher";
                return sealed;
            },
            &lastError);
        if (!sealError.empty()) lastError = sealError;
        return ok && sealError.empty() ? 0 : -1;
    }
};

CCryptConfigFile::CCryptConfigFile() : d_(new Impl) {}

CCryptConfigFile::CCryptConfigFile(std::string path, std::string second) : d_(new Impl) {
    Initialize(std::move(path), std::move(second));
}

CCryptConfigFile::CCryptConfigFile(const CCryptConfigFile& other) : d_(new Impl) {
    d_->cache.Reset(other.d_->cache.Path());
}

CCryptConfigFile& CCryptConfigFile::operator=(const CCryptConfigFile& other) {
    if (this != &other) d_->cache.Reset(other.d_->cache.Path());
    return *this;
}

CCryptConfigFile::~CCryptConfigFile() { delete d_; }

long CCryptConfigFile::Initialize(std::string path, std::string /*second*/) {
    d_->cache.Reset(zeva::NativePath(path));
    return 0;
}

long CCryptConfigFile::ReadString(std::string section, std::string key, std::string def, std::string& out) {
    return zeva::cfg::ReadStringFrom(d_->cache.Current(), section, key, def, out);
}

int CCryptConfigFile::ReadInteger(std::string section, std::string key, int def) {
    return zeva::cfg::ReadIntegerFrom(d_->cache.Current(), section, key, def);
}

long CCryptConfigFile::ReadSection(std::string section, std::vector<std::string>& out) {
    return zeva::cfg::ReadSectionFrom(d_->cache.Current(), section, out);
}

long CCryptConfigFile::ReadSections(std::vector<std::string>& out) {
    return zeva::cfg::ReadSectionsFrom(d_->cache.Current(), out);
}

long CCryptConfigFile::WriteString(std::string section, std::string key, std::string value) {
    return d_->Modify([&](IniDocument& doc) {
        doc.Set(section, key, value);
        return true;
    });
}

long CCryptConfigFile::WriteInteger(std::string section, std::string key, int value) {
    return WriteString(std::move(section), std::move(key), std::to_string(value));
}

long CCryptConfigFile::DeleteKey(std::string section, std::string key) {
    return d_->Modify([&](IniDocument& doc) { return doc.DeleteKey(section, key); });
}

long CCryptConfigFile::EraseSection(std::string section) {
    return d_->Modify([&](IniDocument& doc) { return doc.EraseSection(section); });
}

const std::string& CCryptConfigFile::LastError() const { return d_->lastError; }

namespace zeva::cfg {

StoreState InspectCryptFile(const std::string& path) {
    const auto native = zeva::NativePath(path);
    std::error_code ec;
    if (!std::filesystem::exists(native, ec)) return StoreState::Missing;
    const auto data = zeva::ReadWholeFile(native);
    if (!data) return StoreState::Unreadable;
    if (data->empty()) return StoreState::Valid;
    const auto plain = Open(*data);
    return plain && IniDocument::ParseBinary(*plain) ? StoreState::Valid : StoreState::Unreadable;
}

}  // namespace zeva::cfg
