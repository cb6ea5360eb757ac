// The journal's lock on Windows. LockFileEx locks are mandatory for the bytes
// they cover, so the lock covers one byte far beyond any journal's end: it
// excludes other lockers without keeping readers from the records. Every
// handle shares deletion, so the clean-up may remove a journal it has played
// while holding it.
#include <windows.h>

#include "JournalFile_p.h"
#include "platform/FileStore.h"

namespace zeva {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;

HANDLE AsHandle(std::intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}

bool Lock(HANDLE file, bool wait) {
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
    return LockFileEx(file, flags, 0, 1, 0, &at) != 0;
}

// Whether the open handle is the file `path` names now (a journal removed
// while it waited is pending deletion and no longer found by its name).
bool SameFile(HANDLE file, const std::filesystem::path& path) {
    BY_HANDLE_FILE_INFORMATION opened{};
    const auto named = IdentifyFile(path);
    if (!named || !GetFileInformationByHandle(file, &opened)) return false;
    const std::uint64_t index =
        (static_cast<std::uint64_t>(opened.nFileIndexHigh) << 32) | opened.nFileIndexLow;
    return named->device == opened.dwVolumeSerialNumber && named->file == index;
}

}  // namespace

bool JournalFile::OpenForAppend(const std::filesystem::path& path) {
    Close();
    for (int attempt = 0; attempt < 5; ++attempt) {
        const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE, kShareAll,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            // A journal pending deletion refuses new handles until its last one closes.
            if (GetLastError() == ERROR_ACCESS_DENIED) {
                Sleep(10);
                continue;
            }
            return false;
        }
        if (!Lock(file, true)) {
            CloseHandle(file);
            return false;
        }
        if (SameFile(file, path)) {
            handle_ = reinterpret_cast<std::intptr_t>(file);
            return true;
        }
        CloseHandle(file);
    }
    return false;
}

JournalFile::TryResult JournalFile::TryLockExisting(const std::filesystem::path& path) {
    Close();
    // FILE_FLAG_OPEN_REPARSE_POINT opens a link itself, which is then refused.
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return TryResult::Missing;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        CloseHandle(file);
        return TryResult::Missing;
    }
    if (!Lock(file, false)) {
        CloseHandle(file);
        return TryResult::Held;
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
    return TryResult::Locked;
}

bool JournalFile::Append(const std::string& line) {
    if (handle_ == -1) return false;
    const HANDLE file = AsHandle(handle_);
    size_t done = 0;
    while (done < line.size()) {
        DWORD n = 0;
        if (!WriteFile(file, line.data() + done, static_cast<DWORD>(line.size() - done), &n,
                       nullptr) ||
            n == 0) {
            return false;
        }
        done += n;
    }
    return FlushFileBuffers(file) != 0;
}

bool JournalFile::IsOpen() const {
    return handle_ != -1;
}

void JournalFile::Close() {
    if (handle_ != -1) CloseHandle(AsHandle(handle_));  // closing releases the lock
    handle_ = -1;
}

}  // namespace zeva
