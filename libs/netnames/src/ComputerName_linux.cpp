// This computer's name on Linux: the host name.
#include <unistd.h>

#include <climits>

#include "NetNames.h"

namespace zeva::netnames {

std::string LocalComputerName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0) return {};
    return CleanName(name);
}

}  // namespace zeva::netnames
