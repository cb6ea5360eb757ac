#pragma once
// Conversion between the system multi-byte code page (the "ANSI code page"
// of every interface in this system) and UTF-8.
//
// The code page is GBK unless the environment variable ZEVA_ACP names
// another iconv encoding (for example "UTF-8"). Input is taken up to its
// first NUL byte. A character the target cannot hold, and an input byte that
// is not valid in the source, becomes the default character '?': conversion
// never fails, never throws and never truncates the rest of the text.

#include <string>
#include <string_view>

namespace zeva {

// The iconv name of the system code page in force for this call.
std::string AcpName();

// True when the system code page is UTF-8, so conversions are identities.
bool AcpIsUtf8();

std::string AcpToUtf8(std::string_view acp);
std::string Utf8ToAcp(std::string_view utf8);

// Checked conversions, for input that must be stored exactly or not at all:
// false with `error` set (and the output untouched) when the input holds a
// NUL byte or a sequence invalid in its code page, a character has no form
// in the target, or the code page is unknown.
bool AcpToUtf8Checked(std::string_view acp, std::string& utf8, std::string* error = nullptr);
bool Utf8ToAcpChecked(std::string_view utf8, std::string& acp, std::string* error = nullptr);

// A user-visible literal, written in UTF-8 in the source, in the system code page.
inline std::string Acp(std::string_view utf8Literal) {
    return Utf8ToAcp(utf8Literal);
}

}  // namespace zeva
