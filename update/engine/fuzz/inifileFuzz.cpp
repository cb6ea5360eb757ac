// The settings store's parsers on arbitrary bytes: the plain INI text (as
// catalogs and plain stores are read) and the binary form found inside an
// enciphered store once it is deciphered.
//
// Input layout: one byte selects the form (even: text, odd: deciphered
// binary), the rest is the file's content.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Cipher_p.h"
#include "IniDocument_p.h"

using zeva::cfg::IniDocument;

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

// What every reader of a store does with a document.
void ReadAll(const IniDocument& doc) {
    std::vector<std::string> sections;
    zeva::cfg::ReadSectionsFrom(doc, sections);
    Check(sections.size() == doc.Sections().size());
    for (const std::string& name : sections) {
        std::vector<std::string> keys;
        zeva::cfg::ReadSectionFrom(doc, name, keys);
        for (const std::string& key : keys) {
            std::string value;
            zeva::cfg::ReadStringFrom(doc, name, key, "default", value);
            (void)zeva::cfg::ReadIntegerFrom(doc, name, key, 7);
            Check(doc.Find(name, key) != nullptr);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool binary = (data[0] & 1) != 0;
    const std::string_view content(reinterpret_cast<const char*>(data + 1), size - 1);
    if (!binary) {
        const IniDocument doc = IniDocument::ParseText(content);
        ReadAll(doc);
        // Our own binary form of any parsed document reads back unchanged.
        const auto again = IniDocument::ParseBinary(doc.ToBinary());
        Check(again.has_value() && again->ToText() == doc.ToText());
        (void)zeva::cfg::ParseInteger(content);
        return 0;
    }
    if (const auto doc = IniDocument::ParseBinary(content)) {
        ReadAll(*doc);
        Check(doc->ToBinary() == content);
    }
    // The whole road of an enciphered store: sealed, opened, parsed.
    const auto sealed = zeva::cfg::Seal(content);
    Check(sealed.has_value());
    const auto opened = zeva::cfg::Open(*sealed);
    Check(opened.has_value() && *opened == content);
    // Damaged or foreign files never open.
    Check(!zeva::cfg::Open(content).has_value() || content.size() >= 36);
    return 0;
}
