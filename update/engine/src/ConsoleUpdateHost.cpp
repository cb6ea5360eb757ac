#include "ConsoleUpdateHost.h"

#include <cstdio>

#include "FileSync_p.h"
#include "platform/Clock.h"
#include "platform/MessageQueue.h"
#include "platform/Shell.h"
#include "platform/WindowFinder.h"

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

void ConsoleUpdateHost::CloseRunningClient() {
    if (!closeClient_) return;
    // Sent, so the client has handled it (saved and withdrawn) when this returns.
    if (const HWND client = FindWindowA(kClientWindowClass)) SendMessage(client, WM_CLOSE, 0, 0);
}

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
