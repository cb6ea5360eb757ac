#pragma once
// What both halves of the shell share.

#include <string>

namespace zeva {

// Only these schemes are handed to the desktop: http, https and file.
bool IsWebAddress(const std::string& url);

}  // namespace zeva
