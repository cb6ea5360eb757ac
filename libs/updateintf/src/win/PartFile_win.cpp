// The ".part" file on Windows: the C runtime's descriptor opened from the
// UTF-16 path (not inherited by programs the updater starts), 64-bit size
// and position ("long" holds only 2 GiB there).
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include "PartFile_p.h"

namespace zeva {

std::FILE* OpenPartFile(const std::filesystem::path& path) {
    int fd = -1;
    if (_wsopen_s(&fd, path.c_str(), _O_RDWR | _O_CREAT | _O_BINARY | _O_NOINHERIT, _SH_DENYWR,
                  _S_IREAD | _S_IWRITE) != 0) {
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "r+b");
    if (file == nullptr) _close(fd);
    return file;
}

bool TruncatePartFile(std::FILE* file, std::int64_t size) {
    return std::fflush(file) == 0 && _chsize_s(_fileno(file), size) == 0 &&
           _fseeki64(file, size, SEEK_SET) == 0;
}

}  // namespace zeva
