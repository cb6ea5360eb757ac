// Crash-safe, process-safe rewrites on Windows. Windows refuses to replace a
// name that any program holds open, so the lock is not the file itself but a
// named mutex of the file's full path, held across read, edit and write (the
// system releases it when its holder dies). The new content goes to a
// temporary file beside the old one, written through to disk, and is moved
// into place; a reader that holds the old file for a moment is waited for,
// a little. Paths reach the OS as UTF-16.
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

std::string Utf8(const fs::path& path) {
    const std::u8string u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

std::string LastErrorText() {
    const DWORD code = GetLastError();
    wchar_t* text = nullptr;
    FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string out;
    if (text != nullptr) {
        const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
        if (n > 1) {
            out.resize(static_cast<size_t>(n - 1));
            WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
        }
        LocalFree(text);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' '))
        out.pop_back();
    return out.empty() ? "error " + std::to_string(code) : out;
}

void SetError(std::string* error, const std::string& what, const fs::path& path) {
    if (error != nullptr) *error = what + " " + Utf8(path) + ": " + LastErrorText();
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

// The writers' lock of one file: a mutex named after its full, case-folded
// path (a name may hold no backslash, and is kept short by a digest).
class PathLock {
public:
    explicit PathLock(const fs::path& path) {
        std::error_code ec;
        std::wstring full = fs::absolute(path, ec).wstring();
        CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
        std::uint64_t hash = 1469598103934665603ULL;  // FNV-1a
        for (wchar_t c : full) {
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
bool MoveIntoPlace(const fs::path& from, const fs::path& to) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (MoveFileExW(from.c_str(), to.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD code = GetLastError();
        if (code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION) return false;
        Sleep(20);
        SetLastError(code);
    }
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

}  // namespace

std::optional<std::string> ReadWholeFile(const fs::path& path) {
    Handle h(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid() || !IsRegular(h.get())) return std::nullopt;
    std::string data;
    if (!ReadAll(h.get(), data)) return std::nullopt;
    return data;
}

std::optional<FileIdentity> IdentifyFile(const fs::path& path) {
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
    const fs::path path = FinalTarget(givenPath);
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
                if (error != nullptr) *error = Utf8(path) + " is not a regular file";
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
    return WriteAndReplace(FinalTarget(path), content, error);
}

}  // namespace zeva
