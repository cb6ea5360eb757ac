// Durability and replacement on Windows: FlushFileBuffers for a file's
// content, MoveFileExW with write-through for the one-step replacement.
#include <windows.h>

#include "FileSync_p.h"

namespace zeva {

bool SyncFile(const std::filesystem::path& path) {
    // FlushFileBuffers needs a handle that may write.
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = FlushFileBuffers(file) != 0;
    CloseHandle(file);
    return ok;
}

bool SyncDirectory(const std::filesystem::path&) {
    // NTFS logs every change of a folder's entries in its own journal before
    // it returns, and Windows gives an ordinary user no flush of a folder:
    // there is nothing to do.
    return true;
}

bool ReplaceInOneStep(const std::filesystem::path& source, const std::filesystem::path& target) {
    // Windows refuses to replace a read-only file: the attribute is lifted for
    // the replacement (the new file carries its own) and put back on failure.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool readOnly =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly && !SetFileAttributesW(target.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY))
        return false;
    if (MoveFileExW(source.c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    if (readOnly) SetFileAttributesW(target.c_str(), attributes);
    return false;
}

bool RemoveInstallerFile(const std::filesystem::path& path) {
    if (DeleteFileW(path.c_str())) return true;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_FILE_NOT_FOUND;
    if ((attributes & FILE_ATTRIBUTE_READONLY) == 0 ||
        !SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY))
        return false;
    if (DeleteFileW(path.c_str())) return true;
    SetFileAttributesW(path.c_str(), attributes);
    return false;
}

}  // namespace zeva
