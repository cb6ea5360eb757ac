// A second process for the Windows tests of the platform:
//   args OUT ...         writes the arguments it was given (as the system
//                        splits its command line) to OUT, NUL-terminated, UTF-8
//   mutex NAME OUT       creates the named mutex and writes "exists" or "held"
//   holdmutex NAME READY creates the named mutex, creates READY, waits to be killed
//   hold FILE MS READY   opens FILE without sharing deletion, creates READY,
//                        keeps FILE open for MS milliseconds
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "platform/NamedMutex.h"

namespace {

std::string Utf8(const std::wstring& w) {
    if (w.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

bool WriteText(const std::wstring& path, const std::string& text) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    const bool ok =
        WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &n, nullptr) && n == text.size();
    CloseHandle(h);
    return ok;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 3) return 2;
    std::vector<std::wstring> args(argv, argv + argc);
    LocalFree(argv);
    const std::wstring& command = args[1];
    if (command == L"args") {
        std::string text;
        for (size_t i = 3; i < args.size(); ++i) text += Utf8(args[i]) + '\0';
        return WriteText(args[2], text) ? 0 : 1;
    }
    if (command == L"mutex" && args.size() == 4) {
        auto mutex = zeva::NamedMutex::Create(Utf8(args[2]));
        return WriteText(args[3], mutex->AlreadyExists() ? "exists" : "held") ? 0 : 1;
    }
    if (command == L"holdmutex" && args.size() == 4) {
        auto mutex = zeva::NamedMutex::Create(Utf8(args[2]));
        if (mutex->AlreadyExists() || !WriteText(args[3], "ready")) return 1;
        Sleep(INFINITE);
    }
    if (command == L"hold" && args.size() == 5) {
        HANDLE h = CreateFileW(args[2].c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return 1;
        if (!WriteText(args[4], "ready")) return 1;
        Sleep(static_cast<DWORD>(std::stoul(args[3])));
        CloseHandle(h);
        return 0;
    }
    return 2;
}
