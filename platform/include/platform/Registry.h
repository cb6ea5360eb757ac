#pragma once
// A small file-backed stand-in for the few registry values this system reads
// and writes (Internet Settings proxy, installation path and version).
//
// Layout: <root>/<HIVE>/<key>/<subkey>/.values, where <root> is
// ZEVA_REGISTRY_DIR, else $XDG_CONFIG_HOME/zeva/registry, else
// ~/.config/zeva/registry. Key and value names match case-insensitively, as
// on Windows. Strings cross this interface in the system code page and are
// stored as UTF-8.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zeva {

enum class RegistryHive { CurrentUser, LocalMachine };

std::filesystem::path RegistryRootDirectory();

class RegistryKey {
public:
    // Opens an existing key; nothing when it does not exist.
    static std::optional<RegistryKey> Open(RegistryHive hive, std::string_view subKey);
    // Opens a key, creating it and its parents when missing.
    static std::optional<RegistryKey> Create(RegistryHive hive, std::string_view subKey);

    std::optional<std::uint32_t> QueryDword(std::string_view name) const;
    std::optional<std::string> QueryString(std::string_view name) const;
    bool SetDword(std::string_view name, std::uint32_t value);
    bool SetString(std::string_view name, std::string_view value);
    bool DeleteValue(std::string_view name);

    const std::filesystem::path& Directory() const { return dir_; }

private:
    explicit RegistryKey(std::filesystem::path dir) : dir_(std::move(dir)) {}
    std::optional<std::string> Query(std::string_view name, char type) const;
    bool Set(std::string_view name, char type, const std::string& data);

    std::filesystem::path dir_;
};

}  // namespace zeva
