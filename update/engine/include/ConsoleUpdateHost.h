#pragma once
// The update host of programs without windows: the notification is printed
// and answered "no", pauses sleep on the program clock, the client is started
// detached. With `closeClient` the running client's window (class
// "ZEVACLIENT", in any process of the user) is sent WM_CLOSE before files
// are installed, so that the restarted client is the only one and none of its
// files is in use.

#include "UpdateHost.h"

namespace zeva {

class ConsoleUpdateHost : public IUpdateHost {
public:
    explicit ConsoleUpdateHost(bool quiet = false, bool closeClient = false)
        : quiet_(quiet), closeClient_(closeClient) {}
    int ShowUpdateNotification(const std::string& oldVersion, const std::string& newVersion,
                               const std::string& webSiteUrl) override;
    void CloseRunningClient() override;
    void Pause(std::chrono::milliseconds duration) override;
    bool StartProgram(const std::filesystem::path& program, const std::string& parameters) override;
    bool ReplaceFile(const std::filesystem::path& source,
                     const std::filesystem::path& target) override;

private:
    bool quiet_;
    bool closeClient_;
};

}  // namespace zeva
