// Reading the application folder's files on Windows: only files on disk that
// are no folders are read (a named pipe or a device such as NUL is refused),
// named in UTF-16.
#include "platform/AppPath.h"
#include "platform/RegularFile.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace zeva {

namespace {

void SetError(std::string* error, const std::string& text) {
    if (error != nullptr) *error = text;
}

// An open handle of a regular file, or INVALID_HANDLE_VALUE with `error` set.
HANDLE OpenHandle(const std::filesystem::path& path, std::string* error) {
    // Overlapped: opening a pipe this way never waits for its other end.
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        SetError(error,
                 "cannot open " + Utf8Path(path) + ": error " + std::to_string(GetLastError()));
        return h;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        CloseHandle(h);
        SetError(error, Utf8Path(path) + " is not a regular file");
        return INVALID_HANDLE_VALUE;
    }
    CloseHandle(h);
    // Reopened for ordinary reads now that it is known to be a file.
    h = CreateFileW(path.c_str(), GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        SetError(error,
                 "cannot open " + Utf8Path(path) + ": error " + std::to_string(GetLastError()));
    }
    return h;
}

}  // namespace

int OpenRegularFile(const std::filesystem::path& path, std::string* error) {
    HANDLE h = OpenHandle(path, error);
    if (h == INVALID_HANDLE_VALUE) return -1;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        SetError(error, "cannot read " + Utf8Path(path));
    }
    return fd;
}

std::optional<std::string> ReadRegularFile(const std::filesystem::path& path,
                                           std::uintmax_t maxBytes, std::string* error) {
    HANDLE h = OpenHandle(path, error);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string data;
    char buf[65536];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(h, buf, sizeof buf, &n, nullptr)) {
            SetError(error,
                     "cannot read " + Utf8Path(path) + ": error " + std::to_string(GetLastError()));
            CloseHandle(h);
            return std::nullopt;
        }
        if (n == 0) break;
        if (data.size() + n > maxBytes) {
            SetError(error,
                     Utf8Path(path) + " is larger than " + std::to_string(maxBytes) + " bytes");
            CloseHandle(h);
            return std::nullopt;
        }
        data.append(buf, n);
    }
    CloseHandle(h);
    return data;
}

}  // namespace zeva
