#pragma once
// The section/key/value model shared by both stores.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zeva::cfg {

// Names compare case-insensitively in ASCII; a byte of 0x81 or above starts a
// double-byte character whose two bytes are compared exactly.
bool NameEquals(std::string_view a, std::string_view b);

struct IniEntry {
    std::string_view section;
    std::string_view key;
    std::string_view value;
};

struct IniSection {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries;
};

class IniDocument {
public:
    static IniDocument ParseText(std::string_view text);
    std::string ToText() const;

    // Compact binary form used inside enciphered files; nothing on malformed input.
    static std::optional<IniDocument> ParseBinary(std::string_view data);
    std::string ToBinary() const;

    const std::string* Find(std::string_view section, std::string_view key) const;
    const IniSection* FindSection(std::string_view section) const;
    const std::vector<IniSection>& Sections() const { return sections_; }

    void Set(std::string_view section, std::string_view key, std::string_view value);
    // Set for each entry in order, with indexed look-ups so that large
    // imports stay linear.
    void SetAll(const std::vector<IniEntry>& entries);
    bool DeleteKey(std::string_view section, std::string_view key);
    bool EraseSection(std::string_view section);

private:
    IniSection* FindSection(std::string_view section);
    // Index of the first section / entry with a name, so lookups and parsing
    // stay linear however many sections and keys a hostile file holds.
    size_t AppendSection(std::string name);
    bool AppendEntry(size_t section, std::string key, std::string value, bool keepDuplicate);
    void Reindex();

    std::vector<IniSection> sections_;
    std::unordered_map<std::string, size_t> sectionIndex_;
    std::vector<std::unordered_map<std::string, size_t>> keyIndex_;
};

// Integer reading shared by both stores: optional blanks, sign and decimal
// digits; nothing when there are no digits. Out-of-range values saturate.
std::optional<int> ParseInteger(std::string_view text);

}  // namespace zeva::cfg

namespace zeva::cfg {

// The read operations both stores offer, on a document.
long ReadStringFrom(const IniDocument& doc, std::string_view section, std::string_view key,
                    const std::string& def, std::string& out);
int ReadIntegerFrom(const IniDocument& doc, std::string_view section, std::string_view key,
                    int def);
long ReadSectionFrom(const IniDocument& doc, std::string_view section,
                     std::vector<std::string>& out);
long ReadSectionsFrom(const IniDocument& doc, std::vector<std::string>& out);
long ReadSectionValuesFrom(const IniDocument& doc, std::string_view section,
                           std::vector<std::pair<std::string, std::string>>& out);

}  // namespace zeva::cfg
