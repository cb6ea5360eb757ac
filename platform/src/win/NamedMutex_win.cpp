// The single-instance mutex on Windows: a named kernel mutex in the session's
// namespace, released by the system when its holder dies.
#include "platform/NamedMutex.h"

#include <windows.h>

namespace zeva {

std::unique_ptr<NamedMutex> NamedMutex::Create(const std::string& name) {
    std::wstring wide = L"Local\\zeva-";
    for (char c : name) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        wide.push_back(safe ? static_cast<wchar_t>(c) : L'_');
    }
    HANDLE h = CreateMutexW(nullptr, TRUE, wide.c_str());
    if (h == nullptr) return std::unique_ptr<NamedMutex>(new NamedMutex(-1, false));
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(h);
        return std::unique_ptr<NamedMutex>(new NamedMutex(-1, true));
    }
    // The handle is kept in the descriptor slot: a handle value fits an int.
    return std::unique_ptr<NamedMutex>(
        new NamedMutex(static_cast<int>(reinterpret_cast<intptr_t>(h)), false));
}

NamedMutex::~NamedMutex() {
    if (fd_ >= 0) {
        HANDLE h = reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd_));
        ReleaseMutex(h);
        CloseHandle(h);
    }
}

}  // namespace zeva
