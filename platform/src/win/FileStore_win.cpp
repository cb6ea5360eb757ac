// Crash-safe, process-safe rewrites on Windows. The file itself is locked
// with LockFileEx across read, edit and write; the new content goes to a
// temporary file beside it, written through to disk, and MoveFileExW puts it
// in place while the lock is held (every handle of ours shares delete, so the
// name can be replaced under it). Paths reach the OS as UTF-16.
#include "platform/FileStore.h"

#include <windows.h>

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
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
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
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
    return out.empty() ? "error " + std::to_string(code) : out;
}

void SetError(std::string* error, const std::string& what, const fs::path& path) {
    if (error != nullptr) *error = what + " " + Utf8(path) + ": " + LastErrorText();
}

bool IsRegular(HANDLE h) {
    if (GetFileType(h) != FILE_TYPE_DISK) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileInformationByHandle(h, &info) != 0 && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
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
    tmp += L".~" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(rng() % 1000000007ULL);
    return tmp;
}

// Temporary files that writers killed mid-write left beside `path`.
void RemoveStaleTemporaries(const fs::path& path) {
    const std::wstring prefix = path.filename().wstring() + L".~";
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(path.parent_path().empty() ? fs::path(L".") : path.parent_path(),
                                                ec)) {
        const std::wstring name = e.path().filename().wstring();
        if (name.rfind(prefix, 0) != 0) continue;
        const auto dash = name.find(L'-', prefix.size());
        if (dash == std::wstring::npos) continue;
        const DWORD pid = static_cast<DWORD>(std::wcstoul(name.substr(prefix.size(), dash - prefix.size()).c_str(),
                                                          nullptr, 10));
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
    if (!MoveFileExW(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
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
    Handle h(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr));
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
    const auto join = [](DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; };
    // FILETIME counts 100 ns steps.
    const auto mtime = join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
    return FileIdentity{info.dwVolumeSerialNumber, join(info.nFileIndexHigh, info.nFileIndexLow),
                        static_cast<std::int64_t>(join(info.nFileSizeHigh, info.nFileSizeLow)),
                        static_cast<std::int64_t>(mtime) * 100};
}

bool RewriteFile(const fs::path& givenPath,
                 const std::function<std::optional<std::string>(const std::string&)>& edit,
                 std::string* error) {
    const fs::path path = FinalTarget(givenPath);
    // Lock the file itself; when a writer replaced it while we waited, the
    // name now refers to another file, so lock again until they agree.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        Handle h(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!h.valid()) {
            SetError(error, "cannot open", path);
            return false;
        }
        if (!IsRegular(h.get())) {
            if (error != nullptr) *error = Utf8(path) + " is not a regular file";
            return false;
        }
        OVERLAPPED whole{};
        if (!LockFileEx(h.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
            SetError(error, "cannot lock", path);
            return false;
        }
        BY_HANDLE_FILE_INFORMATION locked{};
        GetFileInformationByHandle(h.get(), &locked);
        Handle named(CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        BY_HANDLE_FILE_INFORMATION now{};
        if (!named.valid() || !GetFileInformationByHandle(named.get(), &now) ||
            now.nFileIndexHigh != locked.nFileIndexHigh || now.nFileIndexLow != locked.nFileIndexLow ||
            now.dwVolumeSerialNumber != locked.dwVolumeSerialNumber) {
            UnlockFileEx(h.get(), 0, MAXDWORD, MAXDWORD, &whole);
            continue;
        }
        std::string current;
        if (!ReadAll(h.get(), current)) {
            SetError(error, "cannot read", path);
            UnlockFileEx(h.get(), 0, MAXDWORD, MAXDWORD, &whole);
            return false;
        }
        const std::optional<std::string> next = edit(current);
        bool ok = true;
        if (next) {
            RemoveStaleTemporaries(path);
            ok = WriteAndReplace(path, *next, error);
        }
        UnlockFileEx(h.get(), 0, MAXDWORD, MAXDWORD, &whole);
        return ok;
    }
    if (error != nullptr) *error = "cannot lock " + Utf8(path) + ": file keeps changing";
    return false;
}

bool ReplaceFileContent(const fs::path& path, const std::string& content, std::string* error) {
    return WriteAndReplace(FinalTarget(path), content, error);
}

}  // namespace zeva
