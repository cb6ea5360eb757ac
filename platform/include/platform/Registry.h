#pragma once
// The few registry values this system reads and writes (Internet Settings
// proxy, installation path and version). Key and value names match
// case-insensitively. Strings cross this interface in the system code page.
//
// On Windows this is the registry itself (names and strings as UTF-16). Tests
// keep to a private key of HKEY_CURRENT_USER: ZEVA_REGISTRY_KEY names it, or
// ZEVA_REGISTRY_DIR names a folder that owns one (the key is dropped once
// its folder is gone).
//
// Elsewhere it is a small file-backed stand-in, stored as UTF-8:
// <root>/<HIVE>/<key>/<subkey>/.values, where <root> is ZEVA_REGISTRY_DIR,
// else $XDG_CONFIG_HOME/zeva/registry, else ~/.config/zeva/registry.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zeva {

enum class RegistryHive { CurrentUser, LocalMachine };

#ifndef _WIN32
std::filesystem::path RegistryRootDirectory();
#endif

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
    // True when the value existed and is gone.
    bool DeleteValue(std::string_view name);

#ifdef _WIN32
private:
    explicit RegistryKey(std::shared_ptr<void> key) : key_(std::move(key)) {}
    std::shared_ptr<void> key_;  // the open HKEY, closed with its last copy
#else
    const std::filesystem::path& Directory() const {
        return dir_;
    }

private:
    explicit RegistryKey(std::filesystem::path dir) : dir_(std::move(dir)) {}
    std::optional<std::string> Query(std::string_view name, char type) const;
    bool Set(std::string_view name, char type, const std::string& data);

    std::filesystem::path dir_;
#endif
};

}  // namespace zeva
