#pragma once
// Text at the boundary of the Windows calls: UTF-8 inside, UTF-16 outside,
// and the system's own words for an error code.

#include <windows.h>

#include <string>
#include <string_view>

namespace zeva::win {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);
// FormatMessageW's text in UTF-8 without its line end; "error N" when it has none.
std::string ErrorText(DWORD code);

}  // namespace zeva::win
