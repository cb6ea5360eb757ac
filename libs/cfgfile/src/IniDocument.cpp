#include "IniDocument_p.h"

#include <climits>
#include <cstring>
#include <unordered_map>

namespace zeva::cfg {

namespace {

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view Trim(std::string_view s) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

void PutU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void PutString(std::string& out, std::string_view s) {
    PutU32(out, static_cast<std::uint32_t>(s.size()));
    out.append(s);
}

class Reader {
public:
    explicit Reader(std::string_view data) : data_(data) {}

    bool U32(std::uint32_t& v) {
        if (data_.size() < 4) return false;
        v = 0;
        for (int i = 0; i < 4; ++i) {
            v |= static_cast<std::uint32_t>(
                     static_cast<unsigned char>(data_[static_cast<size_t>(i)]))
                 << (8 * i);
        }
        data_.remove_prefix(4);
        return true;
    }

    bool String(std::string& s) {
        std::uint32_t n = 0;
        if (!U32(n) || data_.size() < n) return false;
        s.assign(data_.substr(0, n));
        data_.remove_prefix(n);
        return true;
    }

    bool AtEnd() const { return data_.empty(); }

private:
    std::string_view data_;
};

constexpr char kBinaryMagic[] = "ZINI";

}  // namespace

bool NameEquals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (static_cast<unsigned char>(a[i]) >= 0x81) {
            if (a[i] != b[i]) return false;
            if (i + 1 < a.size()) {
                ++i;
                if (a[i] != b[i]) return false;
            }
            continue;
        }
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

IniDocument IniDocument::ParseText(std::string_view text) {
    IniDocument doc;
    IniSection* current = nullptr;
    // A UTF-8 byte order mark, as some editors write, is not part of the first line.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    while (!text.empty()) {
        const auto eol = text.find('\n');
        std::string_view line = Trim(text.substr(0, eol));
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            const auto close = line.find(']');
            if (close == std::string_view::npos) continue;
            const std::string_view name = Trim(line.substr(1, close - 1));
            current = doc.FindSection(name);
            if (current == nullptr) {
                doc.sections_.push_back({std::string(name), {}});
                current = &doc.sections_.back();
            }
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string_view::npos || current == nullptr) continue;
        const std::string_view key = Trim(line.substr(0, eq));
        const std::string_view value = Trim(line.substr(eq + 1));
        if (key.empty()) continue;
        bool seen = false;
        for (const auto& [k, v] : current->entries) {
            if (NameEquals(k, key)) {
                seen = true;
                break;
            }
        }
        if (!seen) current->entries.emplace_back(std::string(key), std::string(value));
    }
    return doc;
}

std::string IniDocument::ToText() const {
    std::string out;
    for (const IniSection& s : sections_) {
        if (!out.empty()) out += '\n';
        out += '[';
        out += s.name;
        out += "]\n";
        for (const auto& [k, v] : s.entries) {
            out += k;
            out += '=';
            out += v;
            out += '\n';
        }
    }
    return out;
}

std::optional<IniDocument> IniDocument::ParseBinary(std::string_view data) {
    if (data.substr(0, 4) != std::string_view(kBinaryMagic, 4)) return std::nullopt;
    Reader r(data.substr(4));
    IniDocument doc;
    std::uint32_t sections = 0;
    if (!r.U32(sections)) return std::nullopt;
    for (std::uint32_t i = 0; i < sections; ++i) {
        IniSection s;
        std::uint32_t entries = 0;
        if (!r.String(s.name) || !r.U32(entries)) return std::nullopt;
        for (std::uint32_t j = 0; j < entries; ++j) {
            std::string k;
            std::string v;
            if (!r.String(k) || !r.String(v)) return std::nullopt;
            s.entries.emplace_back(std::move(k), std::move(v));
        }
        doc.sections_.push_back(std::move(s));
    }
    if (!r.AtEnd()) return std::nullopt;
    return doc;
}

std::string IniDocument::ToBinary() const {
    std::string out(kBinaryMagic, 4);
    PutU32(out, static_cast<std::uint32_t>(sections_.size()));
    for (const IniSection& s : sections_) {
        PutString(out, s.name);
        PutU32(out, static_cast<std::uint32_t>(s.entries.size()));
        for (const auto& [k, v] : s.entries) {
            PutString(out, k);
            PutString(out, v);
        }
    }
    return out;
}

const IniSection* IniDocument::FindSection(std::string_view section) const {
    for (const IniSection& s : sections_) {
        if (NameEquals(s.name, section)) return &s;
    }
    return nullptr;
}

IniSection* IniDocument::FindSection(std::string_view section) {
    return const_cast<IniSection*>(static_cast<const IniDocument*>(this)->FindSection(section));
}

const std::string* IniDocument::Find(std::string_view section, std::string_view key) const {
    const IniSection* s = FindSection(section);
    if (s == nullptr) return nullptr;
    for (const auto& [k, v] : s->entries) {
        if (NameEquals(k, key)) return &v;
    }
    return nullptr;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    IniSection* s = FindSection(section);
    if (s == nullptr) {
        sections_.push_back({std::string(section), {}});
        s = &sections_.back();
    }
    for (auto& [k, v] : s->entries) {
        if (NameEquals(k, key)) {
            v.assign(value);
            return;
        }
    }
    s->entries.emplace_back(std::string(key), std::string(value));
}

namespace {

// A name in the form NameEquals compares: two names are equal exactly when
// their folded forms are.
std::string FoldedName(std::string_view name) {
    std::string out(name);
    for (size_t i = 0; i < out.size(); ++i) {
        if (static_cast<unsigned char>(out[i]) >= 0x81) {
            ++i;
            continue;
        }
        out[i] = FoldAscii(out[i]);
    }
    return out;
}

}  // namespace

void IniDocument::SetAll(const std::vector<IniEntry>& entries) {
    // Indices, not pointers: adding sections or entries moves them.
    std::unordered_map<std::string, size_t> sectionIndex;
    std::unordered_map<size_t, std::unordered_map<std::string, size_t>> keyIndex;
    for (size_t i = 0; i < sections_.size(); ++i)
        sectionIndex.emplace(FoldedName(sections_[i].name), i);
    for (const IniEntry& e : entries) {
        auto [sit, newSection] = sectionIndex.emplace(FoldedName(e.section), sections_.size());
        if (newSection) sections_.push_back({std::string(e.section), {}});
        IniSection& s = sections_[sit->second];
        auto kit = keyIndex.find(sit->second);
        if (kit == keyIndex.end()) {
            kit = keyIndex.emplace(sit->second, std::unordered_map<std::string, size_t>{}).first;
            for (size_t j = 0; j < s.entries.size(); ++j)
                kit->second.emplace(FoldedName(s.entries[j].first), j);
        }
        auto [eit, newKey] = kit->second.emplace(FoldedName(e.key), s.entries.size());
        if (newKey) {
            s.entries.emplace_back(std::string(e.key), std::string(e.value));
        } else {
            s.entries[eit->second].second.assign(e.value);
        }
    }
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key) {
    IniSection* s = FindSection(section);
    if (s == nullptr) return false;
    return std::erase_if(s->entries, [&](const auto& e) { return NameEquals(e.first, key); }) > 0;
}

bool IniDocument::EraseSection(std::string_view section) {
    return std::erase_if(sections_,
                         [&](const IniSection& s) { return NameEquals(s.name, section); }) > 0;
}

std::optional<int> ParseInteger(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return std::nullopt;
    long long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) v = -v;
    if (v > INT_MAX) v = INT_MAX;
    return static_cast<int>(v);
}

}  // namespace zeva::cfg

namespace zeva::cfg {

long ReadStringFrom(const IniDocument& doc, std::string_view section, std::string_view key,
                    const std::string& def, std::string& out) {
    const std::string* v = doc.Find(section, key);
    out = v != nullptr ? *v : def;
    return static_cast<long>(out.size());
}

int ReadIntegerFrom(const IniDocument& doc, std::string_view section, std::string_view key,
                    int def) {
    const std::string* v = doc.Find(section, key);
    if (v == nullptr) return def;
    return ParseInteger(*v).value_or(def);
}

long ReadSectionFrom(const IniDocument& doc, std::string_view section,
                     std::vector<std::string>& out) {
    out.clear();
    if (const IniSection* s = doc.FindSection(section)) {
        for (const auto& e : s->entries) out.push_back(e.first);
    }
    return static_cast<long>(out.size());
}

long ReadSectionValuesFrom(const IniDocument& doc, std::string_view section,
                           std::vector<std::pair<std::string, std::string>>& out) {
    out.clear();
    if (const IniSection* s = doc.FindSection(section)) out = s->entries;
    return static_cast<long>(out.size());
}

long ReadSectionsFrom(const IniDocument& doc, std::vector<std::string>& out) {
    out.clear();
    for (const IniSection& s : doc.Sections()) out.push_back(s.name);
    return static_cast<long>(out.size());
}

}  // namespace zeva::cfg
