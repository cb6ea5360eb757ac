#pragma once
// The online service's namespace table, installed in every call's context.

#include "stdsoap2.h"

namespace zeva::oservice {
extern const struct Namespace kNamespaces[];
}
