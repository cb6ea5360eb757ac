#pragma once
// Minimal JSON output for the command-line tools' --json mode.

#include <string>
#include <string_view>

namespace zeva::tools {

// A JSON string literal (with quotes) for UTF-8 text.
std::string JsonString(std::string_view utf8);

}  // namespace zeva::tools
