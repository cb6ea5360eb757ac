#pragma once
// Plain substring extraction of the XML-like payloads the services exchange:
// case-sensitive, no XML parsing, no entity decoding.

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "soapframe/Fields.h"

namespace zeva::soapframe {

// The text between the first `openTag` and the first `closeTag` after it.
// Null arguments leave `out` untouched; a missing tag makes it empty.
void FindString(const char* text, const char* openTag, const char* closeTag, std::string& out);

// As above, read with atoi; a missing tag leaves `out` untouched.
void FindString(const char* text, const char* openTag, const char* closeTag, int& out);

// atoi of a text that need not be NUL-terminated: leading blanks, an
// optional sign, digits up to the first non-digit; 0 without digits.
int AtoiPrefix(std::string_view text);

// Calls `record` with the slice of every `openTag`...`closeTag` record in
// order; the last slice runs to the end of the text when its closing tag is
// missing. The search for the next record continues where the closing tag
// was found.
void ForEachRecord(std::string_view text, std::string_view openTag, std::string_view closeTag,
                   const std::function<void(const std::string& slice)>& record);

// Fills the table's members from the first <name>...</name> of each field
// in `text`, as FindString does (a missing tag leaves the member empty).
template <class Record>
void FillRecord(std::span<const Field<Record>> fields, const char* text, Record& record) {
    for (const Field<Record>& f : fields) {
        const std::string name(f.name);
        FindString(text, ("<" + name + ">").c_str(), ("</" + name + ">").c_str(), record.*f.member);
    }
}

}  // namespace zeva::soapframe
