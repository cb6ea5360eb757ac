#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "ProgramArguments_p.h"
#include "WinText_p.h"
#include "platform/ProgramArguments.h"

namespace zeva::detail {

// argv holds the arguments in the ANSI code page, with "?" for whatever it
// lacks: the UTF-16 command line has them all.
std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    std::vector<std::string> out;
    int count = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i) out.push_back(win::Utf8(wide[i]));
        LocalFree(wide);
    } else {
        out.assign(argv, argv + argc);
    }
    // A console shows the UTF-8 the tools write; files and pipes get it as
    // written, with the same line ends as on Linux (no "\r" added or taken).
    SetConsoleOutputCP(CP_UTF8);
    for (FILE* stream : {stdin, stdout, stderr}) _setmode(_fileno(stream), _O_BINARY);
    return out;
}

}  // namespace zeva::detail

namespace zeva {

std::optional<std::string> EnvironmentVariable(const char* name) {
    // The process's own UTF-16 block: the C runtime's wide copy of a program
    // with a narrow main() is converted from the narrow one, code page and all.
    const std::wstring wideName = win::Wide(name);
    std::wstring value(64, L'\0');
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        const DWORD n = GetEnvironmentVariableW(wideName.c_str(), value.data(),
                                                static_cast<DWORD>(value.size()));
        if (n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        if (n < value.size()) {
            value.resize(n);
            return win::Utf8(value);
        }
        value.resize(n);  // the size it needs, its null included
    }
}

}  // namespace zeva
