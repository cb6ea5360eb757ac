// File content block by block on Windows: the UTF-16 path, the cache told of
// a sequential scan, and sharing that lets the updater move the file aside
// while it is being read.
#include <windows.h>

#include <vector>

#include "FileBlocks_p.h"

namespace zeva::hash {

bool ReadFileBlocks(const std::filesystem::path& path, std::size_t blockSize,
                    const std::function<bool(const unsigned char*, std::size_t)>& consume) {
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder cannot be opened: it is no file.
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::vector<unsigned char> buf(blockSize);
    bool ok = true;
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file, buf.data(), static_cast<DWORD>(buf.size()), &n, nullptr)) {
            ok = false;
            break;
        }
        if (n == 0) break;
        if (!consume(buf.data(), n)) {
            ok = false;
            break;
        }
    }
    CloseHandle(file);
    return ok;
}

}  // namespace zeva::hash
