// Programs started as the tests need them on Windows: CreateProcessW with a
// command line quoted as the C runtime splits it, pipes for the standard
// streams, the environment edited in a block of our own.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "ProgramRunner.h"
#include "TestSupport.h"
#include "WideText_p.h"

namespace zeva::test {

namespace {

// Started programs by process id, so that their exit codes can be read after
// they ended; and those a test killed, which did not end normally.
std::mutex startedMutex;
std::map<int, HANDLE> started;
std::set<int> killed;

// Pipe handles are made inheritable only for as long as it takes to start
// one program, so a program started beside it does not keep them open.
std::mutex creationMutex;

// The quoting that CommandLineToArgvW and the C runtime undo: backslashes
// are literal unless they precede a quote.
std::wstring Quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    for (auto it = arg.begin();; ++it) {
        std::size_t backslashes = 0;
        while (it != arg.end() && *it == L'\\') {
            ++it;
            ++backslashes;
        }
        if (it == arg.end()) {
            out.append(backslashes * 2, L'\\');
            break;
        }
        if (*it == L'"') {
            out.append(backslashes * 2 + 1, L'\\');
        } else {
            out.append(backslashes, L'\\');
        }
        out.push_back(*it);
    }
    out.push_back(L'"');
    return out;
}

std::wstring CommandLine(const std::filesystem::path& program,
                         const std::vector<std::string>& args) {
    std::wstring line = Quoted(program.wstring());
    for (const std::string& a : args) line += L" " + Quoted(Wide(a));
    return line;
}

struct NoCase {
    bool operator()(const std::wstring& a, const std::wstring& b) const {
        return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_LESS_THAN;
    }
};

// This process's environment with the edits applied, as CreateProcessW takes
// it: "name=value" strings, each ended by a null, the block by another.
std::wstring EnvironmentBlock(const RunOptions& options) {
    std::map<std::wstring, std::wstring, NoCase> vars;
    std::vector<std::wstring> drives;  // "=C:=C:\dir": the current folder per drive
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* p = block; *p != L'\0'; p += wcslen(p) + 1) {
            const std::wstring entry(p);
            const std::size_t eq = entry.find(L'=', 1);
            if (entry[0] == L'=' || eq == std::wstring::npos)
                drives.push_back(entry);
            else
                vars[entry.substr(0, eq)] = entry.substr(eq + 1);
        }
        FreeEnvironmentStringsW(block);
    }
    for (const auto& [name, value] : options.env) {
        if (value)
            vars[Wide(name)] = Wide(*value);
        else
            vars.erase(Wide(name));
    }
    std::wstring out;
    for (const std::wstring& d : drives) out += d + L'\0';
    for (const auto& [name, value] : vars) out += name + L'=' + value + L'\0';
    out += L'\0';
    return out;
}

// Reads what is there without blocking; false once the writer is gone and the pipe is empty.
bool Drain(HANDLE pipe, std::string& into) {
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return false;
    while (available > 0) {
        char buffer[65536];
        DWORD n = 0;
        if (!::ReadFile(pipe, buffer, std::min<DWORD>(available, sizeof buffer), &n, nullptr) ||
            n == 0)
            return false;
        into.append(buffer, n);
        available -= n;
    }
    return true;
}

void CloseIfOpen(HANDLE& h) {
    if (h != nullptr && h != INVALID_HANDLE_VALUE) CloseHandle(h);
    h = nullptr;
}

}  // namespace

RunResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                     const RunOptions& options) {
    PrivateRuntimeDir();
    RunResult result;
    HANDLE inRead = nullptr, inWrite = nullptr, outRead = nullptr, outWrite = nullptr,
           errRead = nullptr, errWrite = nullptr;
    PROCESS_INFORMATION pi{};
    {
        const std::lock_guard lock(creationMutex);
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        if (!CreatePipe(&inRead, &inWrite, &sa, 0) || !CreatePipe(&outRead, &outWrite, &sa, 0) ||
            !CreatePipe(&errRead, &errWrite, &sa, 0)) {
            for (HANDLE* h : {&inRead, &inWrite, &outRead, &outWrite, &errRead, &errWrite})
                CloseIfOpen(*h);
            result.err = "pipe failed";
            return result;
        }
        // Our ends stay here.
        for (HANDLE h : {inWrite, outRead, errRead})
            SetHandleInformation(h, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = inRead;
        si.hStdOutput = outWrite;
        si.hStdError = errWrite;
        std::wstring line = CommandLine(program, args);
        std::wstring env = EnvironmentBlock(options);
        const std::wstring cwd = options.workingDir.wstring();
        const BOOL ok = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                       CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, env.data(),
                                       cwd.empty() ? nullptr : cwd.c_str(), &si, &pi);
        CloseIfOpen(inRead);
        CloseIfOpen(outWrite);
        CloseIfOpen(errWrite);
        if (!ok) {
            CloseIfOpen(inWrite);
            CloseIfOpen(outRead);
            CloseIfOpen(errRead);
            const DWORD error = GetLastError();
            // As a shell reports a program it cannot find.
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
                result.exitCode = 127;
            result.err = "cannot start " + Narrow(program.wstring()) + " (error " +
                         std::to_string(error) + ")";
            return result;
        }
    }
    CloseHandle(pi.hThread);

    // The input is written by a thread of its own: a pipe's write blocks while it is full.
    std::thread writer([inWrite, &options]() mutable {
        std::size_t written = 0;
        while (written < options.input.size()) {
            DWORD n = 0;
            const DWORD chunk =
                static_cast<DWORD>(std::min<std::size_t>(options.input.size() - written, 65536));
            if (!::WriteFile(inWrite, options.input.data() + written, chunk, &n, nullptr)) break;
            written += n;
        }
        CloseHandle(inWrite);
    });

    const auto deadline = std::chrono::steady_clock::now() + options.timeout;
    bool outOpen = true, errOpen = true, ended = false;
    while (outOpen || errOpen || !ended) {
        if (outOpen) outOpen = Drain(outRead, result.out);
        if (errOpen) errOpen = Drain(errRead, result.err);
        if (!ended) ended = WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0;
        if (std::chrono::steady_clock::now() >= deadline) {
            if (!ended) {
                result.timedOut = true;
                TerminateProcess(pi.hProcess, 1);
                WaitForSingleObject(pi.hProcess, INFINITE);
            }
            break;  // a program it started may still hold the pipes: stop reading them
        }
        if (outOpen || errOpen || !ended) Sleep(1);
    }
    // A writer still blocked on a full pipe ends when its reader does.
    CloseIfOpen(outRead);
    CloseIfOpen(errRead);
    writer.join();
    DWORD code = 0;
    if (!result.timedOut && GetExitCodeProcess(pi.hProcess, &code))
        result.exitCode = static_cast<int>(code);
    CloseHandle(pi.hProcess);
    return result;
}

int StartProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                 const std::filesystem::path& cwd) {
    PrivateRuntimeDir();
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring line = CommandLine(program, args);
    const std::wstring dir = cwd.wstring();
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &si, &pi))
        return -1;
    CloseHandle(pi.hThread);
    const std::lock_guard lock(startedMutex);
    started[static_cast<int>(pi.dwProcessId)] = pi.hProcess;
    return static_cast<int>(pi.dwProcessId);
}

int WaitProgram(int pid) {
    HANDLE process = nullptr;
    bool wasKilled = false;
    {
        const std::lock_guard lock(startedMutex);
        const auto it = started.find(pid);
        if (it == started.end()) return -1;
        process = it->second;
        started.erase(it);
        wasKilled = killed.erase(pid) > 0;
    }
    DWORD code = 0;
    const bool ok = WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 &&
                    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return ok && !wasKilled ? static_cast<int>(code) : -1;
}

bool KillProgram(int pid) {
    const std::lock_guard lock(startedMutex);
    const auto it = started.find(pid);
    if (it == started.end() || !TerminateProcess(it->second, 137)) return false;
    killed.insert(pid);
    return true;
}

std::string RunShell(const std::string& command, int& status) {
    std::string out;
    FILE* p = _wpopen(Wide(command).c_str(), L"rb");
    if (p == nullptr) {
        status = -1;
        return out;
    }
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    status = _pclose(p);
    return out;
}

}  // namespace zeva::test
