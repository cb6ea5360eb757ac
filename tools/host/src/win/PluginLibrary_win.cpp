// The plug-in loader on Windows: the PE header is checked before the system
// maps anything, then LoadLibraryExW, GetProcAddress and FreeLibrary.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "../PluginLibrary_p.h"
#include "platform/AppPath.h"
#include "platform/WinText.h"

namespace fs = std::filesystem;

namespace zeva::host::detail {

namespace {

#if defined(_M_X64) || defined(__x86_64__)
constexpr WORD kMachine = IMAGE_FILE_MACHINE_AMD64;
constexpr WORD kOptionalMagic = IMAGE_NT_OPTIONAL_HDR64_MAGIC;
#elif defined(_M_ARM64) || defined(__aarch64__)
constexpr WORD kMachine = IMAGE_FILE_MACHINE_ARM64;
constexpr WORD kOptionalMagic = IMAGE_NT_OPTIONAL_HDR64_MAGIC;
#else
constexpr WORD kMachine = IMAGE_FILE_MACHINE_I386;
constexpr WORD kOptionalMagic = IMAGE_NT_OPTIONAL_HDR32_MAGIC;
#endif

// The system's words for the last error, in UTF-8.
std::string LastErrorText(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide = n > 0 && text != nullptr ? std::wstring(text, n) : std::wstring();
    LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' '))
        wide.pop_back();
    return wide.empty() ? "error " + std::to_string(code) : win::Utf8(wide);
}

class File {
public:
    explicit File(const fs::path& path)
        : h_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~File() {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    bool Open() const { return h_ != INVALID_HANDLE_VALUE; }
    std::uint64_t Size() const {
        LARGE_INTEGER size{};
        return GetFileSizeEx(h_, &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
    }
    // Exactly `size` bytes at `offset`.
    bool ReadAt(void* out, DWORD size, std::uint64_t offset) const {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD got = 0;
        return ReadFile(h_, out, size, &got, &at) && got == size;
    }

private:
    HANDLE h_;
};

}  // namespace

fs::path RealPath(const fs::path& path, std::error_code& ec) {
    ec.clear();
    // Folders too: FILE_FLAG_BACKUP_SEMANTICS opens them for the query.
    HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        ec = std::error_code(static_cast<int>(GetLastError()), std::system_category());
        return {};
    }
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD n = GetFinalPathNameByHandleW(h, buffer.data(), static_cast<DWORD>(buffer.size()),
                                        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n >= buffer.size()) {
        buffer.resize(n + 1);
        n = GetFinalPathNameByHandleW(h, buffer.data(), static_cast<DWORD>(buffer.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    }
    const DWORD code = GetLastError();
    CloseHandle(h);
    if (n == 0 || n >= buffer.size()) {
        ec = std::error_code(static_cast<int>(code), std::system_category());
        return {};
    }
    buffer.resize(n);
    // "\\?\C:\..." and "\\?\UNC\server\..." back to their usual forms.
    if (buffer.rfind(L"\\\\?\\UNC\\", 0) == 0) return fs::path(L"\\\\" + buffer.substr(8));
    if (buffer.rfind(L"\\\\?\\", 0) == 0) return fs::path(buffer.substr(4));
    return fs::path(buffer);
}

bool CheckLibraryFile(const fs::path& path, std::string& error) {
    const std::string name = Utf8Path(path);
    const File file(path);
    if (!file.Open()) {
        error = "cannot open " + name + ": " + LastErrorText(GetLastError());
        return false;
    }
    const std::uint64_t size = file.Size();
    const std::string notLibrary = name + " is no plug-in: not a shared library";
    IMAGE_DOS_HEADER dos{};
    if (!file.ReadAt(&dos, sizeof dos, 0) || dos.e_magic != IMAGE_DOS_SIGNATURE ||
        dos.e_lfanew <= 0) {
        error = notLibrary;
        return false;
    }
    const std::uint64_t ntAt = static_cast<std::uint64_t>(dos.e_lfanew);
    DWORD signature = 0;
    IMAGE_FILE_HEADER coff{};
    if (!file.ReadAt(&signature, sizeof signature, ntAt) || signature != IMAGE_NT_SIGNATURE ||
        !file.ReadAt(&coff, sizeof coff, ntAt + sizeof signature)) {
        error = notLibrary;
        return false;
    }
    // The machine first: a library of another architecture is named as such.
    if (coff.Machine != kMachine) {
        char machine[16];
        std::snprintf(machine, sizeof machine, "0x%04X", coff.Machine);
        error = name +
                " is no plug-in for this machine: it is built for another architecture (PE "
                "machine " +
                machine + ")";
        return false;
    }
    WORD magic = 0;
    const std::uint64_t optionalAt = ntAt + sizeof signature + sizeof coff;
    if ((coff.Characteristics & IMAGE_FILE_DLL) == 0 ||
        !file.ReadAt(&magic, sizeof magic, optionalAt) || magic != kOptionalMagic) {
        error = notLibrary;
        return false;
    }
    // Every section's bytes lie within the file: an interrupted copy is
    // refused here rather than mapped.
    std::uint64_t needed =
        optionalAt + coff.SizeOfOptionalHeader +
        static_cast<std::uint64_t>(coff.NumberOfSections) * sizeof(IMAGE_SECTION_HEADER);
    for (WORD i = 0; i < coff.NumberOfSections && needed <= size; ++i) {
        IMAGE_SECTION_HEADER section{};
        if (!file.ReadAt(&section, sizeof section,
                         optionalAt + coff.SizeOfOptionalHeader + i * sizeof section))
            break;
        if (section.SizeOfRawData > 0)
            needed = std::max<std::uint64_t>(
                needed,
                static_cast<std::uint64_t>(section.PointerToRawData) + section.SizeOfRawData);
    }
    if (needed > size) {
        error = name + " is no plug-in: the file is truncated (" + std::to_string(size) +
                " bytes of at least " + std::to_string(needed) + ")";
        return false;
    }
    return true;
}

void* OpenLibrary(const fs::path& path, std::string& error) {
    // The libraries a plug-in needs are looked for beside it first, then
    // beside the program; no error box stops an unattended host.
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD code = GetLastError();
    SetErrorMode(oldMode);
    if (module == nullptr) error = "cannot load " + Utf8Path(path) + ": " + LastErrorText(code);
    return reinterpret_cast<void*>(module);
}

void* LibrarySymbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void CloseLibrary(void* handle) {
    FreeLibrary(static_cast<HMODULE>(handle));
}

}  // namespace zeva::host::detail
