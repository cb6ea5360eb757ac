#pragma once
// Each system's half of ProgramArguments.

#include <string>
#include <vector>

namespace zeva::detail {

// The arguments as UTF-8 (argv itself where it already is), with the console
// set up for UTF-8 output.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

}  // namespace zeva::detail
