#pragma once
// The threads of this process, from the system's own list.

#include <cstddef>

std::size_t ThreadCount();
