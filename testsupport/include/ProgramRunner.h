#pragma once
// Runs one of this build's programs (or any executable) the way a user
// would: arguments as given (no shell), extra or removed environment
// variables, text on standard input, both outputs captured, and a time
// limit after which the program is killed.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zeva::test {

struct RunOptions {
    // name = value sets, name = nullopt removes.
    std::vector<std::pair<std::string, std::optional<std::string>>> env;
    std::string input;
    std::filesystem::path workingDir;
    std::chrono::milliseconds timeout{60000};
};

struct RunResult {
    int exitCode = -1;  // -1 when killed by a signal or the time limit
    int signal = 0;
    bool timedOut = false;
    std::string out;
    std::string err;
};

RunResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                     const RunOptions& options = {});

// A program started in `cwd` with this process's environment and outputs,
// for tests that act on it while it runs (kill it, start a second copy).
// -1 when it could not be started.
int StartProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                 const std::filesystem::path& cwd);
// Its exit code, or -1 when it did not end normally.
int WaitProgram(int pid);
// Ends a program StartProgram started, as a crash or a kill would; its
// WaitProgram then gives -1. False when it could not be ended.
bool KillProgram(int pid);
// Start and wait: the exit code, -1 when it could not start or did not end normally.
int RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
               const std::filesystem::path& cwd);

// A shell command line (sh -c; cmd /c on Windows) for tests that drive beds and system tools:
// its standard output, and its exit code in `status` (-1 when it did not end
// normally). No time limit: the command bounds itself.
std::string RunShell(const std::string& command, int& status);

}  // namespace zeva::test
