#include "ConsoleUpdateHost.h"

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <cstdio>
#include <system_error>
#include <thread>
#include <vector>

extern char** environ;

namespace zeva {

int ConsoleUpdateHost::ShowUpdateNotification(const std::string& oldVersion,
                                              const std::string& newVersion,
                                              const std::string& webSiteUrl) {
    if (!quiet_) {
        std::printf("update: %s -> %s%s%s\n", oldVersion.c_str(), newVersion.c_str(),
                    webSiteUrl.empty() ? "" : "  ", webSiteUrl.c_str());
    }
    // Nobody to ask: the running client is left alone.
    return 7;
}

void ConsoleUpdateHost::CloseRunningClient() {}

void ConsoleUpdateHost::Pause(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

bool ConsoleUpdateHost::StartProgram(const std::filesystem::path& program,
                                     const std::string& parameters) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    // Detached: its own session, no terminal, stdio on /dev/null, started
    // from its own folder.
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const std::string dir = program.parent_path().string();
    if (!dir.empty()) posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    std::string path = program.string();
    std::vector<char*> argv{path.data()};
    std::string param = parameters;
    if (!param.empty()) argv.push_back(param.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, path.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    return rc == 0;
}

bool ConsoleUpdateHost::ReplaceFile(const std::filesystem::path& source,
                                    const std::filesystem::path& target) {
    std::error_code ec;
    std::filesystem::rename(source, target, ec);
    return !ec;
}

}  // namespace zeva
