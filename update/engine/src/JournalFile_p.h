#pragma once
// The open journal file of an installing job and its exclusive lock, one
// half per system (flock on Linux, LockFileEx on Windows). The lock guards
// the journal against the clean-up of another run; it never keeps anyone
// from reading the journal.

#include <cstdint>
#include <filesystem>
#include <string>

namespace zeva {

class JournalFile {
public:
    enum class TryResult { Missing, Held, Locked };

    JournalFile() = default;
    ~JournalFile() { Close(); }
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;

    // Opens `path` for appending (creating it) and waits for its lock; false
    // when the journal that holds the name now cannot be opened and locked.
    // A journal played and removed while this one waited is not taken: the
    // file under the name is opened again.
    bool OpenForAppend(const std::filesystem::path& path);
    // Opens the existing journal `path` (never through a symbolic link) and
    // takes its lock only when nobody holds it.
    TryResult TryLockExisting(const std::filesystem::path& path);
    // Appends `line` and flushes it to the disk.
    bool Append(const std::string& line);
    bool IsOpen() const;
    // Releases the lock and closes the file.
    void Close();

private:
    std::intptr_t handle_ = -1;  // the descriptor, or the HANDLE on Windows
};

}  // namespace zeva
