// Starting programs on POSIX systems: fork, a new session, exec.
#include "platform/Shell.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "Shell_p.h"
#include "platform/AppPath.h"

namespace zeva {

namespace fs = std::filesystem;

namespace {

void SetError(std::string* error, const std::string& text) {
    if (error != nullptr) *error = text;
}

fs::path FindInPath(const std::string& name) {
    if (name.find('/') != std::string::npos) return name;
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t colon = dirs.find(':', start);
        const std::string dir =
            dirs.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        const fs::path candidate = fs::path(dir.empty() ? "." : dir) / name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return {};
}

}  // namespace

bool StartDetached(const fs::path& program, const std::vector<std::string>& args,
                   const fs::path& workDir, std::string* error) {
    if (program.empty() || ::access(program.c_str(), X_OK) != 0) {
        SetError(error, "cannot run " + program.string() + ": " + std::strerror(errno));
        return false;
    }
    // Everything the child needs is prepared before fork: after it, only
    // async-signal-safe calls are made.
    std::vector<std::string> argvStore;
    argvStore.push_back(program.string());
    argvStore.insert(argvStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argvStore) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string dir = workDir.string();

    int pipefd[2];
    if (::pipe2(pipefd, O_CLOEXEC) != 0) {
        SetError(error, std::string("pipe: ") + std::strerror(errno));
        return false;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipefd[0]);
        ::close(pipefd[1]);
        SetError(error, std::string("fork: ") + std::strerror(errno));
        return false;
    }
    if (child == 0) {
        ::close(pipefd[0]);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
        int err = 0;
        if (!dir.empty() && ::chdir(dir.c_str()) != 0) {
            err = errno;
        } else {
            ::execv(argv[0], argv.data());
            err = errno;
        }
        [[maybe_unused]] const ssize_t n = ::write(pipefd[1], &err, sizeof err);
        ::_exit(127);
    }
    ::close(pipefd[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int err = 0;
    ssize_t n;
    while ((n = ::read(pipefd[0], &err, sizeof err)) < 0 && errno == EINTR) {
    }
    ::close(pipefd[0]);
    if (n == static_cast<ssize_t>(sizeof err)) {
        SetError(error, "cannot run " + program.string() + ": " + std::strerror(err));
        return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        SetError(error, "cannot start " + program.string());
        return false;
    }
    return true;
}

bool ShellExecuteOpen(const std::string& file, const std::string& parameters,
                      const std::string& directory, std::string* error) {
    return StartDetached(NativePath(file), SplitCommandLine(parameters),
                         directory.empty() ? fs::path() : NativePath(directory), error);
}

bool OpenUrl(const std::string& url, std::string* error) {
    if (!IsWebAddress(url)) {
        SetError(error, "not a web address: " + url);
        return false;
    }
    const fs::path opener = FindInPath("xdg-open");
    if (opener.empty()) {
        SetError(error, "no desktop handler (xdg-open) to open " + url);
        return false;
    }
    return StartDetached(opener, {url}, {}, error);
}

}  // namespace zeva
