#pragma once
// The update host of programs without windows: the notification is printed
// and answered "no", there is no client window to close, pauses sleep on the
// program clock, the client is started detached.

#include "UpdateHost.h"

namespace zeva {

class ConsoleUpdateHost : public IUpdateHost {
public:
    explicit ConsoleUpdateHost(bool quiet = false) : quiet_(quiet) {}
    int ShowUpdateNotification(const std::string& oldVersion, const std::string& newVersion,
                               const std::string& webSiteUrl) override;
    void CloseRunningClient() override;
    void Pause(std::chrono::milliseconds duration) override;
    bool StartProgram(const std::filesystem::path& program, const std::string& parameters) override;
    bool ReplaceFile(const std::filesystem::path& source,
                     const std::filesystem::path& target) override;

private:
    bool quiet_;
};

}  // namespace zeva
