#include "ConfigFile.h"

#include "DocumentCache_p.h"
#include "platform/AppPath.h"

using zeva::cfg::DocumentCache;
using zeva::cfg::IniDocument;

struct CConfigFile::Impl {
    Impl() : cache([](const std::string& text) { return IniDocument::ParseText(text); }) {}
    DocumentCache cache;
};

CConfigFile::CConfigFile(std::string path) : d_(new Impl) {
    d_->cache.Reset(zeva::NativePath(path));
}

CConfigFile CConfigFile::FromNativePath(const std::filesystem::path& path) {
    CConfigFile file{std::string()};
    file.d_->cache.Reset(path);
    return file;
}

CConfigFile::CConfigFile(const CConfigFile& other) : d_(new Impl) {
    d_->cache.Reset(other.d_->cache.Path());
}

CConfigFile& CConfigFile::operator=(const CConfigFile& other) {
    if (this != &other) d_->cache.Reset(other.d_->cache.Path());
    return *this;
}

CConfigFile::~CConfigFile() {
    delete d_;
}

long CConfigFile::ReadString(std::string section, std::string key, std::string def,
                             std::string& out) {
    return zeva::cfg::ReadStringFrom(d_->cache.Current(), section, key, def, out);
}

int CConfigFile::ReadInteger(std::string section, std::string key, int def) {
    return zeva::cfg::ReadIntegerFrom(d_->cache.Current(), section, key, def);
}

long CConfigFile::ReadSection(std::string section, std::vector<std::string>& out) {
    return zeva::cfg::ReadSectionFrom(d_->cache.Current(), section, out);
}

long CConfigFile::ReadSectionValues(std::string section,
                                    std::vector<std::pair<std::string, std::string>>& out) {
    return zeva::cfg::ReadSectionValuesFrom(d_->cache.Current(), section, out);
}

long CConfigFile::ReadSections(std::vector<std::string>& out) {
    return zeva::cfg::ReadSectionsFrom(d_->cache.Current(), out);
}
