#include <fcntl.h>
#include <unistd.h>

#include "PartFile_p.h"

namespace zeva {

std::FILE* OpenPartFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, "r+b");
    if (file == nullptr) ::close(fd);
    return file;
}

bool TruncatePartFile(std::FILE* file, std::int64_t size) {
    return std::fflush(file) == 0 && ::ftruncate(::fileno(file), static_cast<off_t>(size)) == 0 &&
           ::fseeko(file, static_cast<off_t>(size), SEEK_SET) == 0;
}

}  // namespace zeva
