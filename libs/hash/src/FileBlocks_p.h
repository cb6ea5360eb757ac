#pragma once
// Reading a file's content block by block, one half per system: the OS hint
// for a sequential scan and the native (on Windows UTF-16) path.

#include <cstddef>
#include <filesystem>
#include <functional>

namespace zeva::hash {

// Hands every block of the file at `path` to `consume` in order, in blocks of
// at most `blockSize` bytes; false when the file cannot be opened or read (a
// folder included) or `consume` returns false.
bool ReadFileBlocks(const std::filesystem::path& path, std::size_t blockSize,
                    const std::function<bool(const unsigned char*, std::size_t)>& consume);

}  // namespace zeva::hash
