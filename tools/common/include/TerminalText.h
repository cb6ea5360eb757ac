#pragma once
// Text from files or servers as the tools print it on a terminal.

#include <string>
#include <string_view>

namespace zeva::tools {

// UTF-8 text with its control characters shown escaped ("\n", "\r", "\t",
// "\x1b", "\u009b"), so a value can neither move the cursor nor send the
// terminal a command. Everything else, backslashes included, is unchanged.
std::string TerminalText(std::string_view utf8);

}  // namespace zeva::tools
