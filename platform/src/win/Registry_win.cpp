// The registry store on Windows: the registry itself, every name and string
// as UTF-16. Tests redirect both hives to a private key of HKEY_CURRENT_USER
// (see Registry.h), so they never touch the machine's own values.
#include "platform/Registry.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include "WinText_p.h"
#include "platform/CodePage.h"

namespace zeva {

namespace fs = std::filesystem;

namespace {

using win::Utf8;
using win::Wide;

// The parent of the keys that folders named by ZEVA_REGISTRY_DIR own.
constexpr wchar_t kFolderKeysParent[] = L"Software\\Zeva\\Test Registry";
// The value that names a folder key's folder, and the file in that folder
// that says the key is its own.
constexpr wchar_t kFolderValue[] = L"Folder";
constexpr wchar_t kMarkerFile[] = L".registry-key";

// A name given in the system code page, as the registry takes it.
std::wstring WideName(std::string_view acp) {
    return Wide(AcpToUtf8(acp));
}

std::optional<std::wstring> Variable(const wchar_t* name) {
    const DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n <= 1) return std::nullopt;
    std::wstring value(n, L'\0');
    const DWORD got = GetEnvironmentVariableW(name, value.data(), n);
    if (got == 0 || got >= n) return std::nullopt;
    value.resize(got);
    return value;
}

// The key path without empty parts; nothing for a "." or ".." part, which
// the stores of other systems refuse (a key name never walks up).
std::optional<std::wstring> CleanSubKey(const std::wstring& subKey) {
    std::wstring out;
    size_t start = 0;
    while (start <= subKey.size()) {
        size_t end = subKey.find(L'\\', start);
        if (end == std::wstring::npos) end = subKey.size();
        const std::wstring part = subKey.substr(start, end - start);
        if (part == L"." || part == L"..") return std::nullopt;
        if (!part.empty()) {
            if (!out.empty()) out += L'\\';
            out += part;
        }
        start = end + 1;
    }
    return out;
}

void CloseKey(void* key) {
    if (key != nullptr) RegCloseKey(static_cast<HKEY>(key));
}

// Drops the keys of folders that no longer own them: the tests that made
// them are over. Done once per process.
void DropOrphanedFolderKeys() {
    static std::once_flag once;
    std::call_once(once, [] {
        HKEY parent = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kFolderKeysParent, 0, KEY_READ, &parent) !=
            ERROR_SUCCESS)
            return;
        std::vector<std::wstring> orphans;
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD len = 256;
            if (RegEnumKeyExW(parent, i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            std::vector<wchar_t> folder(32768);
            DWORD size = static_cast<DWORD>(folder.size() * sizeof(wchar_t));
            const bool named = RegGetValueW(parent, name, kFolderValue, RRF_RT_REG_SZ, nullptr,
                                            folder.data(), &size) == ERROR_SUCCESS;
            const std::wstring marker = std::wstring(folder.data()) + L"\\" + kMarkerFile;
            if (!named || GetFileAttributesW(marker.c_str()) == INVALID_FILE_ATTRIBUTES)
                orphans.emplace_back(name);
        }
        for (const std::wstring& orphan : orphans) RegDeleteTreeW(parent, orphan.c_str());
        RegCloseKey(parent);
    });
}

// Where a hive lives: its own root, or a private key of HKEY_CURRENT_USER
// while a test redirects the store. Empty `prefix` means the real hive.
struct HiveRoot {
    HKEY root = nullptr;
    std::wstring prefix;  // ends with a backslash when not empty
    bool empty = false;   // a redirected hive that holds no key yet
    REGSAM view = 0;      // which view of a 64-bit system's registry
};

std::optional<HiveRoot> Locate(RegistryHive hive, bool create) {
    const wchar_t* hiveName =
        hive == RegistryHive::CurrentUser ? L"HKEY_CURRENT_USER" : L"HKEY_LOCAL_MACHINE";
    if (auto key = Variable(L"ZEVA_REGISTRY_KEY")) {
        auto clean = CleanSubKey(*key);
        if (!clean || clean->empty()) return std::nullopt;
        return HiveRoot{HKEY_CURRENT_USER, *clean + L"\\" + hiveName + L"\\"};
    }
    if (auto dir = Variable(L"ZEVA_REGISTRY_DIR")) {
        DropOrphanedFolderKeys();
        std::error_code ec;
        const fs::path folder = fs::absolute(fs::path(*dir), ec);
        if (ec) return std::nullopt;
        std::wstring upper = folder.wstring();
        CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
        std::uint64_t hash = 1469598103934665603ULL;  // FNV-1a
        for (wchar_t c : upper) {
            hash ^= static_cast<std::uint64_t>(c);
            hash *= 1099511628211ULL;
        }
        const std::wstring own = std::wstring(kFolderKeysParent) + L"\\" + std::to_wstring(hash);
        const fs::path marker = folder / kMarkerFile;
        if (GetFileAttributesW(marker.c_str()) == INVALID_FILE_ATTRIBUTES) {
            // A folder without its mark owns no key yet: it is empty, or is
            // made now (a key left by an earlier folder of that name is dropped).
            if (!create) return HiveRoot{HKEY_CURRENT_USER, L"", true};
            fs::create_directories(folder, ec);
            HANDLE h = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_HIDDEN, nullptr);
            if (h != INVALID_HANDLE_VALUE) {
                CloseHandle(h);
                RegDeleteTreeW(HKEY_CURRENT_USER, own.c_str());
            } else if (GetLastError() != ERROR_FILE_EXISTS) {
                return std::nullopt;
            }
            HKEY key = nullptr;
            if (RegCreateKeyExW(HKEY_CURRENT_USER, own.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, &key, nullptr) != ERROR_SUCCESS)
                return std::nullopt;
            const std::wstring text = folder.wstring();
            RegSetValueExW(key, kFolderValue, 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
            RegCloseKey(key);
        }
        return HiveRoot{HKEY_CURRENT_USER, own + L"\\" + hiveName + L"\\"};
    }
    if (hive == RegistryHive::CurrentUser) return HiveRoot{HKEY_CURRENT_USER, L""};
    // The installers and earlier versions of this system are 32-bit programs:
    // on 64-bit Windows their machine-wide values live in the 32-bit view
    // (WOW6432Node), and this build reads and writes the same place.
    return HiveRoot{HKEY_LOCAL_MACHINE, L"", false, KEY_WOW64_32KEY};
}

// The open key, closed with its last holder; empty when it cannot be opened.
std::shared_ptr<void> OpenOrCreate(RegistryHive hive, std::string_view subKey, bool create) {
    const auto clean = CleanSubKey(WideName(subKey));
    if (!clean) return {};
    const auto root = Locate(hive, create);
    if (!root || root->empty) return {};
    const std::wstring path = root->prefix + *clean;
    // Read and write where the user may (HKEY_LOCAL_MACHINE is often read-only).
    for (REGSAM access : {KEY_READ | KEY_SET_VALUE, KEY_READ}) {
        access |= root->view;
        HKEY key = nullptr;
        const LSTATUS rc = create ? RegCreateKeyExW(root->root, path.c_str(), 0, nullptr, 0, access,
                                                    nullptr, &key, nullptr)
                                  : RegOpenKeyExW(root->root, path.c_str(), 0, access, &key);
        if (rc == ERROR_SUCCESS) return std::shared_ptr<void>(key, CloseKey);
        if (rc != ERROR_ACCESS_DENIED) break;
    }
    return {};
}

// The raw data of a value and its type; nothing when it cannot be read.
std::optional<std::vector<BYTE>> QueryRaw(HKEY key, const std::wstring& name, DWORD& type) {
    std::vector<BYTE> data(256);
    for (int attempt = 0; attempt < 8; ++attempt) {
        DWORD size = static_cast<DWORD>(data.size());
        const LSTATUS rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
        if (rc == ERROR_SUCCESS) {
            data.resize(size);
            return data;
        }
        // The value grew since its size was asked: ask again.
        if (rc != ERROR_MORE_DATA) return std::nullopt;
        data.resize(std::max<size_t>(size, data.size() * 2));
    }
    return std::nullopt;
}

}  // namespace

std::optional<RegistryKey> RegistryKey::Open(RegistryHive hive, std::string_view subKey) {
    auto key = OpenOrCreate(hive, subKey, false);
    if (!key) return std::nullopt;
    return RegistryKey(std::move(key));
}

std::optional<RegistryKey> RegistryKey::Create(RegistryHive hive, std::string_view subKey) {
    auto key = OpenOrCreate(hive, subKey, true);
    if (!key) return std::nullopt;
    return RegistryKey(std::move(key));
}

std::optional<std::uint32_t> RegistryKey::QueryDword(std::string_view name) const {
    DWORD type = 0;
    const auto data = QueryRaw(static_cast<HKEY>(key_.get()), WideName(name), type);
    if (!data || type != REG_DWORD || data->size() != sizeof(DWORD)) return std::nullopt;
    DWORD value = 0;
    std::memcpy(&value, data->data(), sizeof value);
    return value;
}

std::optional<std::string> RegistryKey::QueryString(std::string_view name) const {
    DWORD type = 0;
    const auto data = QueryRaw(static_cast<HKEY>(key_.get()), WideName(name), type);
    if (!data || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
    // The stored terminator is optional, and the text ends at the first one.
    std::wstring text(data->size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), data->data(), text.size() * sizeof(wchar_t));
    if (const auto nul = text.find(L'\0'); nul != std::wstring::npos) text.resize(nul);
    if (type == REG_EXPAND_SZ) {
        const DWORD n = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
        if (n > 0) {
            std::wstring expanded(n, L'\0');
            const DWORD got = ExpandEnvironmentStringsW(text.c_str(), expanded.data(), n);
            if (got > 0 && got <= n) {
                expanded.resize(got - 1);
                text = std::move(expanded);
            }
        }
    }
    return Utf8ToAcp(Utf8(text));
}

bool RegistryKey::SetDword(std::string_view name, std::uint32_t value) {
    const DWORD v = value;
    return RegSetValueExW(static_cast<HKEY>(key_.get()), WideName(name).c_str(), 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&v), sizeof v) == ERROR_SUCCESS;
}

bool RegistryKey::SetString(std::string_view name, std::string_view value) {
    const std::wstring text = WideName(value);
    return RegSetValueExW(static_cast<HKEY>(key_.get()), WideName(name).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool RegistryKey::DeleteValue(std::string_view name) {
    return RegDeleteValueW(static_cast<HKEY>(key_.get()), WideName(name).c_str()) == ERROR_SUCCESS;
}

}  // namespace zeva
