#include "ConsoleUpdateHost.h"

#include <cstdio>

#include "FileSync_p.h"
#include "platform/Clock.h"
#include "platform/Shell.h"

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
    GetClock().SleepFor(duration);
}

bool ConsoleUpdateHost::StartProgram(const std::filesystem::path& program,
                                     const std::string& parameters) {
    // Detached in its own session and never left as a zombie of ours.
    return StartDetached(program, SplitCommandLine(parameters), program.parent_path());
}

bool ConsoleUpdateHost::ReplaceFile(const std::filesystem::path& source,
                                    const std::filesystem::path& target) {
    return ReplaceInOneStep(source, target);
}

}  // namespace zeva
