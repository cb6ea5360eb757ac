#pragma once
// Reading the files a program takes from its application folder (images,
// animation frames, catalogues, settings, scripts). Only regular files are
// read, and opening one never blocks: a FIFO put where an image belongs
// would otherwise hang the reader for ever, and a device may never end.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace zeva {

inline constexpr std::uintmax_t kNoSizeLimit = UINTMAX_MAX;

// A read-only, close-on-exec descriptor of `path` when it is a regular file
// (a symbolic link to one included), -1 otherwise with `error` saying why.
// The open is non-blocking; the descriptor returned reads normally.
int OpenRegularFile(const std::filesystem::path& path, std::string* error = nullptr);

// The whole content of the regular file `path`, or nothing with `error` set
// when it cannot be opened, is no regular file or holds more than `maxBytes`.
std::optional<std::string> ReadRegularFile(const std::filesystem::path& path,
                                           std::uintmax_t maxBytes = kNoSizeLimit,
                                           std::string* error = nullptr);

}  // namespace zeva
