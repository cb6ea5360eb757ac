#pragma once
// Whole-file reads and crash-safe, process-safe rewrites of small files.
//
// A rewrite holds an advisory lock (flock) on the file across read, edit and
// write, writes the new content to a temporary file in the same directory,
// flushes it to disk and renames it over the old one. Readers therefore see
// the old or the new content, never a mix, and writers in several processes
// never lose each other's changes.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace zeva {

// The whole content of a regular file, or nothing when it cannot be read or
// is something else (a FIFO, a device, a directory).
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

// What tells one version of a file from the next: every write replaces the
// file, so the file itself (device and inode, or volume and file index), its
// size and its modification time change together.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    std::int64_t size = -1;
    std::int64_t mtimeNs = -1;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of what the path names now; nothing when it does not exist.
std::optional<FileIdentity> IdentifyFile(const std::filesystem::path& path);

// Edits the file under its lock. `edit` receives the current content (empty
// when the file is missing) and returns the new content, or nothing to leave
// the file as it is. Returns false with `error` set when the file could not
// be locked or written, or is not a regular file. A symbolic link is
// written through: its target gets the new content, the link stays.
bool RewriteFile(const std::filesystem::path& path,
                 const std::function<std::optional<std::string>(const std::string&)>& edit,
                 std::string* error = nullptr);

// Replaces the file's content in one step without taking its lock; a
// symbolic link is written through as by RewriteFile.
bool ReplaceFileContent(const std::filesystem::path& path, const std::string& content,
                        std::string* error = nullptr);

}  // namespace zeva
