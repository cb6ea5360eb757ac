#pragma once
// Request texts built from the services' fixed templates. Texts are formatted
// whole: a value longer than the template's nominal buffer is sent in full,
// never cut.

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

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

// <wrapper>SEP<name>value</name>SEP...SEP</wrapper>; `separator` stands
// between every two adjacent tags, never inside an element. Values are
// escaped with EscapeMarkup.
std::string SeparatedRecord(
    std::string_view wrapper,
    std::initializer_list<std::pair<std::string_view, std::string_view>> children,
    std::string_view separator);

}  // namespace zeva::soapframe
