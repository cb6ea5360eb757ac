#include <errno.h>

#include "ProgramName_p.h"

namespace zeva {

std::string RunningProgramName() {
    return program_invocation_short_name;
}

}  // namespace zeva
