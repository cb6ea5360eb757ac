#include "CryptConfigFile.h"

#include <functional>

#include "Cipher_p.h"
#include "DocumentCache_p.h"
#include "platform/AppPath.h"
#include "platform/FileStore.h"

using zeva::cfg::DocumentCache;
using zeva::cfg::IniDocument;

namespace {

std::optional<IniDocument> DecodeIfValid(const std::string& sealed) {
    if (sealed.empty()) return IniDocument{};
    if (auto plain = zeva::cfg::Open(sealed)) return IniDocument::ParseBinary(*plain);
    return std::nullopt;
}

// Anything that does not open and parse is treated as an empty store.
IniDocument Decode(const std::string& sealed) {
    return DecodeIfValid(sealed).value_or(IniDocument{});
}

// Keeps a file that failed its check under a name of its own before it is
// replaced, so whatever it still holds can be recovered.
bool KeepDamaged(const std::filesystem::path& path, const std::string& content,
                 std::string& error) {
    const std::string base = path.string() + ".damaged";
    for (int n = 0; n < 100; ++n) {
        const std::filesystem::path aside = n == 0 ? base : base + "." + std::to_string(n);
        std::error_code ec;
        if (std::filesystem::exists(std::filesystem::symlink_status(aside, ec))) continue;
        std::string why;
        if (zeva::ReplaceFileContent(aside, content, &why)) return true;
        error = "cannot keep the damaged file aside: " + why;
        return false;
    }
    error = "cannot keep the damaged file aside: too many " + base + " files";
    return false;
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
                std::optional<IniDocument> valid = DecodeIfValid(current);
                IniDocument doc = valid ? std::move(*valid) : IniDocument{};
                if (!change(doc)) return std::nullopt;
                if (!valid && !KeepDamaged(cache.Path(), current, sealError)) return std::nullopt;
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

CCryptConfigFile::~CCryptConfigFile() {
    delete d_;
}

long CCryptConfigFile::Initialize(std::string path, std::string /*second*/) {
    d_->cache.Reset(zeva::NativePath(path));
    return 0;
}

long CCryptConfigFile::InitializeNative(const std::filesystem::path& path) {
    d_->cache.Reset(path);
    return 0;
}

long CCryptConfigFile::ReadString(std::string section, std::string key, std::string def,
                                  std::string& out) {
    return zeva::cfg::ReadStringFrom(d_->cache.Current(), section, key, def, out);
}

int CCryptConfigFile::ReadInteger(std::string section, std::string key, int def) {
    return zeva::cfg::ReadIntegerFrom(d_->cache.Current(), section, key, def);
}

long CCryptConfigFile::ReadSection(std::string section, std::vector<std::string>& out) {
    return zeva::cfg::ReadSectionFrom(d_->cache.Current(), section, out);
}

long CCryptConfigFile::ReadSectionValues(std::string section,
                                         std::vector<std::pair<std::string, std::string>>& out) {
    return zeva::cfg::ReadSectionValuesFrom(d_->cache.Current(), section, out);
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

long CCryptConfigFile::WriteEntries(const std::vector<Entry>& entries) {
    return d_->Modify([&](IniDocument& doc) {
        std::vector<zeva::cfg::IniEntry> all;
        all.reserve(entries.size());
        for (const Entry& e : entries) all.push_back({e.section, e.key, e.value});
        doc.SetAll(all);
        return true;
    });
}

const std::string& CCryptConfigFile::LastError() const {
    return d_->lastError;
}

namespace zeva::cfg {

StoreState InspectCryptFile(const std::filesystem::path& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) return StoreState::Missing;
    if (!std::filesystem::is_regular_file(status)) return StoreState::NotAFile;
    const auto data = zeva::ReadWholeFile(path);
    if (!data) return StoreState::Unreadable;
    return DecodeIfValid(*data) ? StoreState::Valid : StoreState::Unreadable;
}

}  // namespace zeva::cfg
