#pragma once
// The ".part" file a download is streamed into, one half per system: opened
// for reading and writing without losing what it holds, and cut back to the
// bytes an answer continues (64-bit offsets on both systems).

#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace zeva {

// The file at `path`, created when missing, kept when present; null on failure.
std::FILE* OpenPartFile(const std::filesystem::path& path);

// Flushes `file`, cuts it to `size` bytes and moves its position there.
bool TruncatePartFile(std::FILE* file, std::int64_t size);

}  // namespace zeva
