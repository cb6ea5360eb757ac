#pragma once
// The silent updater's whole run: the main program job of the update engine
// in its silent form. Never fails loudly: the result is always 0.

#include "UpdateHost.h"

namespace zeva {

int RunSilentUpdate(IUpdateHost& host);

}  // namespace zeva
