// Starting programs and opening documents on Windows: CreateProcessW with a
// command line quoted as the C runtime reads it, ShellExecuteExW for what the
// shell opens. Every name reaches the system as UTF-16.
#include "platform/Shell.h"

#include <windows.h>

#include <shellapi.h>

#include "Shell_p.h"
#include "WinText_p.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"

namespace zeva {

namespace fs = std::filesystem;

namespace {

using win::ErrorText;
using win::Wide;

void SetError(std::string* error, const std::string& what, DWORD code) {
    if (error != nullptr) *error = what + ": " + ErrorText(code);
}

bool ShellOpen(const std::wstring& file, const std::wstring& parameters,
               const std::wstring& directory, const std::string& what, std::string* error) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // Synchronous, so a failure is known before this returns; no message box.
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = file.c_str();
    info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExW(&info)) return true;
    SetError(error, "cannot open " + what, GetLastError());
    return false;
}

}  // namespace

bool StartDetached(const fs::path& program, const std::vector<std::string>& args,
                   const fs::path& workDir, std::string* error) {
    if (program.empty()) {
        if (error != nullptr) *error = "cannot run a program without a name";
        return false;
    }
    // The program's own name is read without escapes: it is only quoted.
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    if (!args.empty()) commandLine += L" " + Wide(JoinCommandLine(args));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // Its own process group, no handle of ours: it outlives this program and
    // takes no console signal meant for us.
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_NEW_PROCESS_GROUP | CREATE_UNICODE_ENVIRONMENT, nullptr,
                        workDir.empty() ? nullptr : workDir.c_str(), &startup, &process)) {
        SetError(error, "cannot run " + Utf8Path(program), GetLastError());
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

bool ShellExecuteOpen(const std::string& file, const std::string& parameters,
                      const std::string& directory, std::string* error) {
    const fs::path native = NativePath(file);
    return ShellOpen(native.wstring(), Wide(AcpToUtf8(parameters)),
                     directory.empty() ? std::wstring() : NativePath(directory).wstring(),
                     Utf8Path(native), error);
}

bool OpenUrl(const std::string& url, std::string* error) {
    if (!IsWebAddress(url)) {
        if (error != nullptr) *error = "not a web address: " + url;
        return false;
    }
    return ShellOpen(Wide(url), {}, {}, url, error);
}

}  // namespace zeva
