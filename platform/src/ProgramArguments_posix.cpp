#include "ProgramArguments_p.h"

namespace zeva::detail {

// Arguments and terminals are UTF-8 here already.
std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

}  // namespace zeva::detail
