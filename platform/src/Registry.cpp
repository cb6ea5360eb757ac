#include "platform/Registry.h"

#include <cstdlib>
#include <sstream>
#include <system_error>
#include <vector>

#include "platform/CodePage.h"
#include "platform/FileStore.h"

namespace zeva {

namespace fs = std::filesystem;

namespace {

constexpr char kValuesFile[] = ".values";

std::string LowerAscii(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

const char* HiveName(RegistryHive hive) {
    return hive == RegistryHive::CurrentUser ? "hkey_current_user" : "hkey_local_machine";
}

// The directory of a key; nothing for a name that would leave the store.
std::optional<fs::path> KeyDirectory(RegistryHive hive, std::string_view subKey) {
    fs::path dir = RegistryRootDirectory() / HiveName(hive);
    std::string part;
    const std::string utf8 = AcpToUtf8(subKey);
    auto flush = [&]() -> bool {
        if (part.empty()) return true;
        if (part == "." || part == "..") return false;
        dir /= LowerAscii(part);
        part.clear();
        return true;
    };
    for (char c : utf8) {
        if (c == '\\' || c == '/') {
            if (!flush()) return std::nullopt;
        } else {
            part.push_back(c);
        }
    }
    if (!flush()) return std::nullopt;
    return dir;
}

// Values file: one line per value, "name<TAB>type<TAB>data", with backslash
// escapes for tab, newline and backslash; type 'd' (DWORD) or 's' (string).
std::string Escape(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out.push_back(c);
    }
    return out;
}

std::string Unescape(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            const char n = s[++i];
            out.push_back(n == 't' ? '\t' : n == 'n' ? '\n' : n == 'r' ? '\r' : n);
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

struct Entry {
    std::string name;  // UTF-8
    char type;
    std::string data;  // UTF-8
};

std::vector<Entry> Parse(const std::string& text) {
    std::vector<Entry> entries;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const auto t1 = line.find('\t');
        if (t1 == std::string::npos || t1 + 2 >= line.size() || line[t1 + 2] != '\t') continue;
        entries.push_back(
            {Unescape(line.substr(0, t1)), line[t1 + 1], Unescape(line.substr(t1 + 3))});
    }
    return entries;
}

std::string Serialize(const std::vector<Entry>& entries) {
    std::string out;
    for (const Entry& e : entries) {
        out += Escape(e.name);
        out += '\t';
        out += e.type;
        out += '\t';
        out += Escape(e.data);
        out += '\n';
    }
    return out;
}

}  // namespace

fs::path RegistryRootDirectory() {
    if (const char* env = std::getenv("ZEVA_REGISTRY_DIR"); env != nullptr && *env != '\0') {
        return fs::path(env);
    }
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
        return fs::path(xdg) / "zeva" / "registry";
    }
    const char* home = std::getenv("HOME");
    return fs::path(home != nullptr ? home : "/tmp") / ".config" / "zeva" / "registry";
}

std::optional<RegistryKey> RegistryKey::Open(RegistryHive hive, std::string_view subKey) {
    auto dir = KeyDirectory(hive, subKey);
    std::error_code ec;
    if (!dir || !fs::is_directory(*dir, ec)) return std::nullopt;
    return RegistryKey(std::move(*dir));
}

std::optional<RegistryKey> RegistryKey::Create(RegistryHive hive, std::string_view subKey) {
    auto dir = KeyDirectory(hive, subKey);
    if (!dir) return std::nullopt;
    std::error_code ec;
    fs::create_directories(*dir, ec);
    if (!fs::is_directory(*dir, ec)) return std::nullopt;
    return RegistryKey(std::move(*dir));
}

std::optional<std::string> RegistryKey::Query(std::string_view name, char type) const {
    const auto text = ReadWholeFile(dir_ / kValuesFile);
    if (!text) return std::nullopt;
    const std::string wanted = LowerAscii(AcpToUtf8(name));
    for (const Entry& e : Parse(*text)) {
        if (LowerAscii(e.name) == wanted) {
            if (e.type != type) return std::nullopt;
            return e.data;
        }
    }
    return std::nullopt;
}

std::optional<std::uint32_t> RegistryKey::QueryDword(std::string_view name) const {
    const auto data = Query(name, 'd');
    if (!data) return std::nullopt;
    char* end = nullptr;
    const unsigned long v = std::strtoul(data->c_str(), &end, 10);
    if (end == data->c_str() || *end != '\0') return std::nullopt;
    return static_cast<std::uint32_t>(v);
}

std::optional<std::string> RegistryKey::QueryString(std::string_view name) const {
    const auto data = Query(name, 's');
    if (!data) return std::nullopt;
    return Utf8ToAcp(*data);
}

bool RegistryKey::Set(std::string_view name, char type, const std::string& data) {
    const std::string utf8Name = AcpToUtf8(name);
    const std::string wanted = LowerAscii(utf8Name);
    return RewriteFile(dir_ / kValuesFile,
                       [&](const std::string& current) -> std::optional<std::string> {
                           auto entries = Parse(current);
                           bool replaced = false;
                           for (Entry& e : entries) {
                               if (LowerAscii(e.name) == wanted) {
                                   e = {utf8Name, type, data};
                                   replaced = true;
                                   break;
                               }
                           }
                           if (!replaced) entries.push_back({utf8Name, type, data});
                           return Serialize(entries);
                       });
}

bool RegistryKey::SetDword(std::string_view name, std::uint32_t value) {
    return Set(name, 'd', std::to_string(value));
}

bool RegistryKey::SetString(std::string_view name, std::string_view value) {
    return Set(name, 's', AcpToUtf8(value));
}

bool RegistryKey::DeleteValue(std::string_view name) {
    const std::string wanted = LowerAscii(AcpToUtf8(name));
    bool found = false;
    const bool ok = RewriteFile(
        dir_ / kValuesFile, [&](const std::string& current) -> std::optional<std::string> {
            auto entries = Parse(current);
            const auto before = entries.size();
            std::erase_if(entries, [&](const Entry& e) { return LowerAscii(e.name) == wanted; });
            found = entries.size() != before;
            if (!found) return std::nullopt;
            return Serialize(entries);
        });
    return ok && found;
}

}  // namespace zeva
