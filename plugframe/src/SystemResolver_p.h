#pragma once
// The system's name look-up within a time limit, one half per system.

#include <memory>

#include "PageServices.h"

namespace zeva::plug {

std::shared_ptr<IResolver> NewSystemResolver();

}  // namespace zeva::plug
