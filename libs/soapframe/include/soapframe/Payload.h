#pragma once
// Request texts built from the services' fixed templates. Texts are formatted
// whole: a value longer than the template's nominal buffer is sent in full,
// never cut.

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "soapframe/Fields.h"

namespace zeva::soapframe {

// A C-string argument as sent: null becomes the empty string.
inline const char* OrEmpty(const char* s) {
    return s ? s : "";
}

// A value as it stands between two tags of a payload. The services find tags
// by plain substring search, so only "<" could start a forged tag: it becomes
// "&lt;". "&" and ">" go as they are, which is how the service reads them.
std::string EscapeMarkup(std::string_view value);

// The value EscapeMarkup was given: "&lt;" becomes "<" again, nothing else changes.
std::string UnescapeMarkup(std::string_view text);

// printf-style formatting into a string of whatever length it needs.
std::string FormatPayload(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Appends SEP<name>value</name>, the value escaped with EscapeMarkup.
void AppendElement(std::string& text, std::string_view separator, std::string_view name,
                   std::string_view value);

// <wrapper>SEP<name>value</name>SEP...SEP</wrapper>; `separator` stands
// between every two adjacent tags, never inside an element. Values are
// escaped with EscapeMarkup.
std::string SeparatedRecord(
    std::string_view wrapper,
    std::initializer_list<std::pair<std::string_view, std::string_view>> children,
    std::string_view separator);

// An argument payload filled from `values`, given in argument order (null
// as empty); values are escaped with EscapeMarkup.
std::string ArgumentText(const ArgumentPayload& payload, std::span<const char* const> values);
inline std::string ArgumentText(const ArgumentPayload& payload,
                                std::initializer_list<const char*> values) {
    return ArgumentText(payload, std::span<const char* const>(values.begin(), values.size()));
}

// A record sent with its table; values are escaped with EscapeMarkup.
template <class Record>
std::string RecordText(const RecordPayload<Record>& payload, const Record& record) {
    std::string text;
    text.append("<").append(payload.wrapper).append(">");
    for (const Field<Record>& f : payload.fields)
        AppendElement(text, payload.separator, f.name, record.*f.member);
    text.append(payload.separator).append("</").append(payload.wrapper).append(">");
    return text;
}

}  // namespace zeva::soapframe
