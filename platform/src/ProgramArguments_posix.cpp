#include <cstdlib>

#include "ProgramArguments_p.h"
#include "platform/ProgramArguments.h"

namespace zeva::detail {

// Arguments and terminals are UTF-8 here already.
std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

}  // namespace zeva::detail

namespace zeva {

std::optional<std::string> EnvironmentVariable(const char* name) {
    if (const char* value = std::getenv(name)) return std::string(value);
    return std::nullopt;
}

}  // namespace zeva
