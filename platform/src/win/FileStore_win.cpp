// Crash-safe, process-safe rewrites on Windows. The new content goes to a
// temporary file beside the old one, written through to disk, and is moved
// over it by MoveFileExW, one rename that either happens whole or not at all
// (ReplaceFileW is several steps, and a failure between them can leave the
// name empty). Paths reach the OS as UTF-16.
//
// The writers' lock cannot be LockFileEx on the file itself, as flock is
// elsewhere: Windows refuses to rename over a file that is open, so the
// holder would have to let go before its own rename and a second writer
// could read the old content in between. A lock file beside it would be a
// second file for every settings file. So the lock is a named mutex of the
// file (its folder's identity and its name), held across read, edit and
// write, and released by the system when its holder dies.
#include "WinText_p.h"
#include "platform/AppPath.h"
#include "platform/FileStore.h"

#include <windows.h>

#include <cstdint>
#include <random>

namespace zeva {

namespace fs = std::filesystem;

namespace {

class Handle {
public:
    explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (valid()) CloseHandle(h_);
    }
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }

private:
    HANDLE h_;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

void SetError(std::string* error, const std::string& what, const fs::path& path) {
    const DWORD code = GetLastError();
    if (error != nullptr) *error = what + " " + Utf8Path(path) + ": " + win::ErrorText(code);
}

bool IsRegular(HANDLE h) {
    if (GetFileType(h) != FILE_TYPE_DISK) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileInformationByHandle(h, &info) != 0 &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool ReadAll(HANDLE h, std::string& out) {
    out.clear();
    LARGE_INTEGER zero{};
    if (!SetFilePointerEx(h, zero, nullptr, FILE_BEGIN)) return false;
    char buf[65536];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(h, buf, sizeof buf, &n, nullptr)) return false;
        if (n == 0) return true;
        out.append(buf, n);
    }
}

bool WriteAll(HANDLE h, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 20));
        DWORD n = 0;
        if (!WriteFile(h, data.data() + done, chunk, &n, nullptr) || n == 0) return false;
        done += n;
    }
    return true;
}

fs::path TempName(const fs::path& path) {
    thread_local std::mt19937_64 rng{std::random_device{}()};
    fs::path tmp = path;
    tmp += L".~" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(rng() % 1000000007ULL);
    return tmp;
}

// Temporary files that writers killed mid-write left beside `path`.
void RemoveStaleTemporaries(const fs::path& path) {
    const std::wstring prefix = path.filename().wstring() + L".~";
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(
             path.parent_path().empty() ? fs::path(L".") : path.parent_path(), ec)) {
        const std::wstring name = e.path().filename().wstring();
        if (name.rfind(prefix, 0) != 0) continue;
        const auto dash = name.find(L'-', prefix.size());
        if (dash == std::wstring::npos) continue;
        const DWORD pid = static_cast<DWORD>(
            std::wcstoul(name.substr(prefix.size(), dash - prefix.size()).c_str(), nullptr, 10));
        if (pid == GetCurrentProcessId()) continue;
        HANDLE proc = OpenProcess(SYNCHRONIZE, FALSE, pid);
        if (proc != nullptr) {
            const bool alive = WaitForSingleObject(proc, 0) == WAIT_TIMEOUT;
            CloseHandle(proc);
            if (alive) continue;
        } else if (GetLastError() == ERROR_ACCESS_DENIED) {
            continue;  // another user's process, alive
        }
        fs::remove(e.path(), ec);
    }
}

// What names one file whatever the spelling of its path (short names, case,
// "..", another drive letter for the same folder): its folder's volume and
// index, and its case-folded name. The full path when the folder cannot be asked.
std::wstring FileKey(const fs::path& path) {
    const fs::path parent = path.parent_path().empty() ? fs::path(L".") : path.parent_path();
    std::wstring name = path.filename().wstring();
    Handle dir(CreateFileW(parent.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    std::wstring key;
    if (dir.valid() && GetFileInformationByHandle(dir.get(), &info)) {
        key = std::to_wstring(info.dwVolumeSerialNumber) + L":" +
              std::to_wstring(info.nFileIndexHigh) + L":" + std::to_wstring(info.nFileIndexLow) +
              L"\\" + name;
    } else {
        std::error_code ec;
        key = fs::absolute(path, ec).wstring();
    }
    CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    return key;
}

// The writers' lock of one file: a mutex named after its key (a name may
// hold no backslash, and is kept short by a digest).
class PathLock {
public:
    explicit PathLock(const fs::path& path) {
        const std::wstring key = FileKey(path);
        std::uint64_t hash = 1469598103934665603ULL;  // FNV-1a
        for (wchar_t c : key) {
            hash ^= static_cast<std::uint64_t>(c);
            hash *= 1099511628211ULL;
        }
        const std::wstring name = L"Local\\zeva-file-" + std::to_wstring(hash);
        mutex_ = CreateMutexW(nullptr, FALSE, name.c_str());
        if (mutex_ == nullptr) return;
        const DWORD rc = WaitForSingleObject(mutex_, INFINITE);
        held_ = rc == WAIT_OBJECT_0 || rc == WAIT_ABANDONED;  // abandoned: its holder died
    }
    PathLock(const PathLock&) = delete;
    PathLock& operator=(const PathLock&) = delete;
    ~PathLock() {
        if (held_) ReleaseMutex(mutex_);
        if (mutex_ != nullptr) CloseHandle(mutex_);
    }
    bool held() const { return held_; }

private:
    HANDLE mutex_ = nullptr;
    bool held_ = false;
};

// Moves `from` over `to`. A program reading the old file keeps it from being
// replaced; such reads are short, so the move is tried again for a while.
// A read-only file is replaced as a rename replaces it elsewhere, and the
// new one keeps the old one's attributes (read-only, hidden), as its mode
// is kept elsewhere.
bool MoveIntoPlace(const fs::path& from, const fs::path& to) {
    const DWORD attrs = GetFileAttributesW(to.c_str());
    const bool readOnly =
        attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly) SetFileAttributesW(to.c_str(), attrs & ~FILE_ATTRIBUTE_READONLY);
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (MoveFileExW(from.c_str(), to.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            if (attrs != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(to.c_str(), attrs);
            return true;
        }
        const DWORD code = GetLastError();
        if (code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION) break;
        Sleep(20);
        SetLastError(code);
    }
    const DWORD code = GetLastError();
    if (readOnly) SetFileAttributesW(to.c_str(), attrs);
    SetLastError(code);
    return false;
}

// Writes `content` next to `path` (through to the disk) and moves it into place.
bool WriteAndReplace(const fs::path& path, const std::string& content, std::string* error) {
    const fs::path tmp = TempName(path);
    {
        Handle h(CreateFileW(tmp.c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
        if (!h.valid()) {
            SetError(error, "cannot create", tmp);
            return false;
        }
        if (!WriteAll(h.get(), content) || !FlushFileBuffers(h.get())) {
            SetError(error, "cannot write", tmp);
            DeleteFileW(tmp.c_str());
            return false;
        }
    }
    if (!MoveIntoPlace(tmp, path)) {
        SetError(error, "cannot replace", path);
        DeleteFileW(tmp.c_str());
        return false;
    }
    return true;
}

// A symbolic link is written through: its final target is replaced.
fs::path FinalTarget(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec))) return path;
    const fs::path target = fs::canonical(path, ec);
    return ec ? path : target;
}

// A path as the system takes it: one longer than the old limit (260) gets
// the prefix that lifts it, which wants a full path with backslashes only.
fs::path OsPath(const fs::path& given) {
    const std::wstring& text = given.native();
    if (text.size() < 240 || text.rfind(L"\\\\?\\", 0) == 0) return given;
    std::error_code ec;
    fs::path full = fs::absolute(given, ec);
    if (ec) return given;
    std::wstring normal = full.lexically_normal().make_preferred().wstring();
    if (normal.rfind(L"\\\\", 0) == 0) return fs::path(L"\\\\?\\UNC\\" + normal.substr(2));
    return fs::path(L"\\\\?\\" + normal);
}

}  // namespace

std::optional<std::string> ReadWholeFile(const fs::path& givenPath) {
    const fs::path path = OsPath(givenPath);
    Handle h(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid() || !IsRegular(h.get())) return std::nullopt;
    std::string data;
    if (!ReadAll(h.get(), data)) return std::nullopt;
    return data;
}

std::optional<FileIdentity> IdentifyFile(const fs::path& givenPath) {
    const fs::path path = OsPath(givenPath);
    Handle h(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!h.valid() || !GetFileInformationByHandle(h.get(), &info)) return std::nullopt;
    const auto join = [](DWORD high, DWORD low) {
        return (static_cast<std::uint64_t>(high) << 32) | low;
    };
    // FILETIME counts 100 ns steps.
    const auto mtime =
        join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
    return FileIdentity{info.dwVolumeSerialNumber, join(info.nFileIndexHigh, info.nFileIndexLow),
                        static_cast<std::int64_t>(join(info.nFileSizeHigh, info.nFileSizeLow)),
                        static_cast<std::int64_t>(mtime) * 100};
}

bool RewriteFile(const fs::path& givenPath,
                 const std::function<std::optional<std::string>(const std::string&)>& edit,
                 std::string* error) {
    const fs::path path = FinalTarget(OsPath(givenPath));
    PathLock lock(path);
    if (!lock.held()) {
        SetError(error, "cannot lock", path);
        return false;
    }
    std::string current;
    {
        Handle h(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
        if (h.valid()) {
            if (!IsRegular(h.get())) {
                if (error != nullptr) *error = Utf8Path(path) + " is not a regular file";
                return false;
            }
            if (!ReadAll(h.get(), current)) {
                SetError(error, "cannot read", path);
                return false;
            }
        } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
            SetError(error, "cannot open", path);
            return false;
        } else {
            // A missing file is made, as on the other systems: its folder must exist.
            const DWORD attrs =
                GetFileAttributesW(path.parent_path().empty() ? L"." : path.parent_path().c_str());
            if (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                SetError(error, "cannot open", path);
                return false;
            }
        }
    }
    const std::optional<std::string> next = edit(current);
    if (!next) return true;
    RemoveStaleTemporaries(path);
    return WriteAndReplace(path, *next, error);
}

bool ReplaceFileContent(const fs::path& path, const std::string& content, std::string* error) {
    return WriteAndReplace(FinalTarget(OsPath(path)), content, error);
}

}  // namespace zeva
