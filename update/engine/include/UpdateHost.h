#pragma once
// What the update engine needs from the world around it: windows (the update
// notification, closing the running client), processes (starting the client),
// time (the pause before the restart) and the file replacement primitive that
// reports a target in use. Window programs implement it; ConsoleUpdateHost
// serves programs without windows.

#include <chrono>
#include <filesystem>
#include <string>

namespace zeva {

#ifdef _WIN32
inline constexpr char kClientExecutable[] = "ZEVAClient.exe";
#else
inline constexpr char kClientExecutable[] = "ZEVAClient";
#endif
inline constexpr char kClientWindowClass[] = "ZEVACLIENT";
inline constexpr int kIdYes = 6;

class IUpdateHost {
public:
    virtual ~IUpdateHost() = default;
    // Shows the update notification modally; returns the button (kIdYes or another).
    virtual int ShowUpdateNotification(const std::string& oldVersion, const std::string& newVersion,
                                       const std::string& webSiteUrl) = 0;
    // Closes the running client's top-level window and waits until it is processed.
    virtual void CloseRunningClient() = 0;
    virtual void Pause(std::chrono::milliseconds duration) = 0;
    // Starts the program detached with one parameter text (empty for none).
    virtual bool StartProgram(const std::filesystem::path& program,
                              const std::string& parameters) = 0;
    // Puts `source` in place of `target` in one step; false when the target is in use.
    virtual bool ReplaceFile(const std::filesystem::path& source,
                             const std::filesystem::path& target) = 0;
};

}  // namespace zeva
