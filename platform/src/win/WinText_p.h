#pragma once
// The system's own words for an error code, beside the conversions of
// platform/WinText.h.

#include <windows.h>

#include <string>

#include "platform/WinText.h"

namespace zeva::win {

// FormatMessageW's text in UTF-8 without its line end; "error N" when it has none.
std::string ErrorText(DWORD code);

}  // namespace zeva::win
