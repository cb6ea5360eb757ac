#include "IniDocument_p.h"

#include <climits>
#include <cstring>
#include <unordered_map>

namespace zeva::cfg {

namespace {

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The form two names share exactly when NameEquals holds for them.
std::string Folded(std::string_view name) {
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

size_t IniDocument::AppendSection(std::string name) {
    const size_t index = sections_.size();
    sectionIndex_.emplace(Folded(name), index);
    sections_.push_back({std::move(name), {}});
    keyIndex_.emplace_back();
    return index;
}

bool IniDocument::AppendEntry(size_t section, std::string key, std::string value,
                              bool keepDuplicate) {
    IniSection& s = sections_[section];
    const bool fresh = keyIndex_[section].emplace(Folded(key), s.entries.size()).second;
    if (!fresh && !keepDuplicate) return false;
    s.entries.emplace_back(std::move(key), std::move(value));
    return true;
}

void IniDocument::Reindex() {
    sectionIndex_.clear();
    keyIndex_.assign(sections_.size(), {});
    for (size_t i = 0; i < sections_.size(); ++i) {
        sectionIndex_.emplace(Folded(sections_[i].name), i);
        for (size_t j = 0; j < sections_[i].entries.size(); ++j)
            keyIndex_[i].emplace(Folded(sections_[i].entries[j].first), j);
    }
}

IniDocument IniDocument::ParseText(std::string_view text) {
    IniDocument doc;
    std::optional<size_t> current;
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
            const auto it = doc.sectionIndex_.find(Folded(name));
            current =
                it != doc.sectionIndex_.end() ? it->second : doc.AppendSection(std::string(name));
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string_view::npos || !current) continue;
        const std::string_view key = Trim(line.substr(0, eq));
        const std::string_view value = Trim(line.substr(eq + 1));
        if (key.empty()) continue;
        // The first of repeated keys counts.
        doc.AppendEntry(*current, std::string(key), std::string(value), false);
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
        std::string name;
        std::uint32_t entries = 0;
        if (!r.String(name) || !r.U32(entries)) return std::nullopt;
        // Kept as stored, repeats included, so the file is written back unchanged.
        const size_t index = doc.sections_.size();
        doc.sections_.push_back({std::move(name), {}});
        doc.sectionIndex_.emplace(Folded(doc.sections_.back().name), index);
        doc.keyIndex_.emplace_back();
        for (std::uint32_t j = 0; j < entries; ++j) {
            std::string k;
            std::string v;
            if (!r.String(k) || !r.String(v)) return std::nullopt;
            doc.AppendEntry(index, std::move(k), std::move(v), true);
        }
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
    const auto it = sectionIndex_.find(Folded(section));
    return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

IniSection* IniDocument::FindSection(std::string_view section) {
    return const_cast<IniSection*>(static_cast<const IniDocument*>(this)->FindSection(section));
}

const std::string* IniDocument::Find(std::string_view section, std::string_view key) const {
    const auto it = sectionIndex_.find(Folded(section));
    if (it == sectionIndex_.end()) return nullptr;
    const auto& keys = keyIndex_[it->second];
    const auto k = keys.find(Folded(key));
    return k == keys.end() ? nullptr : &sections_[it->second].entries[k->second].second;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    const auto it = sectionIndex_.find(Folded(section));
    const size_t index =
        it != sectionIndex_.end() ? it->second : AppendSection(std::string(section));
    const auto k = keyIndex_[index].find(Folded(key));
    if (k != keyIndex_[index].end()) {
        sections_[index].entries[k->second].second.assign(value);
        return;
    }
    AppendEntry(index, std::string(key), std::string(value), false);
}

void IniDocument::SetAll(const std::vector<IniEntry>& entries) {
    // Set looks names up through the indexes, so a large import stays linear.
    for (const IniEntry& e : entries) Set(e.section, e.key, e.value);
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key) {
    IniSection* s = FindSection(section);
    if (s == nullptr) return false;
    const bool erased =
        std::erase_if(s->entries, [&](const auto& e) { return NameEquals(e.first, key); }) > 0;
    if (erased) Reindex();
    return erased;
}

bool IniDocument::EraseSection(std::string_view section) {
    const bool erased = std::erase_if(sections_, [&](const IniSection& s) {
                            return NameEquals(s.name, section);
                        }) > 0;
    if (erased) Reindex();
    return erased;
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
