#pragma once
// The back-office service's namespace table, installed in every call's context.

#include "stdsoap2.h"

namespace zeva::bservice {
extern const struct Namespace kNamespaces[];
}
